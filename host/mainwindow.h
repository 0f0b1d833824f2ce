#pragma once

#include "workspace.h"

#include <contextmenuaction.h>

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class DocumentWindow;
class OutputDock;
class PluginMenu;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QUndoGroup;
class ContextData;
class UpdateStatus;

namespace HostApi {
class OutputChannel;
}

// The host's main window: the document area, the "Plug-ins" menu of the registered document
// templates, the Edit, View and Window menus, the "Plugin Output" dock and the status bar of
// the active document and of the web plug-in update.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Fills the "Plug-ins" menu and shows channel in the output dock (after the module's init).
    void setUp(HostApi::OutputChannel *channel);
    // Shows the run of the web plug-in updater of pluginInstance, the module's plug-in object,
    // when it has one: its progress in the status bar, then its summary in the status bar and
    // on the output dock's channel. Called right after the module's init, before its run can
    // report anything.
    void followUpdates(QObject *pluginInstance);

    // Opens a new document of the template with that id; null, with the reason in error, when
    // there is no such template or its plug-in refuses.
    DocumentWindow *openDocument(const QByteArray &templateId, QString *error = nullptr);

    // Open document windows in stacking order, bottom first.
    QList<DocumentWindow *> documentWindows() const;
    DocumentWindow *activeDocumentWindow() const;

    Workspace workspace() const;
    // Opens the workspace's documents as they were; documents without a geometry are tiled
    // together with the others, and without its own geometry the window takes most of the
    // screen. Documents that cannot be opened are left out: returns each reason, also shown
    // in the status bar and written to the diagnostic log.
    QStringList restoreWorkspace(const Workspace &workspace);

    // Shows window's property dialog and returns once it is closed.
    void showProperties(DocumentWindow *window);

    // Shows text in the status bar for a few seconds.
    void showMessage(const QString &text);

    // The active document's status line, as the status bar shows it.
    QString statusLine() const;
    // The active document's symbol or symbol list, as the status bar shows it.
    QString contextLine() const;

    // The host's context-menu entries for context: "Open in" each plug-in with symbol
    // linking, which opens it with the context as its creation context.
    ContextMenuActionList openInEntries(const ContextData &context);

    QMdiArea *documentArea() const { return m_area; }
    OutputDock *outputDock() const { return m_outputDock; }
    PluginMenu *pluginMenu() const { return m_pluginMenu; }
    QUndoGroup *undoGroup() const { return m_undoGroup; }

private:
    void createMenus();
    void createEditMenu();
    void createViewMenu();
    void createWindowMenu();
    void openFromMenu(const QByteArray &templateId);
    void activate(QMdiSubWindow *subWindow);
    void trackUndoStack(DocumentWindow *window);
    void triggerStandardAction(const QByteArray &hotKeyId);
    void updateEditActions();
    void showDocumentMenu(DocumentWindow *window);
    void showStatus(const QString &line);
    void showUpdatesFinished(const QString &text);
    void updateContextLine();
    void openWithContext(const QByteArray &templateId, const ContextData &context);
    void showSettings();
    void print();
    void showAbout();

    QMdiArea *m_area;
    OutputDock *m_outputDock;
    PluginMenu *m_pluginMenu;
    QUndoGroup *m_undoGroup;
    UpdateStatus *m_updateStatus;
    QLabel *m_statusLabel;
    QLabel *m_contextLabel;
    QMenu *m_editMenu = nullptr;
    QMenu *m_windowMenu = nullptr;
    QPointer<QAction> m_documentMenuAction;
    QAction *m_printAction = nullptr;
    QAction *m_propertiesAction = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QList<QAction *> m_standardActions;
    QPointer<DocumentWindow> m_active;
};

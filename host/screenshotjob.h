#pragma once

#include "workspace.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

class DocumentWindow;
class MainWindow;
class PropertyDialog;

// The host's headless run: brings up the windows to capture, one plug-in or the saved
// workspace, waits until every page has loaded and no longer reports "initializing", then
// shows each window maximised in turn and writes the main window as a PNG file. When the time
// is up first, the windows are written as they are and the run fails, saying what it waited
// for; a window that shows an error status when it is written fails the run too.
class ScreenshotJob : public QObject
{
    Q_OBJECT

public:
    // Time given to the last layout and paint before each capture.
    static constexpr int SettleMilliseconds = 200;
    static constexpr int WindowWidth = 1024;
    static constexpr int WindowHeight = 768;

    ScreenshotJob(MainWindow *window, int timeoutSeconds, QObject *parent = nullptr);

    // One capture: the plug-in openId (a plug-in or template id), written to fileName.
    void setDocument(const QString &openId, const QString &fileName);
    // A capture per window of workspace, then of openId when it is not empty, written to
    // folder (made when missing) as fileNameFor() names them. The main window keeps the
    // job's size, whatever the workspace says.
    void setWorkspace(const Workspace &workspace, const QString &openId, const QString &folder);
    // With setDocument(): capture the document's property dialog, every page built, instead
    // of the main window.
    void setShowProperties(bool show) { m_properties = show; }

    void start();

    // The file for a window of templateId in folder: "ID.png", ID the plug-in id (the template
    // id without "webplugin_") with characters other than letters, digits, '.', '-' and '_'
    // replaced by '_', and "-2", "-3", ... added to names already in taken, which it joins.
    static QString fileNameFor(const QString &folder, const QByteArray &templateId, QStringList &taken);

signals:
    // Once: exit code 0 with an empty error, or 1 with the reason (of the first failure).
    void finished(int exitCode, const QString &error);

private:
    struct Shot
    {
        QPointer<DocumentWindow> window;
        QString name;       // for messages: the id the window was opened by
        QString fileName;
    };

    DocumentWindow *openDocument();
    void addShot(DocumentWindow *window, const QString &name, const QString &fileName);
    bool isSettled(const Shot &shot) const;
    QString waitReason(const Shot &shot) const;
    void timeOut();
    void checkSettled();
    void present();
    void capture();
    void finish(int exitCode, const QString &error);

    MainWindow *m_window;
    int m_timeoutSeconds;
    QString m_openId;
    QString m_fileName;
    QString m_folder;
    Workspace m_workspace;
    QList<Shot> m_shots;
    int m_current = -1;  // the shot being taken; -1 while pages are loading
    QTimer m_timeout;
    QTimer m_settle;
    // Why the run fails once every window is written; empty while it succeeds.
    QString m_failure;
    bool m_finished = false;
    bool m_properties = false;
    QPointer<PropertyDialog> m_dialog;
};

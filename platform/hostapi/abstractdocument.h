#pragma once

#include "hostapi_global.h"
#include "linkingsignal.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

// What every host window has: title, description, task-bar title, main menu, active state,
// symbol linking and the hibernation flag. Each setter emits its change signal only when the
// value changes.
class HOSTAPI_EXPORT AbstractDocument : public QObject
{
    Q_OBJECT

public:
    explicit AbstractDocument(QObject *parent = nullptr);
    ~AbstractDocument() override;

    // The window's title.
    QString title() const { return m_title; }
    void setTitle(const QString &title);
    // The longer description shown beside the title (a tool tip, the window list).
    QString description() const { return m_description; }
    void setDescription(const QString &description);
    // The text of the window's task-bar button.
    QString taskBarTitle() const { return m_taskBarTitle; }
    void setTaskBarTitleWrapper(const QString &title);

    // The document's own menu in the host's menu bar; not owned, null for none.
    QMenu *mainMenu() const { return m_mainMenu; }
    void setMainMenu(QMenu *menu);

    // Whether the window is the active one; the host sets it.
    bool isActive() const { return m_active; }
    void setActive(bool active);

    // The document's symbol linking; null unless enabled (the template's symbol-linking flag).
    LinkingSignal *symbolLinking() const { return m_symbolLinking; }
    void setSymbolLinkingEnabled(bool enabled);

    // Whether the window must keep its caption bar shown (the user edits in its header).
    bool isCaptionBarForced() const { return m_captionBarForced; }
    void setCaptionBarForced(bool forced);

    // Whether the host leaves the document alone when it hibernates inactive windows.
    bool isIgnoringHibernationEvents() const { return m_ignoreHibernation; }
    void ignoreHibernationEvents(bool ignore);

signals:
    // The window's title changed.
    void titleChanged(const QString &title);
    // The description changed.
    void descriptionChanged(const QString &description);
    // The task-bar button's text changed.
    void taskBarTitleChanged(const QString &title);
    // The document's menu was set or removed (null).
    void mainMenuChanged(QMenu *menu);
    // The window became active (true) or inactive (false).
    void activeChanged(bool active);
    void captionBarForcedChanged(bool forced);

private:
    QString m_title;
    QString m_description;
    QString m_taskBarTitle;
    QPointer<QMenu> m_mainMenu;
    bool m_active = false;
    QPointer<LinkingSignal> m_symbolLinking;
    bool m_ignoreHibernation = false;
    bool m_captionBarForced = false;
};

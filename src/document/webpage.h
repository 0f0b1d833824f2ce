#pragma once

#include <QWebPage>

// The page of a script document's view. Bundle files ("file:///" URLs, any letter case) are
// always opened in the view; other URLs too while supportRedirectToExternalLinks() holds,
// else the view stays where it is and the URL is handed to the host to open outside
// (Application::openUrl()) when that is safe (isExternallyOpenable()), or reported through
// externalLinkRefused() when it is not. A link to content the view cannot show leaves the
// page in place: the engine's error page is kept for real load failures only.
// A page script that runs longer than the script time limit without a break is stopped, so
// that an endless loop cannot freeze the host. A load of the main frame that fails is reported
// through loadFailed(), before loadFinished(false); a load that was stopped or replaced is not.
class WebPage : public QWebPage
{
    Q_OBJECT

public:
    // The script time limit of the module, in milliseconds.
    static constexpr int ScriptTimeLimit = 10000;

    explicit WebPage(QObject *parent = nullptr);

    // Has the engine stop any script of the process that runs longer than milliseconds in one
    // go. The engine reads its limit once, when it starts: call this before the process's
    // first page. A limit already in force (set earlier, or from outside through the
    // environment) is kept; false then. The engine keeps to the limit only with a
    // ScriptWatchdog installed.
    static bool limitScriptTime(int milliseconds);
    // The limit in force in milliseconds, 0 when scripts may run for ever.
    static int scriptTimeLimit();

    bool supportRedirectToExternalLinks() const { return m_supportRedirectToExternalLinks; }
    void setSupportRedirectToExternalLinks(bool support);

    // reimplemented from QWebPage
    bool extension(Extension extension, const ExtensionOption *option = nullptr,
                   ExtensionReturn *output = nullptr) override;
    // Asked by engines that let the page decide whether to stop a long script: always stop.
    // ScriptWatchdog reports the stop.
    bool shouldInterruptJavaScript() override;

signals:
    void externalLinkRefused(const QUrl &url);
    // The main frame could not load url; error is the engine's reason.
    void loadFailed(const QUrl &url, const QString &error);

protected:
    // reimplemented from QWebPage
    bool acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                 NavigationType type) override;

private:
    bool m_supportRedirectToExternalLinks = true;
};

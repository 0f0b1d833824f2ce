#pragma once

#include <QWebPage>

// The page of a script document's view. Bundle files ("file:///" URLs, any letter case) are
// always opened in the view; other URLs too while supportRedirectToExternalLinks() holds,
// else the view stays where it is and the URL is handed to the host to open outside
// (Application::openUrl()) when that is safe (isExternallyOpenable()), or reported through
// externalLinkRefused() when it is not. A link to content the view cannot show leaves the
// page in place: the engine's error page is kept for real load failures only.
class WebPage : public QWebPage
{
    Q_OBJECT

public:
    explicit WebPage(QObject *parent = nullptr);

    bool supportRedirectToExternalLinks() const { return m_supportRedirectToExternalLinks; }
    void setSupportRedirectToExternalLinks(bool support);

    // reimplemented from QWebPage
    bool extension(Extension extension, const ExtensionOption *option = nullptr,
                   ExtensionReturn *output = nullptr) override;

signals:
    void externalLinkRefused(const QUrl &url);

protected:
    // reimplemented from QWebPage
    bool acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                 NavigationType type) override;

private:
    bool m_supportRedirectToExternalLinks = true;
};

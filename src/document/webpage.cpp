#include "webpage.h"

#include "externalurl.h"

#include <application.h>

#include <QNetworkRequest>
#include <QWebFrame>

namespace {

const char BundleUrlPrefix[] = "file:///";
// The engine's error for a load it stopped because the content is not shown (it goes to
// unsupportedContent() instead): "Frame load interrupted by policy change".
constexpr int LoadInterruptedByPolicy = 102;
// The engine's option of its script watchdog, in milliseconds, read from the environment when
// the engine starts; each script run is stopped once it has used that much processor time.
const char ScriptTimeLimitOption[] = "JSC_watchdog";

} // namespace

WebPage::WebPage(QObject *parent)
    : QWebPage(parent)
{
}

bool WebPage::limitScriptTime(int milliseconds)
{
    if (milliseconds <= 0 || scriptTimeLimit() > 0)
        return false;
    return qputenv(ScriptTimeLimitOption, QByteArray::number(milliseconds));
}

int WebPage::scriptTimeLimit()
{
    bool ok = false;
    const int limit = qEnvironmentVariableIntValue(ScriptTimeLimitOption, &ok);
    return ok && limit > 0 ? limit : 0;
}

void WebPage::setSupportRedirectToExternalLinks(bool support)
{
    m_supportRedirectToExternalLinks = support;
}

bool WebPage::acceptNavigationRequest(QWebFrame *, const QNetworkRequest &request,
                                      NavigationType)
{
    const QUrl url = request.url();
    if (url.toString().toLower().startsWith(QLatin1String(BundleUrlPrefix)))
        return true;
    if (m_supportRedirectToExternalLinks)
        return true;
    if (isExternallyOpenable(url))
        Application::instance()->openUrl(url);
    else
        emit externalLinkRefused(url);
    return false;
}

bool WebPage::extension(Extension extension, const ExtensionOption *option,
                        ExtensionReturn *output)
{
    if (extension == ErrorPageExtension && option) {
        const auto *error = static_cast<const ErrorPageExtensionOption *>(option);
        if (error->domain == WebKit && error->error == LoadInterruptedByPolicy)
            return false;
        if (error->frame == mainFrame())
            emit loadFailed(error->url, error->errorString);
    }
    return QWebPage::extension(extension, option, output);
}

bool WebPage::shouldInterruptJavaScript()
{
    return true;
}

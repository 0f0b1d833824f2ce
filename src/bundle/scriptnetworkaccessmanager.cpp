#include "scriptnetworkaccessmanager.h"

#include "scriptbundle.h"
#include "scriptnetworkreply.h"

#include <common/pluginlogline.h>
#include <logservice.h>

#include <QAbstractNetworkCache>
#include <QDir>
#include <QHash>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QPointer>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QUrlQuery>

namespace {

const char FileScheme[] = "file";
const char HttpsScheme[] = "https";
const char UsernameVariable[] = "USERNAME";
const char PasswordVariable[] = "PASSWORD";
const char LogSource[] = "NetworkAccessManager";
const int ErrorLevel = 3;

bool isScheme(const QUrl &url, const char *scheme)
{
    return url.scheme().compare(QLatin1String(scheme), Qt::CaseInsensitive) == 0;
}

// A dollar sign, plain or percent-encoded, then a name in parentheses: "$(USERNAME)".
const QRegularExpression &variablePattern()
{
    static const QRegularExpression pattern(QStringLiteral("(%24|\\$)\\(([^\\)]*)\\)"));
    return pattern;
}

// "(Expiry date: … Serial number: … Digest SHA1: … Digest MD5: … )", digests as lower-case
// hexadecimal byte pairs separated by ":".
QString certificateInfo(const QSslCertificate &certificate)
{
    return QLatin1String("(") + QLatin1String("Expiry date: ")
        + certificate.expiryDate().toString() + QLatin1Char(' ')
        + QLatin1String("Serial number: ") + QString::fromLatin1(certificate.serialNumber())
        + QLatin1Char(' ') + QLatin1String("Digest SHA1: ")
        + QString::fromLatin1(certificate.digest(QCryptographicHash::Sha1).toHex(':'))
        + QLatin1Char(' ') + QLatin1String("Digest MD5: ")
        + QString::fromLatin1(certificate.digest(QCryptographicHash::Md5).toHex(':'))
        + QLatin1Char(' ') + QLatin1String(")");
}

} // namespace

ScriptNetworkAccessManager::ScriptNetworkAccessManager(QNetworkAccessManager *previous,
                                                       QObject *parent,
                                                       const ScriptBundle *bundle,
                                                       HostApi::IOutputChannel *log)
    : QNetworkAccessManager(parent)
    , m_bundle(bundle)
    , m_log(log)
{
    HOSTAPI_ASSERT(0 != m_bundle, );
    if (previous)
        takeOver(previous);
}

void ScriptNetworkAccessManager::setUsernameSource(TextSource source)
{
    m_usernameSource = std::move(source);
}

void ScriptNetworkAccessManager::setPasswordSource(TextSource source)
{
    m_passwordSource = std::move(source);
}

// The cache and the cookie jar keep their owner, so the host's other views keep them when
// this manager goes. Those owned by the previous manager, which a page deletes once it has a
// new one, are adopted as it goes. A proxy factory is deleted by the manager holding it, so
// it cannot be shared; the application's proxy factory serves both managers.
void ScriptNetworkAccessManager::takeOver(QNetworkAccessManager *previous)
{
    QNetworkCookieJar *jar = previous->cookieJar();
    QObject *jarOwner = jar->parent();
    setCookieJar(jar);
    jar->setParent(jarOwner);

    QAbstractNetworkCache *cache = previous->cache();
    if (cache) {
        QObject *cacheOwner = cache->parent();
        setCache(cache);
        cache->setParent(cacheOwner);
    }

    setProxy(previous->proxy());

    const QPointer<QNetworkCookieJar> sharedJar(jar);
    const QPointer<QAbstractNetworkCache> sharedCache(cache);
    connect(previous, &QObject::destroyed, this, [this, previous, sharedJar, sharedCache]() {
        if (sharedJar && sharedJar->parent() == previous)
            sharedJar->setParent(this);
        if (sharedCache && sharedCache->parent() == previous)
            sharedCache->setParent(this);
    });
}

QNetworkReply *ScriptNetworkAccessManager::createRequest(Operation op,
                                                         const QNetworkRequest &request,
                                                         QIODevice *outgoingData)
{
    QNetworkRequest changed(request);
    changed.setUrl(substituteVariables(request.url()));
    const QUrl url = changed.url();

    if (isScheme(url, FileScheme)) {
        // ScriptBundle::url() of an absolute path gives "file:////path": fold the doubled
        // separator. The bundle decides whether the name stays inside it.
        const QString file = QDir::cleanPath(url.toLocalFile());
        const QByteArray content = m_bundle ? m_bundle->read(file) : QByteArray();
        if (content.isEmpty())
            emit servedEmpty(url);
        return new ScriptNetworkReply(changed, content, this);
    }

    QNetworkReply *reply = QNetworkAccessManager::createRequest(op, changed, outgoingData);
    HOSTAPI_ASSERT(connect(reply, &QNetworkReply::errorOccurred,
                           this, &ScriptNetworkAccessManager::error), );
    HOSTAPI_ASSERT(connect(reply, &QNetworkReply::sslErrors,
                           this, &ScriptNetworkAccessManager::sslErrors), );
    return reply;
}

// Replaces every variable in the query values. The password is offered to "https" requests
// only; elsewhere $(PASSWORD) is an unknown variable, removed and logged, so it never travels
// in clear text. Values are inserted as they are.
QUrl ScriptNetworkAccessManager::substituteVariables(const QUrl &url) const
{
    if (!url.hasQuery())
        return url;

    QUrlQuery query(url);
    QList<QPair<QString, QString>> items = query.queryItems(QUrl::FullyEncoded);
    QHash<QString, QString> variables;
    bool substituted = false;
    for (QPair<QString, QString> &item : items) {
        const QString original = item.second;
        QString value = original;
        QRegularExpressionMatch match = variablePattern().match(value);
        while (match.hasMatch()) {
            if (!substituted) {
                variables.insert(QLatin1String(UsernameVariable),
                                 m_usernameSource ? m_usernameSource() : QString());
                if (isScheme(url, HttpsScheme)) {
                    variables.insert(QLatin1String(PasswordVariable),
                                     m_passwordSource ? m_passwordSource() : QString());
                }
                substituted = true;
            }
            const QString name = match.captured(2);
            const auto variable = variables.constFind(name);
            if (variable == variables.cend()) {
                pluginLogLine(m_log, QLatin1String(LogSource),
                              QStringLiteral("failed to substitute variable for '%1'")
                                  .arg(original),
                              QStringLiteral("unknown variable '%1'").arg(name));
            }
            const QString replacement = variable == variables.cend() ? QString() : *variable;
            value.replace(match.capturedStart(), match.capturedLength(), replacement);
            match = variablePattern().match(value, match.capturedStart() + replacement.size());
        }
        item.second = value;
    }
    if (!substituted)
        return url;

    query.setQueryItems(items);
    QUrl result(url);
    result.setQuery(query);
    return result;
}

QString ScriptNetworkAccessManager::withoutPassword(const QUrl &url) const
{
    QString text = url.toString();
    const QString password = m_passwordSource ? m_passwordSource() : QString();
    if (password.isEmpty())
        return text;
    text.remove(password, Qt::CaseSensitive);
    text.remove(QString::fromLatin1(QUrl::toPercentEncoding(password)), Qt::CaseSensitive);
    return text;
}

void ScriptNetworkAccessManager::error(QNetworkReply::NetworkError code)
{
    log(QStringLiteral("Network error: %1").arg(int(code)));
    if (const auto *reply = qobject_cast<QNetworkReply *>(sender()))
        log(QLatin1String("URL: ") + withoutPassword(reply->request().url()));
}

void ScriptNetworkAccessManager::sslErrors(const QList<QSslError> &errors)
{
    for (const QSslError &sslError : errors) {
        log(QStringLiteral("SSL error: %1, \"%2\"")
                .arg(int(sslError.error()))
                .arg(sslError.errorString()));
        log(QLatin1String("SSL Certificate info: ") + certificateInfo(sslError.certificate()));
    }
}

void ScriptNetworkAccessManager::log(const QString &text) const
{
    HostApi::LogService *service = QuorvexServiceApi();
    static const int category = service->registerCategory("Tessel.ScriptNetworkAccessManager");
    service->write(category, ErrorLevel, __FILE__, __LINE__, Q_FUNC_INFO, text);
}

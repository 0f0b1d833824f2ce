#pragma once

#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslError>

#include <functional>

class ScriptBundle;
namespace HostApi { class IOutputChannel; }

// The network access manager of one script document's page. It serves "file" URLs from the
// plug-in's bundle (a folder or a secured archive alike; the bundle refuses names outside
// itself), fills the host user's name, and for "https" requests the password, into query
// values that ask for them with $(USERNAME) or $(PASSWORD) (also written %24(...)), and logs
// network and certificate errors of every other request, which fail on certificate errors.
class ScriptNetworkAccessManager : public QNetworkAccessManager
{
    Q_OBJECT

public:
    using TextSource = std::function<QString()>;

    // Takes over the previous manager's cache, cookie jar and proxy, so the page shares them
    // with the host's other views. The bundle and the output log are not owned; the bundle
    // must outlive the manager.
    ScriptNetworkAccessManager(QNetworkAccessManager *previous, QObject *parent,
                               const ScriptBundle *bundle, HostApi::IOutputChannel *log);

    // Where the user's name and password come from; each is asked when a request needs it.
    void setUsernameSource(TextSource source);
    void setPasswordSource(TextSource source);

signals:
    // A "file" request was served empty: the file is empty, or the bundle does not hold it.
    void servedEmpty(const QUrl &url);

protected:
    // reimplemented from QNetworkAccessManager
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *outgoingData) override;

private slots:
    void error(QNetworkReply::NetworkError code);
    void sslErrors(const QList<QSslError> &errors);

private:
    void takeOver(QNetworkAccessManager *previous);
    QUrl substituteVariables(const QUrl &url) const;
    QString withoutPassword(const QUrl &url) const;
    void log(const QString &text) const;

    const ScriptBundle *m_bundle;
    HostApi::IOutputChannel *m_log;
    TextSource m_usernameSource;
    TextSource m_passwordSource;
};

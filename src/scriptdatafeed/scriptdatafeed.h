#pragma once

#include <QHash>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class AbstractScriptDatafeedHandler;
class ScriptFormatter;
namespace HostApi { class IOutputChannel; }

// The datafeed a page reaches as the bridge's "datafeed": routes each request map to the
// handler registered for its "type" and remembers which handler runs each "rid". Handlers
// answer through response(). A refused request returns false, writes one line to the output
// log and is never answered.
class ScriptDatafeed : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject *formatter READ formatter CONSTANT)
    Q_PROPERTY(QString username READ username)

public:
    using UsernameSource = std::function<QString()>;
    // Which handlers a new datafeed registers: the standard ones ("symbolinfo", "quote",
    // "chain", "history", "news", "newsbody", in that order), or none (tests register their
    // own).
    enum class Handlers { Standard, None };

    // The output log is not owned; null sends the lines to the diagnostic log.
    explicit ScriptDatafeed(HostApi::IOutputChannel *log, QObject *parent = nullptr,
                            Handlers handlers = Handlers::Standard);
    // Stops every request first; the handlers go with the datafeed as its children.
    ~ScriptDatafeed() override;

    // The page's formatter, a child of the datafeed.
    QObject *formatter() const;
    ScriptFormatter *scriptFormatter() const { return m_formatter; }
    // The host's current user name, asked from the source on every read; empty without one.
    QString username() const;
    void setUsernameSource(UsernameSource source);

    // Registers a handler under its type and takes ownership. A null handler, an empty type or
    // a type already registered is an assertion failure and registers nothing.
    void registerDatafeedHandler(AbstractScriptDatafeedHandler *handler);

public slots:
    // Starts a request ({"type", "rid", handler keys}) or stops one ({"type": "stop", "rid"});
    // true when accepted.
    bool request(const QVariantMap &r);
    // Stops the requests of every handler. The rids stay known to the router: a later "stop"
    // reaches the handler, which refuses it.
    void clearAll();

signals:
    void response(const QVariantMap &data);

private:
    bool stop(const QString &type, const QString &rid);
    void logFailure(const QString &message, const QString &detail) const;

    HostApi::IOutputChannel *m_log;
    ScriptFormatter *m_formatter;
    QMap<QString, AbstractScriptDatafeedHandler *> m_datafeedHandlers;
    QHash<QString, AbstractScriptDatafeedHandler *> m_runningRequests;
    UsernameSource m_usernameSource;
};

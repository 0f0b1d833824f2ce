#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

// Base of every datafeed handler: serves the requests of one type for the router
// (ScriptDatafeed). A handler answers a started request later, any number of times, through
// response(), until the request is stopped or cleared; a refused start or stop sends nothing
// and leaves its reason in lastError() for the router's log line.
class AbstractScriptDatafeedHandler : public QObject
{
    Q_OBJECT

public:
    // The request type this handler serves, fixed at construction.
    QString type() const { return m_type; }
    // Why the last start or stop was refused.
    QString lastError() const { return m_lastError; }

    // Starts the script's request (its whole map) under rid; false when refused.
    virtual bool startRequest(const QString &rid, const QVariantMap &request) = 0;
    // Stops the request running under rid, without answering it; false when refused.
    virtual bool stopRequest(const QString &rid) = 0;
    // Stops every request of this handler, without answering them.
    virtual void clearAll() = 0;

signals:
    // An answer: {"request": the script's map, "result", payload, "error"}.
    void response(const QVariantMap &data);

protected:
    explicit AbstractScriptDatafeedHandler(const QString &type, QObject *parent = nullptr);

    void setLastError(const QString &error) { m_lastError = error; }

private:
    const QString m_type;
    QString m_lastError;
};

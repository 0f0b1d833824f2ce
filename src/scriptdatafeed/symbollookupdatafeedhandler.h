#pragma once

#include "requesterdatafeedhandler.h"

#include <errorresponse.h>
#include <symbolresponse.h>

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QVariantMap>

class SymbolRequestHelper;

// Base of the handlers whose requests need the instrument's record first (chain, history).
// A started request waits, pending, until its symbol's lookup answers; then the derived
// handler starts its requester. Pending requests count as running: a repeated rid is refused,
// "stop" and clearAll() drop them, and when the lookup fails each gets one "fail" answer with
// the lookup's error and is forgotten.
class SymbolLookupDatafeedHandler : public RequesterDatafeedHandler
{
    Q_OBJECT

public:
    bool stopRequest(const QString &rid) override;
    void clearAll() override;

protected:
    // How a request meets a lookup of its symbol that is already running.
    enum class LookupSharing { JoinRunning, RestartRunning };

    SymbolLookupDatafeedHandler(const QString &type, ErrorDetail errorDetail,
                                LookupSharing sharing, QObject *parent = nullptr);

    // True, with lastError set, when rid runs here or waits for its symbol.
    bool refuseDuplicateOrPending(const QString &rid);
    // Queues the request under symbol and looks the symbol up. parameters are the derived
    // handler's values read at start, handed back to startLookedUp().
    void addPending(const QByteArray &symbol, const QString &rid, const QVariantMap &request,
                    const QVariantMap &parameters);

    // The symbol's record arrived: start the requester of one pending request.
    virtual void startLookedUp(const QString &rid, const QVariantMap &request,
                               const QVariantMap &parameters,
                               const FeedApi::SymbolResponse &symbol) = 0;

private slots:
    void onSymbolRequestReady(const QByteArray &symbol, const FeedApi::SymbolResponse &response);
    void onSymbolRequestCancelled(const QByteArray &symbol);
    void onSymbolRequestFailed(const QByteArray &symbol, const FeedApi::ErrorResponse &error);

private:
    struct Pending
    {
        quint64 serial; // tells a request from a later one under the same rid
        QString rid;
        QVariantMap request;
        QVariantMap parameters;
    };

    QByteArray pendingSymbolOf(const QString &rid) const;

    const LookupSharing m_sharing;
    quint64 m_lastSerial = 0;
    SymbolRequestHelper *m_symbolRequestHelper;
    QSet<QByteArray> m_runningLookups;
    QMap<QByteArray, QList<Pending>> m_pending;
};

#include "symbollookupdatafeedhandler.h"

#include "symbolrequesthelper.h"

#include <logservice.h>

#include <QVector>

#include <algorithm>
#include <utility>

SymbolLookupDatafeedHandler::SymbolLookupDatafeedHandler(const QString &type,
                                                         ErrorDetail errorDetail,
                                                         LookupSharing sharing, QObject *parent)
    : RequesterDatafeedHandler(type, errorDetail, parent)
    , m_sharing(sharing)
    , m_symbolRequestHelper(new SymbolRequestHelper(this))
{
    const bool ready = connect(m_symbolRequestHelper, &SymbolRequestHelper::symbolRequestReady,
                               this, &SymbolLookupDatafeedHandler::onSymbolRequestReady);
    HOSTAPI_ASSERT(ready, );
    const bool cancelled = connect(m_symbolRequestHelper,
                                   &SymbolRequestHelper::symbolRequestCancelled,
                                   this, &SymbolLookupDatafeedHandler::onSymbolRequestCancelled);
    HOSTAPI_ASSERT(cancelled, );
    const bool failed = connect(m_symbolRequestHelper, &SymbolRequestHelper::symbolRequestFailed,
                                this, &SymbolLookupDatafeedHandler::onSymbolRequestFailed);
    HOSTAPI_ASSERT(failed, );
}

bool SymbolLookupDatafeedHandler::stopRequest(const QString &rid)
{
    const QByteArray symbol = pendingSymbolOf(rid);
    if (symbol.isNull())
        return RequesterDatafeedHandler::stopRequest(rid);
    QList<Pending> &entries = m_pending[symbol];
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&rid](const Pending &entry) { return entry.rid == rid; }),
                  entries.end());
    if (entries.isEmpty()) {
        m_pending.remove(symbol);
        if (m_runningLookups.remove(symbol))
            m_symbolRequestHelper->stopSymbolRequest(symbol);
    }
    return true;
}

void SymbolLookupDatafeedHandler::clearAll()
{
    m_pending.clear();
    const QSet<QByteArray> lookups = std::exchange(m_runningLookups, {});
    for (const QByteArray &symbol : lookups)
        m_symbolRequestHelper->stopSymbolRequest(symbol);
    RequesterDatafeedHandler::clearAll();
}

bool SymbolLookupDatafeedHandler::refuseDuplicateOrPending(const QString &rid)
{
    if (pendingSymbolOf(rid).isNull())
        return refuseDuplicate(rid);
    setLastError(QStringLiteral("duplicated 'rid' (%1)").arg(rid));
    return true;
}

void SymbolLookupDatafeedHandler::addPending(const QByteArray &symbol, const QString &rid,
                                             const QVariantMap &request,
                                             const QVariantMap &parameters)
{
    if (m_runningLookups.contains(symbol) && m_sharing == LookupSharing::RestartRunning) {
        // Forgotten first, so the cancellation it causes is not taken for a failure.
        m_runningLookups.remove(symbol);
        m_symbolRequestHelper->stopSymbolRequest(symbol);
    }
    m_pending[symbol].append(Pending{++m_lastSerial, rid, request, parameters});
    if (!m_runningLookups.contains(symbol)) {
        m_runningLookups.insert(symbol);
        m_symbolRequestHelper->requestSymbol(symbol);
    }
}

void SymbolLookupDatafeedHandler::onSymbolRequestReady(const QByteArray &symbol,
                                                       const FeedApi::SymbolResponse &response)
{
    m_runningLookups.remove(symbol);
    const QList<Pending> entries = m_pending.take(symbol);
    for (const Pending &entry : entries)
        startLookedUp(entry.rid, entry.request, entry.parameters, response);
}

// Lookups are cancelled only by this handler, once nothing waits for them or just before a
// fresh lookup of the same symbol: there is nobody to tell.
void SymbolLookupDatafeedHandler::onSymbolRequestCancelled(const QByteArray &)
{
}

void SymbolLookupDatafeedHandler::onSymbolRequestFailed(const QByteArray &symbol,
                                                        const FeedApi::ErrorResponse &error)
{
    m_runningLookups.remove(symbol);
    // Each request leaves as it is answered, so that a page stopping or clearing the others
    // from its answer is obeyed; one it starts meanwhile waits for a lookup of its own.
    QVector<quint64> failed;
    for (const Pending &entry : m_pending.value(symbol))
        failed.append(entry.serial);
    for (const quint64 serial : qAsConst(failed)) {
        const auto found = m_pending.find(symbol);
        if (found == m_pending.end())
            return;
        QList<Pending> &entries = found.value();
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [serial](const Pending &e) { return e.serial == serial; });
        if (entry == entries.end())
            continue;
        const QVariantMap request = entry->request;
        entries.erase(entry);
        if (entries.isEmpty())
            m_pending.erase(found);
        respondFailure(request, error);
    }
}

QByteArray SymbolLookupDatafeedHandler::pendingSymbolOf(const QString &rid) const
{
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        for (const Pending &entry : it.value()) {
            if (entry.rid == rid)
                return it.key();
        }
    }
    return QByteArray();
}

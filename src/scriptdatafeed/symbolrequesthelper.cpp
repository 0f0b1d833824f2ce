#include "symbolrequesthelper.h"

#include <logservice.h>
#include <requester.h>
#include <symbolrequest.h>

#include <utility>

SymbolRequestHelper::SymbolRequestHelper(QObject *parent)
    : QObject(parent)
{
}

SymbolRequestHelper::~SymbolRequestHelper()
{
    const QMap<QByteArray, FeedApi::Requester *> requesters = std::exchange(m_requesters, {});
    for (FeedApi::Requester *requester : requesters)
        requester->deleteLater();
    HOSTAPI_ASSERT(m_requesters.isEmpty(), return);
}

void SymbolRequestHelper::requestSymbol(const QByteArray &symbol)
{
    if (m_requesters.contains(symbol))
        return;
    auto *requester = new FeedApi::Requester(
        FeedApi::SymbolRequest(symbol, FeedApi::VmtSymbolRequest::VmtExtended), this);
    requester->bind(this, &SymbolRequestHelper::onSymbol);
    requester->bind(this, &SymbolRequestHelper::onError);
    m_requesters.insert(symbol, requester);
    requester->start();
}

void SymbolRequestHelper::stopSymbolRequest(const QByteArray &symbol)
{
    HOSTAPI_ASSERT(m_requesters.contains(symbol), return);
    m_requesters.take(symbol)->deleteLater();
    emit symbolRequestCancelled(symbol);
}

void SymbolRequestHelper::onSymbol(FeedApi::Requester *requester,
                                   const FeedApi::SymbolResponse &response)
{
    emit symbolRequestReady(finish(requester), response);
}

void SymbolRequestHelper::onError(FeedApi::Requester *requester,
                                  const FeedApi::ErrorResponse &error)
{
    emit symbolRequestFailed(finish(requester), error);
}

// The symbol comes back from the request, so a lookup answers under the text it was asked by.
QByteArray SymbolRequestHelper::finish(FeedApi::Requester *requester)
{
    const QByteArray symbol = requester->requestAs<FeedApi::SymbolRequest>()->symbol();
    m_requesters.remove(symbol);
    requester->deleteLater();
    return symbol;
}

#pragma once

#include "response.h"

#include <QByteArray>
#include <QList>

namespace FeedApi {

// Members of a chain, in the chain's order (futures by expiry; options by expiry, strike,
// call before put). A chain may arrive in several responses, each adding members.
class FEEDAPI_EXPORT ChainResponse : public Response
{
    FEEDAPI_RESPONSE_TYPE(ChainResponse)

    ChainResponse() = default;
    explicit ChainResponse(const QList<QByteArray> &symbols) : m_symbols(symbols) {}

    QList<QByteArray> symbols() const { return m_symbols; }

private:
    QList<QByteArray> m_symbols;
};

} // namespace FeedApi

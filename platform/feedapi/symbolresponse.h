#pragma once

#include "response.h"
#include "symbolrecord.h"

namespace FeedApi {

// The record of the requested symbol.
class FEEDAPI_EXPORT SymbolResponse : public Response
{
    FEEDAPI_RESPONSE_TYPE(SymbolResponse)

    SymbolResponse() = default;
    explicit SymbolResponse(const Common::SymbolRecord &record) : m_record(record) {}

    Common::SymbolRecord record() const { return m_record; }

private:
    Common::SymbolRecord m_record;
};

} // namespace FeedApi

#pragma once

#include "response.h"
#include "symbolrecord.h"

namespace FeedApi {

// The record of a running symbol request changed (a contract expired, say); it carries the
// new record.
class FEEDAPI_EXPORT SymbolUpdateResponse : public Response
{
    FEEDAPI_RESPONSE_TYPE(SymbolUpdateResponse)

    SymbolUpdateResponse() = default;
    explicit SymbolUpdateResponse(const Common::SymbolRecord &record) : m_record(record) {}

    Common::SymbolRecord record() const { return m_record; }

private:
    Common::SymbolRecord m_record;
};

} // namespace FeedApi

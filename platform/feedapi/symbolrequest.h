#pragma once

#include "vmtsymbolrequest.h"

namespace FeedApi {

// The symbol request the module sends. Answered by SymbolResponse, then by a
// SymbolUpdateResponse whenever the record changes, or by an ErrorResponse.
class FEEDAPI_EXPORT SymbolRequest : public VmtSymbolRequest
{
public:
    using VmtSymbolRequest::VmtSymbolRequest;
};

} // namespace FeedApi

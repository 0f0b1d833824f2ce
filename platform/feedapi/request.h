#pragma once

#include "feedapi_global.h"

namespace FeedApi {

// Base of every request of the data library. A requester keeps its own copy of the request,
// of the concrete type it was built from, and shares it read-only (Requester::request()).
class FEEDAPI_EXPORT Request
{
public:
    virtual ~Request();

protected:
    Request() = default;
    Request(const Request &) = default;
    Request &operator=(const Request &) = default;
};

} // namespace FeedApi

#pragma once

#include "feedapi_global.h"

namespace FeedApi {

class Requester;
class Response;

namespace Messaging {

// The receiver of one response type of a requester.
class FEEDAPI_EXPORT IBinding
{
public:
    virtual ~IBinding();

    // Called with a response of the type the binding was registered for.
    virtual void invoke(Requester *requester, const Response &response) = 0;
};

} // namespace Messaging
} // namespace FeedApi

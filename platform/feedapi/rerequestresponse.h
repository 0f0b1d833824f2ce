#pragma once

#include "response.h"

namespace FeedApi {

// The data of a running request is about to be sent again from the start: what the receiver
// holds for it is out of date.
class FEEDAPI_EXPORT RerequestResponse : public Response
{
    FEEDAPI_RESPONSE_TYPE(RerequestResponse)
};

} // namespace FeedApi

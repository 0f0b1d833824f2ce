#include "request.h"

namespace FeedApi {

Request::~Request() = default;

} // namespace FeedApi

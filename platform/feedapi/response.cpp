#include "response.h"

namespace FeedApi {

Response::~Response() = default;

} // namespace FeedApi

#include "ibinding.h"

namespace FeedApi {
namespace Messaging {

IBinding::~IBinding() = default;

} // namespace Messaging
} // namespace FeedApi

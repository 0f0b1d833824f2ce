#include "errorresponse.h"

namespace FeedApi {

ErrorResponse::ErrorResponse(int error, int eclass, const QString &source)
    : m_error(error)
    , m_eclass(eclass)
    , m_source(source)
{
}

} // namespace FeedApi

#pragma once

#include "response.h"

#include <QString>

namespace FeedApi {

// The request failed: error() is the library's error code, eclass() the class of the error
// and source() the service that reported it. FeedApiErrorsHelper::errorString gives the text.
class FEEDAPI_EXPORT ErrorResponse : public Response
{
    FEEDAPI_RESPONSE_TYPE(ErrorResponse)

    enum Error {
        NoError = 0,
        UnknownSymbol = 1,
        InvalidRequest = 2,
        NotEntitled = 3,
        DataNotAvailable = 4,
        ServiceUnavailable = 5,
        Timeout = 6,
        InternalError = 7
    };

    enum ErrorClass {
        NoErrorClass = 0,
        RequestError = 1,
        ServiceError = 2
    };

    ErrorResponse() = default;
    ErrorResponse(int error, int eclass, const QString &source);

    int error() const { return m_error; }
    int eclass() const { return m_eclass; }
    QString source() const { return m_source; }

private:
    int m_error = NoError;
    int m_eclass = NoErrorClass;
    QString m_source;
};

} // namespace FeedApi

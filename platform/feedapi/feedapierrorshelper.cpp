#include "feedapierrorshelper.h"

#include "errorresponse.h"

QString FeedApiErrorsHelper::errorString(const FeedApi::ErrorResponse &error)
{
    switch (error.error()) {
    case FeedApi::ErrorResponse::NoError:
        return tr("No error");
    case FeedApi::ErrorResponse::UnknownSymbol:
        return tr("Unknown symbol");
    case FeedApi::ErrorResponse::InvalidRequest:
        return tr("Invalid request");
    case FeedApi::ErrorResponse::NotEntitled:
        return tr("Not entitled to the requested data");
    case FeedApi::ErrorResponse::DataNotAvailable:
        return tr("Data not available");
    case FeedApi::ErrorResponse::ServiceUnavailable:
        return tr("Data service unavailable");
    case FeedApi::ErrorResponse::Timeout:
        return tr("Request timed out");
    case FeedApi::ErrorResponse::InternalError:
        return tr("Internal error of the data service");
    }
    return tr("Unknown error (%1)").arg(error.error());
}

#include "tablebackend.h"

#include <contentrequest.h>
#include <errorresponse.h>
#include <requester.h>

using FeedApi::ErrorResponse;

const char TableBackend::Source[] = "tessel";

TableBackend::TableBackend(const QByteArray &name, const QByteArray &content, QObject *parent)
    : FeedApi::Backend(parent)
    , m_name(name)
    , m_content(content)
{
}

void TableBackend::start(FeedApi::Requester *requester)
{
    const auto *request = requester->requestAs<FeedApi::ContentRequest>();
    if (request && request->name() == m_name) {
        requester->post(request->makeResponse(m_content));
        return;
    }
    const int error = request ? ErrorResponse::DataNotAvailable : ErrorResponse::InvalidRequest;
    requester->post(std::make_shared<const ErrorResponse>(error, ErrorResponse::RequestError,
                                                          QString::fromLatin1(Source)));
}

void TableBackend::end(FeedApi::Requester *)
{
    // Every answer is posted at start; the requester drops it once ended.
}

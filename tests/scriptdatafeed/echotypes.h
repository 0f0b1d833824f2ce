#pragma once

#include <request.h>
#include <response.h>

#include <QString>

// A request and responses of the data library for tests: the backend answers a request for a
// symbol with any number of echoes.
struct EchoRequest : FeedApi::Request
{
    explicit EchoRequest(const QString &symbol = QString()) : symbol(symbol) {}

    QString symbol;
};

struct OtherRequest : FeedApi::Request
{
};

class EchoResponse : public FeedApi::Response
{
    FEEDAPI_RESPONSE_TYPE(EchoResponse)

    explicit EchoResponse(const QString &text = QString()) : text(text) {}

    QString text;
};

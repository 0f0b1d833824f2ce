#pragma once

#include "request.h"

#include <QByteArray>
#include <memory>

namespace FeedApi {

class Response;

// Asks the data service for a published content file by name. The service answers with the
// response that makeResponse() builds from the file's bytes, so a caller may define its own
// request and response types on these bases.
class FEEDAPI_EXPORT ContentRequest : public Request
{
public:
    explicit ContentRequest(const QByteArray &name, const QByteArray &variant = QByteArray())
        : m_name(name), m_variant(variant) {}

    QByteArray name() const { return m_name; }
    QByteArray variant() const { return m_variant; }

    // The answer carrying content; the base builds a ContentResponse.
    virtual std::shared_ptr<const Response> makeResponse(const QByteArray &content) const;

private:
    QByteArray m_name;
    QByteArray m_variant;
};

} // namespace FeedApi

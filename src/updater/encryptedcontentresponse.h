#pragma once

#include <response.h>

#include <QByteArray>

namespace Tessel {
namespace Updater {

// The decrypted bytes of an encrypted content file.
class EncryptedContentResponse : public FeedApi::Response
{
    FEEDAPI_RESPONSE_TYPE(EncryptedContentResponse)

    EncryptedContentResponse() = default;
    explicit EncryptedContentResponse(const QByteArray &content) : m_content(content) {}

    QByteArray content() const { return m_content; }

private:
    QByteArray m_content;
};

} // namespace Updater
} // namespace Tessel

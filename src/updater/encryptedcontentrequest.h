#pragma once

#include <contentrequest.h>

#include <QMetaType>

namespace Tessel {
namespace Updater {

// Asks the data service for an encrypted content file ("webplugins.ctab"); the service
// answers with an EncryptedContentResponse holding the decrypted bytes, or an ErrorResponse.
class EncryptedContentRequest : public FeedApi::ContentRequest
{
public:
    EncryptedContentRequest() : FeedApi::ContentRequest(QByteArray()) {}
    explicit EncryptedContentRequest(const QByteArray &name) : FeedApi::ContentRequest(name) {}

    std::shared_ptr<const FeedApi::Response> makeResponse(const QByteArray &content) const override;

    // Registers the type under its short name; returns its id.
    static int registeredType();
};

} // namespace Updater
} // namespace Tessel

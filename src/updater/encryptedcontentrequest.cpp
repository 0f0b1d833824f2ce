#include "encryptedcontentrequest.h"

#include "encryptedcontentresponse.h"

namespace Tessel {
namespace Updater {

std::shared_ptr<const FeedApi::Response> EncryptedContentRequest::makeResponse(
    const QByteArray &content) const
{
    return std::make_shared<const EncryptedContentResponse>(content);
}

int EncryptedContentRequest::registeredType()
{
    static const int id = qRegisterMetaType<EncryptedContentRequest>("EncryptedContentRequest");
    return id;
}

} // namespace Updater
} // namespace Tessel

#include "newsbodydatafeedhandler.h"

#include <logservice.h>
#include <news/storyrequest.h>
#include <news/storyresponse.h>
#include <requester.h>

#include <iterator>

namespace {

const char StoryIdKey[] = "storyId";

// Story format names by format number.
const char *const FormatNames[] = {"invalid", "text", "html", "url"};

} // namespace

NewsBodyDatafeedHandler::NewsBodyDatafeedHandler(QObject *parent)
    : RequesterDatafeedHandler(QStringLiteral("newsbody"), ErrorDetail::CodeAndMessage, parent)
{
}

bool NewsBodyDatafeedHandler::startRequest(const QString &rid, const QVariantMap &request)
{
    HOSTAPI_ASSERT(!rid.isEmpty(), );
    if (refuseDuplicate(rid))
        return false;
    const QByteArray storyId = request.value(QLatin1String(StoryIdKey)).toString().toUtf8();
    if (storyId.isEmpty()) {
        setLastError(QStringLiteral("'storyId' is empty, nothing to request"));
        return false;
    }
    auto *requester = new FeedApi::Requester(
        FeedApi::News::StoryRequest(storyId, FeedApi::News::Html));
    requester->bind(this, &NewsBodyDatafeedHandler::onStory);
    startRequester(rid, request, requester);
    return true;
}

void NewsBodyDatafeedHandler::onStory(FeedApi::Requester *requester,
                                      const FeedApi::News::StoryResponse &story)
{
    QVariantMap data;
    if (story.format() >= 0 && story.format() < int(std::size(FormatNames)))
        data.insert(QStringLiteral("type"), QLatin1String(FormatNames[story.format()]));
    if (story.format() != FeedApi::News::Invalid)
        data.insert(QStringLiteral("content"), QString::fromUtf8(story.content()));
    respond(requester, QStringLiteral("ok"), {{QStringLiteral("data"), data}});
}

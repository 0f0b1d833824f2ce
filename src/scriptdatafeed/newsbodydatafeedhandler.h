#pragma once

#include "requesterdatafeedhandler.h"

namespace FeedApi { namespace News { class StoryResponse; } }

// Serves "newsbody": the story of one headline, by its "storyId".
class NewsBodyDatafeedHandler : public RequesterDatafeedHandler
{
    Q_OBJECT

public:
    explicit NewsBodyDatafeedHandler(QObject *parent = nullptr);

    bool startRequest(const QString &rid, const QVariantMap &request) override;

private:
    void onStory(FeedApi::Requester *requester, const FeedApi::News::StoryResponse &story);
};

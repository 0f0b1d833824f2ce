#pragma once

#include "requesterdatafeedhandler.h"

namespace FeedApi { namespace News { class HeadlineResponse; } }

// Serves "news": headlines matching a filter over a look-back period (one day unless
// "daysBack" or "hoursBack" says otherwise; "hoursBack" wins), at most "historyLimit" of them,
// and with "realtime" every new one as it arrives. Filter keys: "symbols", "service",
// "categories", "keywords", "keywordsOr", "wholeWord", "caseSensitive".
class NewsDatafeedHandler : public RequesterDatafeedHandler
{
    Q_OBJECT

public:
    explicit NewsDatafeedHandler(QObject *parent = nullptr);

    bool startRequest(const QString &rid, const QVariantMap &request) override;

private:
    void onHeadlines(FeedApi::Requester *requester, const FeedApi::News::HeadlineResponse &news);
};

#pragma once

#include "feedapi_global.h"
#include "quotes/fieldquotefieldid.h"
#include "quotes/quotefeed.h"
#include "recorddata.h"

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QString>

namespace FeedApi {
namespace Quotes {

// A quote feed for tests. While it lives it is the current feed (the previous one comes back
// when it is destroyed). It counts the subscriptions started and stopped, sends nothing by
// itself, and delivers the updates and errors the test gives it, later, through the event loop.
class FEEDAPI_EXPORT TestQuoteFeed : public QuoteFeed
{
    Q_OBJECT

public:
    using Values = QHash<FieldQuote::FieldQuoteFieldId, Common::RecordData>;

    explicit TestQuoteFeed(QObject *parent = nullptr);
    ~TestQuoteFeed() override;

    int startedCount() const { return m_started; }
    int stoppedCount() const { return m_stopped; }

    // Queues an update of symbol changing the fields in values, for every subscription of
    // symbol served when it is delivered. False, and nothing queued, when none is served now.
    bool publish(const QByteArray &symbol, const Values &values);
    // Queues the failure of every subscription of symbol, like publish().
    bool fail(const QByteArray &symbol, int code, const QString &text);

protected:
    // reimplemented from QuoteFeed
    void start(FieldQuoteSubscription *subscription) override;
    void stop(FieldQuoteSubscription *subscription) override;

private:
    template <typename Action>
    bool postToSubscriptionsOf(const QByteArray &symbol, Action action);

    int m_started = 0;
    int m_stopped = 0;
    QPointer<QuoteFeed> m_previous;
};

} // namespace Quotes
} // namespace FeedApi

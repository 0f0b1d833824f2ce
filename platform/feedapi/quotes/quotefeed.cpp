#include "quotefeed.h"

#include "quotes/fieldquotesubscription.h"

#include <QPointer>

#include <utility>

namespace FeedApi {
namespace Quotes {

namespace {

QPointer<QuoteFeed> &currentFeed()
{
    static QPointer<QuoteFeed> feed;
    return feed;
}

} // namespace

QuoteFeed::QuoteFeed(QObject *parent)
    : QObject(parent)
{
}

QuoteFeed::~QuoteFeed()
{
    if (currentFeed() == this)
        currentFeed() = nullptr;
    const QVector<FieldQuoteSubscription *> subscriptions = std::exchange(m_subscriptions, {});
    for (FieldQuoteSubscription *subscription : subscriptions)
        subscription->feedClosed();
}

QuoteFeed *QuoteFeed::current()
{
    return currentFeed();
}

QuoteFeed *QuoteFeed::setCurrent(QuoteFeed *feed)
{
    QuoteFeed *previous = currentFeed();
    currentFeed() = feed;
    return previous;
}

void QuoteFeed::subscribe(FieldQuoteSubscription *subscription)
{
    if (m_subscriptions.contains(subscription))
        return;
    m_subscriptions.append(subscription);
    start(subscription);
}

void QuoteFeed::unsubscribe(FieldQuoteSubscription *subscription)
{
    if (m_subscriptions.removeOne(subscription))
        stop(subscription);
}

} // namespace Quotes
} // namespace FeedApi

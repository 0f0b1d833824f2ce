#include "testquotefeed.h"

#include "quotes/fieldquotesubscription.h"

#include <QMetaObject>

namespace FeedApi {
namespace Quotes {

TestQuoteFeed::TestQuoteFeed(QObject *parent)
    : QuoteFeed(parent)
    , m_previous(QuoteFeed::setCurrent(this))
{
}

TestQuoteFeed::~TestQuoteFeed()
{
    if (QuoteFeed::current() == this)
        QuoteFeed::setCurrent(m_previous);
}

bool TestQuoteFeed::publish(const QByteArray &symbol, const Values &values)
{
    FieldQuote::FieldValues all;
    FieldQuote::FieldMask changed = 0;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it.key().isValid()) {
            all[it.key().index()] = it.value();
            changed |= FieldQuote::fieldBit(it.key());
        }
    }
    return postToSubscriptionsOf(symbol, [all, changed](FieldQuoteSubscription *subscription) {
        subscription->deliver(all, changed);
    });
}

bool TestQuoteFeed::fail(const QByteArray &symbol, int code, const QString &text)
{
    return postToSubscriptionsOf(symbol, [code, text](FieldQuoteSubscription *subscription) {
        subscription->fail(code, text);
    });
}

void TestQuoteFeed::start(FieldQuoteSubscription *)
{
    ++m_started;
}

void TestQuoteFeed::stop(FieldQuoteSubscription *)
{
    ++m_stopped;
}

// At delivery each subscription is held while it runs and skipped once it left this feed.
template <typename Action>
bool TestQuoteFeed::postToSubscriptionsOf(const QByteArray &symbol, Action action)
{
    bool served = false;
    for (const FieldQuoteSubscription *subscription : subscriptions())
        served = served || subscription->key().symbol() == symbol;
    if (!served)
        return false;
    QMetaObject::invokeMethod(
        this,
        [this, symbol, action]() {
            const QVector<FieldQuoteSubscription *> targets = subscriptions();
            for (FieldQuoteSubscription *subscription : targets)
                subscription->addRef();
            for (FieldQuoteSubscription *subscription : targets) {
                if (subscription->key().symbol() == symbol && subscriptions().contains(subscription))
                    action(subscription);
            }
            for (FieldQuoteSubscription *subscription : targets)
                subscription->release();
        },
        Qt::QueuedConnection);
    return true;
}

} // namespace Quotes
} // namespace FeedApi

#pragma once

#include "feedapi_global.h"

#include <QObject>
#include <QVector>

namespace FeedApi {
namespace Quotes {

class FieldQuoteSubscription;

// Where field quote subscriptions go: the one replaceable source of live quotes. The host
// installs its feed at start-up (the seeded QuoteSimulator); tests install their own. A feed
// serves a subscription from start() until stop(), delivering to it on the GUI thread, later
// than start() and as often as the market moves.
class FEEDAPI_EXPORT QuoteFeed : public QObject
{
    Q_OBJECT

public:
    // The feed that new subscriptions go to; null when none is installed.
    static QuoteFeed *current();
    // Installs a feed (not owned; null uninstalls) and returns the previous one. A feed that is
    // destroyed uninstalls itself.
    static QuoteFeed *setCurrent(QuoteFeed *feed);

    // Subscriptions still started on a feed that is destroyed fail later with
    // ServiceUnavailable and end.
    ~QuoteFeed() override;

    // Called by FieldQuoteSubscription: serve it from now on / no longer.
    void subscribe(FieldQuoteSubscription *subscription);
    void unsubscribe(FieldQuoteSubscription *subscription);
    // The subscriptions served, in the order they started.
    QVector<FieldQuoteSubscription *> subscriptions() const { return m_subscriptions; }

protected:
    explicit QuoteFeed(QObject *parent = nullptr);

    // A subscription starts. Nothing may be delivered from within this call.
    virtual void start(FieldQuoteSubscription *subscription) = 0;
    // The subscription stopped: nothing more is delivered to it.
    virtual void stop(FieldQuoteSubscription *subscription) = 0;

private:
    QVector<FieldQuoteSubscription *> m_subscriptions;
};

} // namespace Quotes
} // namespace FeedApi

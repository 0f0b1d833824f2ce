#pragma once

#include "feedapi_global.h"
#include "quotes/fieldquotefieldid.h"

#include <QSet>

class IFieldQuoteSubscription;

// Receives what happens to a started subscription, on the GUI thread, never from within the
// call that started it. A listener may stop or delete the subscription's adapter inside any of
// these calls; nothing more reaches it from that subscription afterwards.
class FEEDAPI_EXPORT IFieldQuoteListener
{
public:
    virtual ~IFieldQuoteListener();

    // An update changed these fields of the subscription (never empty; only fields it carries).
    // The first update after start brings every field.
    virtual void onData(IFieldQuoteSubscription *subscription,
                        const QSet<FieldQuote::FieldQuoteFieldId> &changed) = 0;
    // The status changed (IFieldQuoteSubscription::Status); Error ends the data.
    virtual void onStatusChanged(IFieldQuoteSubscription *subscription, int status) = 0;
    // Every field the subscription carries became complete; comes once per start, before the
    // update that completes them.
    virtual void onFieldsCompleted(IFieldQuoteSubscription *subscription);
    // A new trading day began: the day's fields (open, high, low, volume, previous close and
    // the changes) start over; the update that carries them follows.
    virtual void onSessionReset(IFieldQuoteSubscription *subscription);
    // The feed now updates each symbol this many times a second.
    virtual void onUpdateRateChanged(IFieldQuoteSubscription *subscription, int updatesPerSecond);
    // The feed fell behind and left out this many updates; the values stay current.
    virtual void onUpdatesSkipped(IFieldQuoteSubscription *subscription, int count);
    // The feed serving the subscription went away (after an Error status naming it). The
    // listener is given one reference to the subscription, which it must release; the default
    // releases it at once.
    virtual void onSubscriptionEnded(IFieldQuoteSubscription *subscription);
};

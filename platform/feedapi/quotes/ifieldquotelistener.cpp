#include "ifieldquotelistener.h"

#include "quotes/ifieldquotesubscription.h"

IFieldQuoteListener::~IFieldQuoteListener() = default;

void IFieldQuoteListener::onFieldsCompleted(IFieldQuoteSubscription *)
{
}

void IFieldQuoteListener::onSessionReset(IFieldQuoteSubscription *)
{
}

void IFieldQuoteListener::onUpdateRateChanged(IFieldQuoteSubscription *, int)
{
}

void IFieldQuoteListener::onUpdatesSkipped(IFieldQuoteSubscription *, int)
{
}

void IFieldQuoteListener::onSubscriptionEnded(IFieldQuoteSubscription *subscription)
{
    subscription->release();
}

#include "ifieldquotesubscription.h"

IFieldQuoteSubscription::~IFieldQuoteSubscription() = default;

#include "compoundsubscriptionadapter.h"

#include "quotes/columndescriptionsmanager.h"
#include "quotes/fieldquotesubscription.h"

using FeedApi::Quotes::FieldQuoteSubscription;

CompoundSubscriptionAdapter::CompoundSubscriptionAdapter(const ModelKey &key)
    : m_subscription(new FieldQuoteSubscription(key))
{
}

CompoundSubscriptionAdapter::~CompoundSubscriptionAdapter()
{
    m_subscription->stop();
    m_subscription->release();
}

ModelKey CompoundSubscriptionAdapter::key() const
{
    return m_subscription->key();
}

IFieldQuoteSubscription *CompoundSubscriptionAdapter::subscription() const
{
    return m_subscription;
}

bool CompoundSubscriptionAdapter::setStaticFields(const QSet<FieldQuote::FieldQuoteFieldId> &fields)
{
    if (m_subscription->setFields(FieldQuote::toMask(fields)))
        return true;
    qWarning("CompoundSubscriptionAdapter: the fields of %s are fixed while it runs",
             m_subscription->key().symbol().constData());
    return false;
}

QSet<FieldQuote::FieldQuoteFieldId> CompoundSubscriptionAdapter::staticFields() const
{
    return m_subscription->fields();
}

bool CompoundSubscriptionAdapter::start(IFieldQuoteListener *listener)
{
    return m_subscription->start(listener);
}

void CompoundSubscriptionAdapter::stop()
{
    m_subscription->stop();
}

bool CompoundSubscriptionAdapter::isStarted() const
{
    return m_subscription->isStarted();
}

Common::RecordData CompoundSubscriptionAdapter::recordData(int column) const
{
    const ColumnDescription *description =
        ColumnDescriptionsManager::instance()->descriptionByColumn(column);
    return description ? m_subscription->value(description->quoteFieldId()) : Common::RecordData();
}

Common::RecordData CompoundSubscriptionAdapter::recordData(FieldQuote::FieldQuoteFieldId field) const
{
    return m_subscription->value(field);
}

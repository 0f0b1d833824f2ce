#pragma once

#include "feedapi_global.h"
#include "quotes/fieldquotefieldid.h"
#include "quotes/modelkey.h"
#include "recorddata.h"

#include <QSet>

class IFieldQuoteListener;
class IFieldQuoteSubscription;

namespace FeedApi {
namespace Quotes {
class FieldQuoteSubscription;
}
}

// A live subscription to chosen fields of one quote model, read by field or by column
// (ColumnDescriptionsManager). It owns its subscription for its whole life: set the fields,
// start with a listener, and read the values the listener is told about. Destroying it stops
// at once: nothing reaches the listener afterwards.
class FEEDAPI_EXPORT CompoundSubscriptionAdapter
{
public:
    explicit CompoundSubscriptionAdapter(const ModelKey &key);
    ~CompoundSubscriptionAdapter();
    CompoundSubscriptionAdapter(const CompoundSubscriptionAdapter &) = delete;
    CompoundSubscriptionAdapter &operator=(const CompoundSubscriptionAdapter &) = delete;

    ModelKey key() const;
    // The same object from construction to destruction.
    IFieldQuoteSubscription *subscription() const;

    // The fields to receive, before start() (false and a warning once started); invalid ids
    // are left out.
    bool setStaticFields(const QSet<FieldQuote::FieldQuoteFieldId> &fields);
    QSet<FieldQuote::FieldQuoteFieldId> staticFields() const;

    // Subscribes on the current quote feed; listener (not owned) gets every notification, on
    // the GUI thread, never from within this call. False when already started or listener is
    // null. A stopped adapter may start again; its values start over.
    bool start(IFieldQuoteListener *listener);
    void stop();
    bool isStarted() const;

    // The current value shown in a column; invalid for columns that are no quote field, for
    // fields not received, and until the field has a value.
    Common::RecordData recordData(int column) const;
    Common::RecordData recordData(FieldQuote::FieldQuoteFieldId field) const;

private:
    FeedApi::Quotes::FieldQuoteSubscription *m_subscription;
};

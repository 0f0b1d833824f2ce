#pragma once

#include "feedapi_global.h"
#include "quotes/fieldquotefieldid.h"
#include "quotes/modelkey.h"
#include "recorddata.h"

#include <QSet>
#include <QString>

// A live subscription to fields of one quote model, as its listener sees it. It is counted by
// references: whoever holds one calls release() when done, and the last release frees it.
class FEEDAPI_EXPORT IFieldQuoteSubscription
{
public:
    enum Status {
        Stopped = 0,     // not started, or stopped by its owner
        Subscribing = 1, // started; no data yet
        Error = 2,       // failed: errorCode() and errorText() tell why; no data follows
        Active = 3       // receiving data
    };

    virtual void addRef() = 0;
    virtual void release() = 0;

    virtual ModelKey key() const = 0;
    // The fields this subscription carries.
    virtual QSet<FieldQuote::FieldQuoteFieldId> fields() const = 0;
    virtual int status() const = 0;
    // A FeedApi::ErrorResponse::Error code while the status is Error, else 0.
    virtual int errorCode() const = 0;
    virtual QString errorText() const = 0;

    // The current value of a field the subscription carries; invalid until the field has one,
    // and for fields it does not carry.
    virtual Common::RecordData value(FieldQuote::FieldQuoteFieldId field) const = 0;
    // Whether the field has its value since the subscription started.
    virtual bool isComplete(FieldQuote::FieldQuoteFieldId field) const = 0;
    // Whether every field it carries is complete.
    virtual bool isComplete() const = 0;

protected:
    virtual ~IFieldQuoteSubscription();
};

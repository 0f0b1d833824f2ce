#pragma once

#include "feedapi_global.h"
#include "quotes/fieldquotefieldid.h"
#include "quotes/ifieldquotesubscription.h"
#include "quotes/modelkey.h"

#include <QCoreApplication>

class IFieldQuoteListener;

namespace FeedApi {
namespace Quotes {

class QuoteFeed;

// The library's subscription: the owner (CompoundSubscriptionAdapter) chooses its fields and
// starts and stops it; the quote feed that serves it delivers values and statuses, which it
// keeps and passes to its listener. Feeds call it on the GUI thread and never from within
// QuoteFeed::start(). Every notifying call holds a reference while the listener runs, so a
// listener may stop it or drop the owner's reference inside a callback.
class FEEDAPI_EXPORT FieldQuoteSubscription final : public IFieldQuoteSubscription
{
    Q_DECLARE_TR_FUNCTIONS(FieldQuoteSubscription)

public:
    // A stopped subscription holding one reference, the creator's.
    explicit FieldQuoteSubscription(const ModelKey &key);
    FieldQuoteSubscription(const FieldQuoteSubscription &) = delete;
    FieldQuoteSubscription &operator=(const FieldQuoteSubscription &) = delete;

    // The library's text for an error code, followed by ": " and detail when there is one.
    static QString describeError(int code, const QString &detail);

    // reimplemented from IFieldQuoteSubscription
    void addRef() override;
    void release() override;
    ModelKey key() const override { return m_key; }
    QSet<FieldQuote::FieldQuoteFieldId> fields() const override;
    int status() const override { return m_status; }
    int errorCode() const override { return m_errorCode; }
    QString errorText() const override { return m_errorText; }
    Common::RecordData value(FieldQuote::FieldQuoteFieldId field) const override;
    bool isComplete(FieldQuote::FieldQuoteFieldId field) const override;
    bool isComplete() const override;

    // The owner's side.
    // Sets the fields to carry; only while stopped (false otherwise).
    bool setFields(FieldQuote::FieldMask fields);
    // Clears the values and subscribes on the current quote feed; listener (not owned) gets
    // every notification. Without a feed, or for a model kind other than field quotes, the
    // status turns to Error later. False when already started.
    bool start(IFieldQuoteListener *listener);
    // Unsubscribes at once: no notification follows, also none already queued.
    void stop();
    bool isStarted() const { return m_listener != nullptr; }

    // The feed's side.
    // The fields in changed took the values in values; those this subscription carries are
    // kept and reported. The first delivery turns the status to Active.
    void deliver(const FieldQuote::FieldValues &values, FieldQuote::FieldMask changed);
    // The subscription failed with a FeedApi::ErrorResponse::Error code; no data follows.
    void fail(int code, const QString &text);
    void resetSession();
    void updateRateChanged(int updatesPerSecond);
    void updatesSkipped(int count);

private:
    friend class QuoteFeed;

    ~FieldQuoteSubscription() override;

    // Its feed is being destroyed: it fails and ends later.
    void feedClosed();
    // Runs action later on the GUI thread unless the subscription stops or restarts first.
    template <typename Action>
    void post(Action action);
    // Whether the listener that was called with the run's generation may still be called.
    bool isCurrent(IFieldQuoteListener *listener, quint64 generation) const
    { return m_listener == listener && m_generation == generation; }

    ModelKey m_key;
    int m_references = 1;
    FieldQuote::FieldMask m_fields = 0;
    FieldQuote::FieldMask m_complete = 0;
    bool m_completionAnnounced = false;
    FieldQuote::FieldValues m_values;
    IFieldQuoteListener *m_listener = nullptr;
    QuoteFeed *m_feed = nullptr;
    quint64 m_generation = 0;
    int m_status = Stopped;
    int m_errorCode = 0;
    QString m_errorText;
};

} // namespace Quotes
} // namespace FeedApi

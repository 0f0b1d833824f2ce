#include "fieldquotesubscription.h"

#include "errorresponse.h"
#include "feedapierrorshelper.h"
#include "quotes/ifieldquotelistener.h"
#include "quotes/quotefeed.h"

#include <QMetaObject>
#include <QtAlgorithms>

#include <utility>

namespace FeedApi {
namespace Quotes {

namespace {

// Keeps a subscription alive while its listener runs.
class Hold
{
public:
    explicit Hold(FieldQuoteSubscription *subscription)
        : m_subscription(subscription)
    {
        m_subscription->addRef();
    }
    ~Hold() { m_subscription->release(); }
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;

private:
    FieldQuoteSubscription *m_subscription;
};

} // namespace

FieldQuoteSubscription::FieldQuoteSubscription(const ModelKey &key)
    : m_key(key)
{
}

FieldQuoteSubscription::~FieldQuoteSubscription()
{
    if (m_feed)
        m_feed->unsubscribe(this);
}

QString FieldQuoteSubscription::describeError(int code, const QString &detail)
{
    const QString text = FeedApiErrorsHelper::errorString(
        ErrorResponse(code, ErrorResponse::ServiceError, QStringLiteral("quotes")));
    return detail.isEmpty() ? text : text + QStringLiteral(": ") + detail;
}

void FieldQuoteSubscription::addRef()
{
    ++m_references;
}

void FieldQuoteSubscription::release()
{
    if (--m_references == 0)
        delete this;
}

QSet<FieldQuote::FieldQuoteFieldId> FieldQuoteSubscription::fields() const
{
    return FieldQuote::toSet(m_fields);
}

Common::RecordData FieldQuoteSubscription::value(FieldQuote::FieldQuoteFieldId field) const
{
    return field.isValid() ? m_values[field.index()] : Common::RecordData();
}

bool FieldQuoteSubscription::isComplete(FieldQuote::FieldQuoteFieldId field) const
{
    return (m_complete & m_fields & FieldQuote::fieldBit(field)) != 0;
}

bool FieldQuoteSubscription::isComplete() const
{
    return (m_complete & m_fields) == m_fields;
}

bool FieldQuoteSubscription::setFields(FieldQuote::FieldMask fields)
{
    if (m_listener)
        return false;
    m_fields = fields & FieldQuote::AllFields;
    return true;
}

bool FieldQuoteSubscription::start(IFieldQuoteListener *listener)
{
    if (m_listener || !listener)
        return false;
    m_listener = listener;
    ++m_generation;
    m_values = FieldQuote::FieldValues();
    m_complete = 0;
    m_completionAnnounced = false;
    m_status = Subscribing;
    m_errorCode = 0;
    m_errorText.clear();

    if (m_key.kind() != ModelKey::FieldQuoteKind) {
        const QString text = describeError(ErrorResponse::InvalidRequest,
                                           tr("model kind %1 is not a field quote").arg(m_key.kind()));
        post([this, text]() { fail(ErrorResponse::InvalidRequest, text); });
        return true;
    }
    m_feed = QuoteFeed::current();
    if (!m_feed) {
        const QString text = describeError(ErrorResponse::ServiceUnavailable,
                                           tr("no quote feed is installed"));
        post([this, text]() { fail(ErrorResponse::ServiceUnavailable, text); });
        return true;
    }
    m_feed->subscribe(this);
    return true;
}

void FieldQuoteSubscription::stop()
{
    if (!m_listener)
        return;
    m_listener = nullptr;
    ++m_generation;
    m_status = Stopped;
    m_errorCode = 0;
    m_errorText.clear();
    if (QuoteFeed *feed = std::exchange(m_feed, nullptr))
        feed->unsubscribe(this);
}

void FieldQuoteSubscription::deliver(const FieldQuote::FieldValues &values,
                                     FieldQuote::FieldMask changed)
{
    if (!m_listener || m_status == Error)
        return;
    const FieldQuote::FieldMask carried = changed & m_fields;
    for (FieldQuote::FieldMask rest = carried; rest; rest &= rest - 1) {
        const int index = int(qCountTrailingZeroBits(rest));
        m_values[index] = values[index];
    }
    m_complete |= carried;

    const Hold hold(this);
    IFieldQuoteListener *const listener = m_listener;
    const quint64 generation = m_generation;
    if (m_status == Subscribing) {
        m_status = Active;
        listener->onStatusChanged(this, Active);
        if (!isCurrent(listener, generation))
            return;
    }
    if (!m_completionAnnounced && isComplete()) {
        m_completionAnnounced = true;
        listener->onFieldsCompleted(this);
        if (!isCurrent(listener, generation))
            return;
    }
    if (carried)
        listener->onData(this, FieldQuote::toSet(carried));
}

void FieldQuoteSubscription::fail(int code, const QString &text)
{
    if (!m_listener || m_status == Error)
        return;
    m_status = Error;
    m_errorCode = code;
    m_errorText = text;
    const Hold hold(this);
    m_listener->onStatusChanged(this, Error);
}

void FieldQuoteSubscription::resetSession()
{
    if (!m_listener || m_status != Active)
        return;
    const Hold hold(this);
    m_listener->onSessionReset(this);
}

void FieldQuoteSubscription::updateRateChanged(int updatesPerSecond)
{
    if (!m_listener || m_status != Active)
        return;
    const Hold hold(this);
    m_listener->onUpdateRateChanged(this, updatesPerSecond);
}

void FieldQuoteSubscription::updatesSkipped(int count)
{
    if (!m_listener || m_status != Active)
        return;
    const Hold hold(this);
    m_listener->onUpdatesSkipped(this, count);
}

void FieldQuoteSubscription::feedClosed()
{
    m_feed = nullptr;
    const QString text = describeError(ErrorResponse::ServiceUnavailable,
                                       tr("the quote feed was closed"));
    post([this, text]() {
        IFieldQuoteListener *const listener = m_listener;
        const quint64 generation = m_generation;
        fail(ErrorResponse::ServiceUnavailable, text);
        if (!isCurrent(listener, generation))
            return;
        addRef();
        listener->onSubscriptionEnded(this);
    });
}

template <typename Action>
void FieldQuoteSubscription::post(Action action)
{
    QCoreApplication *const application = QCoreApplication::instance();
    if (!application) {
        qWarning("FieldQuoteSubscription: no application object, so %s gets no status",
                 m_key.symbol().constData());
        return;
    }
    addRef();
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        application,
        [this, generation, action]() {
            if (m_generation == generation && m_listener)
                action();
            release();
        },
        Qt::QueuedConnection);
}

} // namespace Quotes
} // namespace FeedApi

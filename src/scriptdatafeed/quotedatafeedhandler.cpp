#include "quotedatafeedhandler.h"

#include <common/pluginlogline.h>
#include <common/variantutils.h>

#include <datetime.h>
#include <formatter.h>
#include <logservice.h>
#include <quotes/columndescriptionsmanager.h>
#include <quotes/compoundsubscriptionadapter.h>
#include <quotes/ifieldquotesubscription.h>
#include <quotes/modelkey.h>

#include <QDateTime>

#include <utility>

namespace {

const char SymbolKey[] = "symbol";
const char FieldsKey[] = "fields";
const char RealtimeKey[] = "realtime";
// Fields whose values are text to be read as UTF-8.
const char *const TextFields[] = {"Description"};

// The host's quote columns by name, built once per process on first use.
const QHash<QString, ColumnDescription> &fieldTable()
{
    static const QHash<QString, ColumnDescription> table = [] {
        QHash<QString, ColumnDescription> fields;
        for (const ColumnDescription &description :
             ColumnDescriptionsManager::instance()->allDescripitions()) {
            if (FieldQuote::FieldQuoteFieldId::fromString(description.fieldId()).isValid())
                fields.insert(description.name(), description);
        }
        return fields;
    }();
    return table;
}

bool isTextField(const QString &name)
{
    for (const char *text : TextFields) {
        if (name == QLatin1String(text))
            return true;
    }
    return false;
}

// A field value as the page sees it, by the column's formatter.
QVariant fieldValue(const ColumnDescription &description, const Common::RecordData &value)
{
    const QString formatter = FeedApi::Formatter::formatterNameById(description.formatterId());
    if (formatter == QLatin1String("time-from-datetime") || formatter == QLatin1String("time")
        || formatter == QLatin1String("date"))
        return Common::DateTime::fromInt64(value.payload()).toQDateTime();
    if (formatter == QLatin1String("exchangedate")) {
        const Common::DateTime day = Common::DateTime::fromInt64(value.payload());
        return Common::DateTime(day.date(), 0).toQDateTime();
    }
    if (isTextField(description.name()))
        return QString::fromUtf8(value.toByteString());
    return Common::recordDataToVariant(value);
}

} // namespace

QuoteDatafeedHandler::QuoteDatafeedHandler(HostApi::IOutputChannel *log, QObject *parent)
    : AbstractScriptDatafeedHandler(QStringLiteral("quote"), parent)
    , m_log(log)
{
}

QuoteDatafeedHandler::~QuoteDatafeedHandler()
{
    clearAll();
}

bool QuoteDatafeedHandler::startRequest(const QString &rid, const QVariantMap &request)
{
    HOSTAPI_ASSERT(!rid.isEmpty(), );
    const QString symbol = request.value(QLatin1String(SymbolKey)).toString().trimmed();
    if (symbol.isEmpty()) {
        setLastError(QStringLiteral("'symbol' is empty"));
        return false;
    }
    if (m_requesters.contains(rid)) {
        setLastError(QStringLiteral("duplicated 'rid' (%1)").arg(rid));
        return false;
    }
    const QHash<QString, ColumnDescription> &table = fieldTable();
    QSet<FieldQuote::FieldQuoteFieldId> fields;
    for (const QString &name : request.value(QLatin1String(FieldsKey)).toStringList()) {
        const auto found = table.constFind(name);
        if (found == table.constEnd()) {
            pluginLogLine(m_log, QStringLiteral("quote datafeed"),
                          QStringLiteral("skipping fieldName '%1' from request").arg(name),
                          QStringLiteral("unknown fieldName"));
            continue;
        }
        fields.insert(found->quoteFieldId());
    }
    const bool realtime = request.value(QLatin1String(RealtimeKey), false).toBool();

    auto *adapter = new CompoundSubscriptionAdapter(
        ModelKey(symbol.toUtf8(), realtime, TradingSessionParams(), ModelKey::FieldQuoteKind));
    m_requesters.insert(rid, adapter);
    m_subscriptionOptions.insert(rid, request);
    m_subscriptions.insert(adapter->subscription(), rid);
    adapter->setStaticFields(fields);
    adapter->start(this);
    return true;
}

bool QuoteDatafeedHandler::stopRequest(const QString &rid)
{
    if (!m_requesters.contains(rid)) {
        setLastError(QStringLiteral("unknown 'rid' (%1) for request").arg(rid));
        return false;
    }
    deleteRequester(rid);
    return true;
}

void QuoteDatafeedHandler::clearAll()
{
    const QMap<QString, CompoundSubscriptionAdapter *> adapters = std::exchange(m_requesters, {});
    m_subscriptions.clear();
    m_subscriptionOptions.clear();
    qDeleteAll(adapters);
}

void QuoteDatafeedHandler::onData(IFieldQuoteSubscription *subscription,
                                  const QSet<FieldQuote::FieldQuoteFieldId> &changed)
{
    if (!subscription->fields().intersects(changed))
        return;
    const auto rid = m_subscriptions.constFind(subscription);
    HOSTAPI_ASSERT(rid != m_subscriptions.constEnd(), return);
    const auto request = m_subscriptionOptions.constFind(*rid);
    HOSTAPI_ASSERT(request != m_subscriptionOptions.constEnd(), return);
    const CompoundSubscriptionAdapter *adapter = m_requesters.value(*rid);
    HOSTAPI_ASSERT(adapter, return);

    QVariantMap data;
    for (const FieldQuote::FieldQuoteFieldId field : adapter->staticFields()) {
        const ColumnDescription *description =
            ColumnDescriptionsManager::instance()->descriptionByFieldId(field);
        if (!description || !changed.contains(field))
            continue;
        const Common::RecordData value = adapter->recordData(description->column());
        if (!value.isValid())
            continue;
        data.insert(description->name(), fieldValue(*description, value));
    }
    respond(*request, subscription->isComplete() ? QStringLiteral("ok") : QStringLiteral("progress"),
            QStringLiteral("data"), data);
}

void QuoteDatafeedHandler::onStatusChanged(IFieldQuoteSubscription *subscription, int status)
{
    if (status != IFieldQuoteSubscription::Error)
        return;
    const auto rid = m_subscriptions.constFind(subscription);
    HOSTAPI_ASSERT(rid != m_subscriptions.constEnd(), return);
    const QVariantMap error{{QStringLiteral("errorCode"), subscription->errorCode()},
                            {QStringLiteral("errorMessage"), subscription->errorText()}};
    respond(m_subscriptionOptions.value(*rid), QStringLiteral("fail"), QStringLiteral("error"),
            error);
}

void QuoteDatafeedHandler::deleteRequester(const QString &rid)
{
    CompoundSubscriptionAdapter *adapter = m_requesters.take(rid);
    HOSTAPI_ASSERT(adapter, return);
    m_subscriptions.remove(adapter->subscription());
    m_subscriptionOptions.remove(rid);
    delete adapter;
}

void QuoteDatafeedHandler::respond(const QVariantMap &request, const QString &result,
                                   const QString &key, const QVariant &payload)
{
    emit response({{QStringLiteral("request"), request},
                   {QStringLiteral("result"), result},
                   {key, payload}});
}

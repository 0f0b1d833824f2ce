#pragma once

#include "abstractscriptdatafeedhandler.h"

#include <quotes/ifieldquotelistener.h>

#include <QHash>
#include <QMap>

class CompoundSubscriptionAdapter;
namespace HostApi { class IOutputChannel; }

// Serves "quote": a live subscription to chosen fields of one symbol through the quote
// library. Every update that touches requested fields answers with their current values
// ("progress" until every field is complete, then "ok"), until the request is stopped or
// cleared. Keys: "symbol" (required), "fields" (field names of the host's column table),
// "realtime" (false).
class QuoteDatafeedHandler : public AbstractScriptDatafeedHandler, public IFieldQuoteListener
{
    Q_OBJECT

public:
    // The output log is not owned.
    explicit QuoteDatafeedHandler(HostApi::IOutputChannel *log, QObject *parent = nullptr);
    ~QuoteDatafeedHandler() override;

    bool startRequest(const QString &rid, const QVariantMap &request) override;
    bool stopRequest(const QString &rid) override;
    void clearAll() override;

    // reimplemented from IFieldQuoteListener
    void onData(IFieldQuoteSubscription *subscription,
                const QSet<FieldQuote::FieldQuoteFieldId> &changed) override;
    void onStatusChanged(IFieldQuoteSubscription *subscription, int status) override;

private:
    // Takes rid out of every map and destroys its adapter at once.
    void deleteRequester(const QString &rid);
    void respond(const QVariantMap &request, const QString &result, const QString &key,
                 const QVariant &payload);

    HostApi::IOutputChannel *m_log;
    QMap<QString, CompoundSubscriptionAdapter *> m_requesters;
    QHash<IFieldQuoteSubscription *, QString> m_subscriptions;
    QMap<QString, QVariantMap> m_subscriptionOptions;
};

#pragma once

#include "requesterdatafeedhandler.h"

#include <QPointer>

class ScriptFormatter;
namespace Common { class SymbolRecord; }
namespace FeedApi {
class SymbolResponse;
class SymbolUpdateResponse;
} // namespace FeedApi

// Serves "symbolinfo": an instrument's record as a map of symbol information (type, tick,
// root, ticker, expiration, term, "formatterId"). Each record is also registered with the
// datafeed's formatter, so the page can format its prices at once. A changed record answers
// "restart", then new data. Keys: "symbol" (required), "symbology" ("vmt", "cusip", "sedol",
// "isin", "vmt-extended"; default "vmt").
class SymbolDatafeedHandler : public RequesterDatafeedHandler
{
    Q_OBJECT

public:
    // The formatter is not owned.
    explicit SymbolDatafeedHandler(ScriptFormatter *formatter, QObject *parent = nullptr);

    bool startRequest(const QString &rid, const QVariantMap &request) override;

    // The symbol information of record; registers it with the formatter.
    QVariantMap symbolInformation(const Common::SymbolRecord &record);

private:
    void onSymbol(FeedApi::Requester *requester, const FeedApi::SymbolResponse &symbol);
    void onSymbolUpdate(FeedApi::Requester *requester, const FeedApi::SymbolUpdateResponse &);
    void onRerequest(FeedApi::Requester *requester, const FeedApi::RerequestResponse &);

    QPointer<ScriptFormatter> m_formatter;
};

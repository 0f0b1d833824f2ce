#pragma once

#include "symbollookupdatafeedhandler.h"

namespace FeedApi { class HistoryResponse; }
namespace HostApi { class IOutputChannel; }

// Serves "history": daily bars of one symbol over a range or for a number of bars, kept up to
// date when "realtime" is set. The request waits for the symbol's record (a newer request for
// the same symbol restarts the lookup), then asks for the series. Keys: "symbol" (required),
// "startDate", "endDate" (now when absent), "itemsCount" (1), "realtime" (false); at least one
// of "startDate" and "itemsCount".
class HistoricalBarsDatafeedHandler : public SymbolLookupDatafeedHandler
{
    Q_OBJECT

public:
    // The output log is not owned.
    explicit HistoricalBarsDatafeedHandler(HostApi::IOutputChannel *log, QObject *parent = nullptr);

    bool startRequest(const QString &rid, const QVariantMap &request) override;

protected:
    void startLookedUp(const QString &rid, const QVariantMap &request,
                       const QVariantMap &parameters,
                       const FeedApi::SymbolResponse &symbol) override;

private:
    void onHistory(FeedApi::Requester *requester, const FeedApi::HistoryResponse &history);
    void log(const QString &message) const;

    HostApi::IOutputChannel *m_log;
};

#pragma once

#include "backend.h"
#include "datetime.h"
#include "historyresponse.h"
#include "news/headlinefilterparameters.h"
#include "symbolrecord.h"
#include "timerange.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <functional>

namespace FeedApi {

class ChainRequest;
class ContentRequest;
class HistorySeriesRequest;
class VmtSymbolRequest;

namespace News {
class HeadlineRequest;
class StoryRequest;
}

namespace Quotes {
class QuoteSimulator;
}

namespace Market {

class MarketStore;

// The backend that answers the data library's requests from a market store. Every answer is
// posted after start() has returned, and nothing reaches a requester once it ended.
//
// Requests and answers:
// - VmtSymbolRequest/SymbolRequest: a SymbolResponse, then a SymbolUpdateResponse followed by
//   a SymbolResponse with the new record whenever the record changes (at a new day: a
//   contract expires, a front contract rolls);
// - ChainRequest: ChainResponses of at most ChainBatchSize members, in chain order (one empty
//   response for an empty chain);
// - HistorySeriesRequest (daily bars): one HistoryResponse with every bar, oldest first; a
//   realtime request then gets the current day's bar again each time the quote simulator
//   changes it;
// - News::HeadlineRequest: one HeadlineResponse (newest first, lastNews set); while the
//   interval's end lies ahead, each new matching headline of the news simulator follows;
// - News::StoryRequest: a StoryResponse in the stored format;
// - ContentRequest: request.makeResponse() over the bytes of <data folder>/content/<name>.
//
// Failures answer ErrorResponse with source "market":
// - ServiceUnavailable (5, service error): the store is not open;
// - UnknownSymbol (1, request error): no instrument by that symbol (symbol, chain, history);
// - InvalidRequest (2, request error): a request type the backend does not serve, an unknown
//   symbology, a resolution other than one day, an invalid chain date, a content name that is
//   empty, has a folder part or "..";
// - DataNotAvailable (4, request error): an unknown story id, a missing content file or one
//   larger than MaxContentSize;
// - InternalError (7, service error): a query of the store or the read of a content file
//   failed.
class FEEDAPI_EXPORT MarketBackend : public Backend
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    static constexpr int ChainBatchSize = 200;
    static constexpr double DefaultNewsPerMinute = 3;
    static constexpr qint64 MaxContentSize = 64 * 1024 * 1024;
    static constexpr int PollInterval = 1000;   // milliseconds
    static const char Source[];                 // "market"

    // Neither store nor simulator is owned; both may be null.
    explicit MarketBackend(MarketStore *store, Quotes::QuoteSimulator *simulator = nullptr,
                           QObject *parent = nullptr);
    ~MarketBackend() override;

    // The current UTC time; the system clock unless set.
    void setClock(Clock clock);
    QDateTime now() const;
    // New headlines per minute while the host runs; 0 stops the news simulator.
    void setNewsRate(double perMinute);
    double newsRate() const { return m_newsRate; }

    void start(Requester *requester) override;
    void end(Requester *requester) override;

public slots:
    // Reads the clock: at a new day the store is extended and running symbol requests whose
    // record changed are answered again; the headlines due are written and sent to the open
    // headline requests. A timer calls it every PollInterval; tests call it after moving the
    // clock.
    void poll();

private:
    struct SymbolWatch
    {
        QByteArray symbol;
        int symbology = 0;
        Common::SymbolRecord record;
    };

    struct BarWatch
    {
        QByteArray symbol;
        Common::DateTime to;
        bool acquired = false;
    };

    struct HeadlineWatch
    {
        News::HeadlineFilterParameters filter;
        TimeRange interval;
    };

    void serve(Requester *requester);
    void serveSymbol(Requester *requester, const VmtSymbolRequest &request);
    void serveChain(Requester *requester, const ChainRequest &request);
    void serveHistory(Requester *requester, const HistorySeriesRequest &request);
    void serveHeadlines(Requester *requester, const News::HeadlineRequest &request);
    void serveStory(Requester *requester, const News::StoryRequest &request);
    void serveContent(Requester *requester, const ContentRequest &request);
    void fail(Requester *requester, int error);
    bool queryFailed(Requester *requester);
    void checkSymbols();
    void writeNews(const QDateTime &now);
    void onDayBarChanged(const QByteArray &symbol, const FeedApi::Bar &bar);

    QPointer<MarketStore> m_store;
    QPointer<Quotes::QuoteSimulator> m_simulator;
    Clock m_clock;
    QTimer m_timer;
    double m_newsRate = DefaultNewsPerMinute;
    QDateTime m_nextNews;
    QDate m_day;
    QSet<Requester *> m_running;
    QHash<Requester *, SymbolWatch> m_symbols;
    QHash<Requester *, BarWatch> m_bars;
    QHash<Requester *, HeadlineWatch> m_headlines;
};

} // namespace Market
} // namespace FeedApi

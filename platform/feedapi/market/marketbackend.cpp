#include "marketbackend.h"

#include "chainrequest.h"
#include "chainresponse.h"
#include "contentrequest.h"
#include "errorresponse.h"
#include "headlinematcher.h"
#include "historyseriesrequest.h"
#include "marketlog.h"
#include "marketstore.h"
#include "news/headlinerequest.h"
#include "news/headlineresponse.h"
#include "news/storyrequest.h"
#include "news/storyresponse.h"
#include "newsgenerator.h"
#include "quotes/quotesimulator.h"
#include "requester.h"
#include "seededrandom.h"
#include "symbolresponse.h"
#include "symbolupdateresponse.h"
#include "vmtsymbolrequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace FeedApi {
namespace Market {

namespace {

// The most headlines written in one poll; after a longer pause the simulator starts afresh.
constexpr int MaxHeadlinesPerPoll = 20;
constexpr double MsecsPerMinute = 60000;

bool isPlainFileName(const QByteArray &name)
{
    return !name.isEmpty() && !name.contains('/') && !name.contains('\\') && !name.contains("..")
        && !name.contains('\0');
}

} // namespace

const char MarketBackend::Source[] = "market";

MarketBackend::MarketBackend(MarketStore *store, Quotes::QuoteSimulator *simulator,
                             QObject *parent)
    : Backend(parent)
    , m_store(store)
    , m_simulator(simulator)
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    if (m_simulator)
        connect(m_simulator, &Quotes::QuoteSimulator::dayBarChanged, this,
                &MarketBackend::onDayBarChanged);
    connect(&m_timer, &QTimer::timeout, this, &MarketBackend::poll);
    m_timer.start(PollInterval);
}

MarketBackend::~MarketBackend()
{
    const QList<Requester *> running = m_running.values();
    for (Requester *requester : running)
        end(requester);
}

void MarketBackend::setClock(Clock clock)
{
    m_clock = std::move(clock);
    m_nextNews = QDateTime();
}

QDateTime MarketBackend::now() const
{
    return m_clock().toUTC();
}

void MarketBackend::setNewsRate(double perMinute)
{
    m_newsRate = std::max(0.0, perMinute);
    m_nextNews = QDateTime();
}

void MarketBackend::start(Requester *requester)
{
    m_running.insert(requester);
    const QPointer<Requester> guard(requester);
    QMetaObject::invokeMethod(
        this,
        [this, guard]() {
            if (guard && m_running.contains(guard))
                serve(guard);
        },
        Qt::QueuedConnection);
}

void MarketBackend::end(Requester *requester)
{
    m_running.remove(requester);
    m_symbols.remove(requester);
    m_headlines.remove(requester);
    const BarWatch watch = m_bars.take(requester);
    if (watch.acquired && m_simulator)
        m_simulator->release(watch.symbol);
}

void MarketBackend::poll()
{
    if (!m_store || !m_store->isOpen())
        return;
    const QDateTime current = now();
    if (current.date() != m_day) {
        m_day = current.date();
        if (m_store->today() < m_day && !m_store->extendTo(current))
            qCWarning(lcMarket).noquote()
                << tr("The market store could not be extended to %1: %2")
                       .arg(m_day.toString(Qt::ISODate), m_store->queryError());
        checkSymbols();
    }
    writeNews(current);
}

void MarketBackend::serve(Requester *requester)
{
    if (!m_store || !m_store->isOpen()) {
        fail(requester, ErrorResponse::ServiceUnavailable);
    } else if (const auto *request = requester->requestAs<VmtSymbolRequest>()) {
        serveSymbol(requester, *request);
    } else if (const auto *request = requester->requestAs<ChainRequest>()) {
        serveChain(requester, *request);
    } else if (const auto *request = requester->requestAs<HistorySeriesRequest>()) {
        serveHistory(requester, *request);
    } else if (const auto *request = requester->requestAs<News::HeadlineRequest>()) {
        serveHeadlines(requester, *request);
    } else if (const auto *request = requester->requestAs<News::StoryRequest>()) {
        serveStory(requester, *request);
    } else if (const auto *request = requester->requestAs<ContentRequest>()) {
        serveContent(requester, *request);
    } else {
        fail(requester, ErrorResponse::InvalidRequest);
    }
}

void MarketBackend::serveSymbol(Requester *requester, const VmtSymbolRequest &request)
{
    if (request.symbology() < VmtSymbolRequest::Vmt || request.symbology() > VmtSymbolRequest::VmtExtended) {
        fail(requester, ErrorResponse::InvalidRequest);
        return;
    }
    const std::optional<Instrument> instrument = m_store->instrument(request.symbol(), request.symbology());
    if (queryFailed(requester))
        return;
    if (!instrument) {
        fail(requester, ErrorResponse::UnknownSymbol);
        return;
    }
    const Common::SymbolRecord record = instrument->toRecord();
    m_symbols.insert(requester, SymbolWatch{request.symbol(), request.symbology(), record});
    requester->post(std::make_shared<const SymbolResponse>(record));
}

void MarketBackend::serveChain(Requester *requester, const ChainRequest &request)
{
    const QByteArray symbol =
        request.underlying().value(Common::SymbolRecord::Symbol).toByteString();
    const Common::DateTime date = request.date();
    if (!date.isNull() && !date.toQDate().isValid()) {
        fail(requester, ErrorResponse::InvalidRequest);
        return;
    }
    const QList<QByteArray> members = m_store->chain(symbol, date.isNull() ? QDate() : date.toQDate(),
                                                     request.isOutright());
    if (queryFailed(requester))
        return;
    if (members.isEmpty() && !m_store->instrument(symbol, VmtSymbolRequest::Vmt)) {
        if (!queryFailed(requester))
            fail(requester, ErrorResponse::UnknownSymbol);
        return;
    }
    int from = 0;
    do {
        requester->post(std::make_shared<const ChainResponse>(members.mid(from, ChainBatchSize)));
        from += ChainBatchSize;
    } while (from < members.size());
}

void MarketBackend::serveHistory(Requester *requester, const HistorySeriesRequest &request)
{
    const QByteArray symbol = request.record().value(Common::SymbolRecord::Symbol).toByteString();
    if (!(request.spec().resolution == Resolution::daily(1))) {
        fail(requester, ErrorResponse::InvalidRequest);
        return;
    }
    const bool known = m_store->instrument(symbol, VmtSymbolRequest::Vmt).has_value();
    if (queryFailed(requester))
        return;
    if (!known) {
        fail(requester, ErrorResponse::UnknownSymbol);
        return;
    }
    const TimeRange range = request.range();
    const QVector<Bar> bars = request.itemsCount() > 0 && range.from.isNull()
        ? m_store->lastBars(symbol, range.to, request.itemsCount())
        : m_store->bars(symbol, range);
    if (queryFailed(requester))
        return;
    requester->post(std::make_shared<const HistoryResponse>(bars));
    if (request.isRealtime()) {
        const bool acquired = m_simulator && m_simulator->acquire(symbol);
        m_bars.insert(requester, BarWatch{symbol, range.to, acquired});
    }
}

void MarketBackend::serveHeadlines(Requester *requester, const News::HeadlineRequest &request)
{
    const TimeRange interval = request.interval();
    const QVector<News::Headline> headlines =
        m_store->headlines(request.filter(), interval, request.historyLimit());
    if (queryFailed(requester))
        return;
    requester->post(std::make_shared<const News::HeadlineResponse>(true, headlines));
    if (interval.to.isNull() || interval.to.toQDateTime() > now())
        m_headlines.insert(requester, HeadlineWatch{request.filter(), interval});
}

void MarketBackend::serveStory(Requester *requester, const News::StoryRequest &request)
{
    const std::optional<MarketStore::Story> story = m_store->story(request.storyId());
    if (queryFailed(requester))
        return;
    if (!story) {
        fail(requester, ErrorResponse::DataNotAvailable);
        return;
    }
    requester->post(std::make_shared<const News::StoryResponse>(story->content, story->format));
}

void MarketBackend::serveContent(Requester *requester, const ContentRequest &request)
{
    const QByteArray name = request.name();
    if (!isPlainFileName(name)) {
        qCWarning(lcMarket).noquote()
            << tr("Content name refused (not a plain file name): %1").arg(QString::fromUtf8(name));
        fail(requester, ErrorResponse::InvalidRequest);
        return;
    }
    const QString path = QDir(m_store->dataFolder()).filePath(QStringLiteral("content/")
                                                              + QString::fromUtf8(name));
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxContentSize) {
        fail(requester, ErrorResponse::DataNotAvailable);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcMarket).noquote()
            << tr("Cannot read the content file \"%1\": %2").arg(QDir::toNativeSeparators(path),
                                                                 file.errorString());
        fail(requester, ErrorResponse::InternalError);
        return;
    }
    requester->post(request.makeResponse(file.read(qMin(file.size(), MaxContentSize))));
}

void MarketBackend::fail(Requester *requester, int error)
{
    const bool ofService =
        error == ErrorResponse::ServiceUnavailable || error == ErrorResponse::InternalError;
    requester->post(std::make_shared<const ErrorResponse>(
        error, ofService ? ErrorResponse::ServiceError : ErrorResponse::RequestError,
        QString::fromLatin1(Source)));
}

bool MarketBackend::queryFailed(Requester *requester)
{
    if (m_store->queryError().isEmpty())
        return false;
    fail(requester, ErrorResponse::InternalError);
    return true;
}

void MarketBackend::checkSymbols()
{
    for (auto it = m_symbols.begin(); it != m_symbols.end(); ++it) {
        const std::optional<Instrument> instrument =
            m_store->instrument(it->symbol, it->symbology);
        if (!instrument)
            continue;
        const Common::SymbolRecord record = instrument->toRecord();
        if (record == it->record)
            continue;
        it->record = record;
        // The update says what the receiver holds is out of date; the new record follows.
        it.key()->post(std::make_shared<const SymbolUpdateResponse>(record));
        it.key()->post(std::make_shared<const SymbolResponse>(record));
    }
}

// Headlines come at the news rate, each interval drawn between half and one and a half times
// the mean from the seed and the time, so a run with the same clock writes the same news.
void MarketBackend::writeNews(const QDateTime &now)
{
    if (m_newsRate <= 0 || m_store->isReadOnly())
        return;
    const double mean = MsecsPerMinute / m_newsRate;
    const auto interval = [this, mean](const QDateTime &from) {
        SeededRandom random(SeededRandom::key(m_store->seed(), quint64(from.toMSecsSinceEpoch()), 4));
        return qint64(mean * (0.5 + random.uniform()));
    };
    if (!m_nextNews.isValid())
        m_nextNews = now.addMSecs(interval(now));
    const NewsGenerator news(m_store->seed());
    for (int written = 0; m_nextNews <= now && written < MaxHeadlinesPerPoll; ++written) {
        const NewsGenerator::Item item = news.live(m_nextNews);
        m_nextNews = m_nextNews.addMSecs(std::max<qint64>(1, interval(m_nextNews)));
        if (!m_store->addHeadline(item.headline, MarketStore::Story{item.story, item.format})) {
            qCWarning(lcMarket).noquote()
                << tr("A new headline could not be stored: %1").arg(m_store->queryError());
            continue;
        }
        for (auto it = m_headlines.cbegin(); it != m_headlines.cend(); ++it) {
            const Common::DateTime time = item.headline.time;
            const bool inside = !(time < it->interval.from)
                && (it->interval.to.isNull() || !(it->interval.to < time));
            if (inside && HeadlineMatcher(it->filter).matches(item.headline))
                it.key()->post(std::make_shared<const News::HeadlineResponse>(
                    false, QVector<News::Headline>{item.headline}));
        }
    }
    if (m_nextNews <= now)
        m_nextNews = now.addMSecs(interval(now));
}

void MarketBackend::onDayBarChanged(const QByteArray &symbol, const Bar &bar)
{
    for (auto it = m_bars.cbegin(); it != m_bars.cend(); ++it) {
        if (it->symbol == symbol && (it->to.isNull() || bar.time <= it->to.toInt64()))
            it.key()->post(std::make_shared<const HistoryResponse>(QVector<Bar>{bar}));
    }
}

} // namespace Market
} // namespace FeedApi

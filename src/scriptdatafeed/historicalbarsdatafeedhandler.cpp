#include "historicalbarsdatafeedhandler.h"

#include <common/pluginlogline.h>

#include <datetime.h>
#include <datetimealigner.h>
#include <historyresponse.h>
#include <historyseriesrequest.h>
#include <logservice.h>
#include <requester.h>
#include <rerequestresponse.h>

#include <QDateTime>

namespace {

const char SymbolKey[] = "symbol";
const char StartDateKey[] = "startDate";
const char EndDateKey[] = "endDate";
const char ItemsCountKey[] = "itemsCount";
const char RealtimeKey[] = "realtime";
const char StartParameter[] = "start";
const char EndParameter[] = "end";

// Asks the library not to leave out the day still trading.
constexpr int IncludeCurrentBarFlag = 4;

QVariant packed(const Common::DateTime &value)
{
    return QVariant::fromValue(value);
}

// The bar's day and time of day in UTC, without milliseconds.
QDateTime barTime(quint64 time)
{
    const Common::DateTime value = Common::DateTime::fromInt64(time);
    const QTime timeOfDay = value.toQTime();
    return QDateTime(value.toQDate(),
                     QTime(timeOfDay.hour(), timeOfDay.minute(), timeOfDay.second()), Qt::UTC);
}

} // namespace

HistoricalBarsDatafeedHandler::HistoricalBarsDatafeedHandler(HostApi::IOutputChannel *log,
                                                             QObject *parent)
    : SymbolLookupDatafeedHandler(QStringLiteral("history"), ErrorDetail::CodeOnly,
                                  LookupSharing::RestartRunning, parent)
    , m_log(log)
{
}

bool HistoricalBarsDatafeedHandler::startRequest(const QString &rid, const QVariantMap &request)
{
    HOSTAPI_ASSERT(!rid.isEmpty(), );
    const QByteArray symbol = request.value(QLatin1String(SymbolKey)).toString().trimmed().toUtf8();
    if (symbol.isEmpty()) {
        setLastError(QStringLiteral("'symbol' is empty"));
        return false;
    }
    // A value that is no date-time (null, a word) counts as absent.
    QDateTime endDate = request.value(QLatin1String(EndDateKey)).toDateTime();
    if (!endDate.isValid()) {
        log(QStringLiteral("'endDate' parameter is not specified. Requesting data from current date."));
        endDate = QDateTime::currentDateTimeUtc();
    }
    const bool hasStart = request.contains(QLatin1String(StartDateKey));
    const QDateTime startDate = hasStart ? request.value(QLatin1String(StartDateKey)).toDateTime()
                                         : QDateTime();
    const bool realtime = request.value(QLatin1String(RealtimeKey), false).toBool();
    if (!request.contains(QLatin1String(ItemsCountKey)) && !hasStart) {
        const QString missingRange = QStringLiteral(
            "neither 'startDate' nor 'itemsCount' parameter is specified. At least one of them "
            "must be set.");
        log(missingRange);
        setLastError(missingRange);
        return false;
    }
    const int itemsCount = request.value(QLatin1String(ItemsCountKey), 1).toInt();
    if (refuseDuplicateOrPending(rid))
        return false;
    addPending(symbol, rid, request,
               {{QLatin1String(StartParameter), packed(Common::DateTime::fromQDateTime(startDate))},
                {QLatin1String(EndParameter), packed(Common::DateTime::fromQDateTime(endDate))},
                {QLatin1String(ItemsCountKey), itemsCount},
                {QLatin1String(RealtimeKey), realtime}});
    return true;
}

void HistoricalBarsDatafeedHandler::startLookedUp(const QString &rid, const QVariantMap &request,
                                                  const QVariantMap &parameters,
                                                  const FeedApi::SymbolResponse &symbol)
{
    const FeedApi::Resolution resolution = FeedApi::Resolution::daily(1);
    const FeedApi::DateTimeAligner aligner(resolution, symbol.record());
    const auto start = parameters.value(QLatin1String(StartParameter)).value<Common::DateTime>();
    const auto end = parameters.value(QLatin1String(EndParameter)).value<Common::DateTime>();
    const FeedApi::TimeRange range{
        aligner.alignLeft(start),
        aligner.alignRight(Common::DateTime::fromQDateTime(end.toQDateTime().addSecs(1)))};
    const FeedApi::HistorySeriesRequest historyRequest(
        symbol.record(),
        FeedApi::HistorySeriesSpec(resolution, QByteArray(), FeedApi::Session(),
                                   FeedApi::ChartType(0), FeedApi::SettingsMap()),
        parameters.value(QLatin1String(RealtimeKey)).toBool(),
        parameters.value(QLatin1String(ItemsCountKey)).toInt(), range,
        {{IncludeCurrentBarFlag, true}});
    auto *requester = new FeedApi::Requester(historyRequest);
    requester->bind(this, &HistoricalBarsDatafeedHandler::onHistory);
    requester->bind(this, &HistoricalBarsDatafeedHandler::restartRequest);
    startRequester(rid, request, requester);
}

void HistoricalBarsDatafeedHandler::onHistory(FeedApi::Requester *requester,
                                              const FeedApi::HistoryResponse &history)
{
    QVariantList bars;
    bars.reserve(history.bars().size());
    for (const FeedApi::Bar &bar : history.bars()) {
        bars.append(QVariantMap{{QStringLiteral("time"), barTime(bar.time)},
                                {QStringLiteral("open"), bar.open},
                                {QStringLiteral("high"), bar.high},
                                {QStringLiteral("low"), bar.low},
                                {QStringLiteral("close"), bar.close},
                                {QStringLiteral("volume"), qulonglong(bar.volume)}});
    }
    respond(requester, QStringLiteral("ok"), {{QStringLiteral("bars"), bars}});
}

void HistoricalBarsDatafeedHandler::log(const QString &message) const
{
    pluginLogLine(m_log, QStringLiteral("historical bars datafeed"), message, QString());
}

#include "newsdatafeedhandler.h"

#include <logservice.h>
#include <news/headlinerequest.h>
#include <news/headlineresponse.h>
#include <requester.h>
#include <rerequestresponse.h>

#include <QDateTime>

namespace {

const char SymbolsKey[] = "symbols";
const char DaysBackKey[] = "daysBack";
const char HoursBackKey[] = "hoursBack";
const char HistoryLimitKey[] = "historyLimit";
const char RealtimeKey[] = "realtime";
const char ServiceKey[] = "service";
const char CategoriesKey[] = "categories";
const char KeywordsKey[] = "keywords";
const char KeywordsOrKey[] = "keywordsOr";
const char WholeWordKey[] = "wholeWord";
const char CaseSensitiveKey[] = "caseSensitive";

constexpr qint64 SecondsPerDay = 86400;
constexpr qint64 SecondsPerHour = 3600;
// Longer than the library's whole calendar: a look-back this long starts at its first day.
constexpr qint64 MaxLookBackSeconds = 10000 * 366 * SecondsPerDay;
// The end of the interval of a request that stays open for new headlines.
const Common::DateTime OpenEnd(20990101, 10101000);

QList<QByteArray> byteStrings(const QVariant &value)
{
    QList<QByteArray> list;
    for (const QString &text : value.toStringList())
        list.append(text.toUtf8());
    return list;
}

// A non-zero whole number, or 0.
qint64 nonZero(const QVariant &value)
{
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok ? number : 0;
}

// The look-back of count units of unitSeconds, kept within MaxLookBackSeconds either way so
// that no product or date-time arithmetic overflows.
qint64 lookBack(qint64 count, qint64 unitSeconds)
{
    const qint64 limit = MaxLookBackSeconds / unitSeconds;
    return qBound(-limit, count, limit) * unitSeconds;
}

QStringList blankSeparated(const QByteArray &field)
{
    return QString::fromUtf8(field).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

NewsDatafeedHandler::NewsDatafeedHandler(QObject *parent)
    : RequesterDatafeedHandler(QStringLiteral("news"), ErrorDetail::CodeAndMessage, parent)
{
}

bool NewsDatafeedHandler::startRequest(const QString &rid, const QVariantMap &request)
{
    HOSTAPI_ASSERT(!rid.isEmpty(), );
    FeedApi::News::HeadlineFilterParameters filter;
    filter.symbols = byteStrings(request.value(QLatin1String(SymbolsKey)));
    if (refuseDuplicate(rid))
        return false;

    qint64 period = SecondsPerDay;
    if (const qint64 days = nonZero(request.value(QLatin1String(DaysBackKey))))
        period = lookBack(days, SecondsPerDay);
    if (const qint64 hours = nonZero(request.value(QLatin1String(HoursBackKey))))
        period = lookBack(hours, SecondsPerHour);
    bool limitOk = false;
    const int historyLimit = request.value(QLatin1String(HistoryLimitKey)).toInt(&limitOk);
    const bool realtime = request.value(QLatin1String(RealtimeKey), false).toBool();

    filter.service = request.value(QLatin1String(ServiceKey)).toString().toUtf8();
    filter.categories = byteStrings(request.value(QLatin1String(CategoriesKey)));
    filter.keywords = byteStrings(request.value(QLatin1String(KeywordsKey)));
    filter.keywordsOr = request.value(QLatin1String(KeywordsOrKey), false).toBool();
    filter.wholeWord = request.value(QLatin1String(WholeWordKey), false).toBool();
    filter.caseSensitive = request.value(QLatin1String(CaseSensitiveKey), false).toBool();

    const QDateTime now = QDateTime::currentDateTimeUtc();
    const FeedApi::DateTimeInterval interval{
        Common::DateTime::fromQDateTime(now.addSecs(-period)),
        realtime ? OpenEnd : Common::DateTime::fromQDateTime(now)};
    auto *requester = new FeedApi::Requester(
        FeedApi::News::HeadlineRequest(filter, interval,
                                       limitOk && historyLimit > 0 ? unsigned(historyLimit) : 0));
    requester->bind(this, &NewsDatafeedHandler::onHeadlines);
    requester->bind(this, &NewsDatafeedHandler::restartRequest);
    startRequester(rid, request, requester);
    return true;
}

void NewsDatafeedHandler::onHeadlines(FeedApi::Requester *requester,
                                      const FeedApi::News::HeadlineResponse &news)
{
    QVariantList headlines;
    headlines.reserve(news.headlines().size());
    for (const FeedApi::News::Headline &headline : news.headlines()) {
        headlines.append(QVariantMap{
            {QStringLiteral("time"), headline.time.toQDateTime()},
            {QStringLiteral("text"), QString::fromUtf8(headline.text)},
            {QStringLiteral("symbols"), blankSeparated(headline.symbols)},
            {QStringLiteral("categories"), blankSeparated(headline.categories)},
            {QStringLiteral("source"), QString::fromUtf8(headline.source)},
            {QStringLiteral("storyID"), QString::fromUtf8(headline.storyId)}});
    }
    respond(requester, QStringLiteral("ok"),
            {{QStringLiteral("data"), QVariantMap{{QStringLiteral("lastNews"), news.isLastNews()},
                                                  {QStringLiteral("headlines"), headlines}}}});
}

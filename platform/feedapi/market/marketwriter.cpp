#include "marketwriter.h"

#include "barwalk.h"
#include "contractcalendar.h"
#include "derivedbars.h"
#include "instrumentcatalogue.h"
#include "marketstore.h"

#include <QSqlError>
#include <QVariant>

namespace FeedApi {
namespace Market {

namespace {

// Never a null string, which would be bound as NULL.
QString text(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QStringLiteral("") : QString::fromUtf8(bytes);
}

QString isoDay(const QDate &day)
{
    return day.toString(Qt::ISODate);
}

} // namespace

MarketWriter::MarketWriter(const QSqlDatabase &database)
    : m_database(database)
    , m_barInsert(database)
{
}

QDate MarketWriter::firstDay(const QDate &today)
{
    return QDate(today.year() - BarYears, 1, 1);
}

bool MarketWriter::fill(quint32 seed, const QDate &today)
{
    for (const QString &statement : MarketSchema::statements(MarketStore::SchemaVersion)) {
        if (!exec(statement))
            return false;
    }
    const QDate first = firstDay(today);
    if (!writeMeta(QStringLiteral("seed"), QString::number(seed))
        || !writeMeta(QStringLiteral("made-on"), isoDay(today))
        || !writeMeta(QStringLiteral("extended-on"), isoDay(today))
        || !writeMeta(QStringLiteral("first-day"), isoDay(first))
        || !writeMeta(QStringLiteral("news-until"),
                      QString::number(Common::DateTime::fromQDate(today).toInt64()))
        || !upsertListings(InstrumentCatalogue::listings(today)))
        return false;

    QSqlQuery query(m_database);
    if (!query.exec(QStringLiteral("SELECT %1 FROM instrument WHERE base_bars = 1 ORDER BY id")
                        .arg(MarketSchema::listingColumns())))
        return fail(query);
    QVector<QPair<qint64, Listing>> base;
    while (query.next()) {
        qint64 id = 0;
        const Listing listing = MarketSchema::readListing(query, 0, &id);
        base.append({id, listing});
    }
    const BarSpan span{seed, first, today};
    for (const auto &entry : base) {
        if (!completeBars(span, entry.first, entry.second))
            return false;
    }

    const NewsGenerator news(seed);
    for (QDate day = today.addDays(-NewsDays); day < today; day = day.addDays(1)) {
        if (!insertNews(news.day(day), false))
            return false;
    }
    return true;
}

bool MarketWriter::extend(const MarketSchema::Meta &meta, const QDateTime &now)
{
    const QDate today = now.toUTC().date();
    if (meta.extendedOn < today) {
        if (!upsertListings(InstrumentCatalogue::listings(today)) || !markExpired(today)
            || !extendBars({meta.seed, meta.firstDay, today})
            || !writeMeta(QStringLiteral("extended-on"), isoDay(today)))
            return false;
    }
    const qint64 until = qint64(Common::DateTime::fromQDateTime(now).toInt64());
    if (meta.newsUntil >= until)
        return true;
    return insertNewsBetween(meta.seed, meta.newsUntil, until)
        && writeMeta(QStringLiteral("news-until"), QString::number(until));
}

bool MarketWriter::insertBars(qint64 instrument, const QVector<Bar> &bars)
{
    if (m_barInsert.lastQuery().isEmpty()
        && !m_barInsert.prepare(QStringLiteral("INSERT INTO bar VALUES (?, ?, ?, ?, ?, ?, ?)")))
        return fail(m_barInsert);
    for (const Bar &bar : bars) {
        m_barInsert.bindValue(0, instrument);
        m_barInsert.bindValue(1, int(bar.time / Common::DateTime::DateFactor));
        m_barInsert.bindValue(2, bar.open);
        m_barInsert.bindValue(3, bar.high);
        m_barInsert.bindValue(4, bar.low);
        m_barInsert.bindValue(5, bar.close);
        m_barInsert.bindValue(6, qint64(bar.volume));
        if (!exec(m_barInsert))
            return false;
    }
    return true;
}

bool MarketWriter::completeBars(const BarSpan &span, qint64 id, const Listing &listing)
{
    QSqlQuery last(m_database);
    if (!last.prepare(QStringLiteral("SELECT day, close FROM bar WHERE instrument = ? "
                                     "ORDER BY day DESC LIMIT 1")))
        return fail(last);
    last.addBindValue(id);
    if (!exec(last))
        return false;
    QDate from = span.first;
    double previousClose = listing.price;
    if (last.next()) {
        from = ContractCalendar::fromDayNumber(last.value(0).toInt()).addDays(1);
        previousClose = last.value(1).toDouble();
    }
    last.finish();
    if (from > span.last)
        return true;
    const QList<QByteArray> sources = DerivedBars::sources(listing);
    if (sources.isEmpty())
        return insertBars(id, BarWalk(span.seed, listing).bars(from, span.last, previousClose));
    QVector<QVector<Bar>> inputs;
    for (const QByteArray &source : sources) {
        inputs.append(QVector<Bar>());
        if (!sourceBars(span, source, ContractCalendar::dayNumber(from), &inputs.last()))
            return false;
    }
    return insertBars(id, DerivedBars(span.seed, listing).bars(inputs));
}

bool MarketWriter::insertNews(const QVector<NewsGenerator::Item> &items, bool skipExisting)
{
    const QString verb = skipExisting ? QStringLiteral("INSERT OR IGNORE") : QStringLiteral("INSERT");
    QSqlQuery headline(m_database);
    QSqlQuery story(m_database);
    if (!headline.prepare(verb + QStringLiteral(" INTO headline (time, text, symbols, categories, "
                                                "source, story_id) VALUES (?, ?, ?, ?, ?, ?)")))
        return fail(headline);
    if (!story.prepare(verb + QStringLiteral(" INTO story VALUES (?, ?, ?)")))
        return fail(story);
    for (const NewsGenerator::Item &item : items) {
        const News::Headline &h = item.headline;
        headline.bindValue(0, qint64(h.time.toInt64()));
        headline.bindValue(1, text(h.text));
        headline.bindValue(2, text(h.symbols));
        headline.bindValue(3, text(h.categories));
        headline.bindValue(4, text(h.source));
        headline.bindValue(5, text(h.storyId));
        if (!exec(headline))
            return false;
        if (headline.numRowsAffected() == 0)
            continue;
        story.bindValue(0, text(h.storyId));
        story.bindValue(1, item.format);
        story.bindValue(2, item.story.isNull() ? QByteArray("") : item.story);
        if (!exec(story))
            return false;
    }
    return true;
}

bool MarketWriter::writeMeta(const QString &key, const QString &value)
{
    QSqlQuery query(m_database);
    if (!query.prepare(QStringLiteral("INSERT OR REPLACE INTO meta VALUES (?, ?)")))
        return fail(query);
    query.bindValue(0, key);
    query.bindValue(1, value);
    return exec(query);
}

bool MarketWriter::exec(QSqlQuery &query)
{
    return query.exec() || fail(query);
}

bool MarketWriter::fail(const QSqlQuery &query)
{
    m_errorString = query.lastError().text();
    return false;
}

bool MarketWriter::exec(const QString &statement)
{
    QSqlQuery query(m_database);
    return query.exec(statement) || fail(query);
}

bool MarketWriter::upsertListings(const QVector<Listing> &listings)
{
    QSqlQuery query(m_database);
    if (!query.prepare(MarketSchema::upsertListingStatement()))
        return fail(query);
    for (const Listing &listing : listings) {
        MarketSchema::bindListing(query, listing);
        if (!exec(query))
            return false;
    }
    return true;
}

// Options and spreads of an expired contract leave the listings; their flags follow here.
bool MarketWriter::markExpired(const QDate &today)
{
    QSqlQuery query(m_database);
    if (!query.prepare(QStringLiteral("UPDATE instrument SET expired = 1 "
                                      "WHERE expired = 0 AND expires <> 0 AND expires < ?")))
        return fail(query);
    query.addBindValue(ContractCalendar::dayNumber(today));
    return exec(query);
}

// Every instrument with bars gets the trading days after its last bar up to today, so bars
// made on first request and imported ones go on as well.
bool MarketWriter::extendBars(const BarSpan &span)
{
    QSqlQuery query(m_database);
    if (!query.prepare(QStringLiteral("SELECT %1 FROM instrument WHERE id IN (SELECT instrument "
                                      "FROM bar GROUP BY instrument HAVING MAX(day) < ?) ORDER BY id")
                           .arg(MarketSchema::listingColumns())))
        return fail(query);
    query.addBindValue(ContractCalendar::dayNumber(span.last));
    if (!exec(query))
        return false;
    QVector<QPair<qint64, Listing>> listings;
    while (query.next()) {
        qint64 id = 0;
        const Listing listing = MarketSchema::readListing(query, 0, &id);
        listings.append({id, listing});
    }
    query.finish();
    for (const auto &entry : listings) {
        if (!completeBars(span, entry.first, entry.second))
            return false;
    }
    return true;
}

bool MarketWriter::sourceBars(const BarSpan &span, const QByteArray &symbol, int first,
                              QVector<Bar> *bars)
{
    QSqlQuery query(m_database);
    if (!query.prepare(QStringLiteral("SELECT %1 FROM instrument WHERE symbol = ?")
                           .arg(MarketSchema::listingColumns())))
        return fail(query);
    query.addBindValue(text(symbol));
    if (!exec(query))
        return false;
    if (!query.next()) {
        m_errorString = MarketStore::tr("no instrument \"%1\" to price from")
                            .arg(QString::fromUtf8(symbol));
        return false;
    }
    qint64 id = 0;
    const Listing listing = MarketSchema::readListing(query, 0, &id);
    query.finish();
    if (!completeBars(span, id, listing))
        return false;
    if (!query.prepare(QStringLiteral("SELECT %1 FROM bar WHERE instrument = ? AND day >= ? "
                                      "AND day <= ? ORDER BY day")
                           .arg(MarketSchema::barColumns())))
        return fail(query);
    query.addBindValue(id);
    query.addBindValue(first);
    query.addBindValue(ContractCalendar::dayNumber(span.last));
    if (!exec(query))
        return false;
    while (query.next())
        bars->append(MarketSchema::readBar(query));
    return true;
}

bool MarketWriter::insertNewsBetween(quint32 seed, qint64 after, qint64 until)
{
    const QDate last = Common::DateTime::fromInt64(quint64(until)).toQDate();
    const QDate first = std::max(Common::DateTime::fromInt64(quint64(after)).toQDate(),
                                 last.addDays(-NewsDays));
    const NewsGenerator news(seed);
    QVector<NewsGenerator::Item> items;
    for (QDate day = first; day.isValid() && day <= last; day = day.addDays(1)) {
        for (const NewsGenerator::Item &item : news.day(day)) {
            const qint64 time = qint64(item.headline.time.toInt64());
            if (time > after && time <= until)
                items.append(item);
        }
    }
    return insertNews(items, true);
}

} // namespace Market
} // namespace FeedApi

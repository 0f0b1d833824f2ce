#include "marketschema.h"

#include "datetime.h"

#include <QHash>
#include <QVariant>

namespace FeedApi {
namespace Market {

namespace {

// The instrument columns after id, in the order of bindListing and readListing.
const char *const Columns[] = {
    "symbol", "alternate", "root", "legs", "type", "subtype", "description", "exchange",
    "currency", "mintick", "isin", "cusip", "sedol", "exp_year", "exp_month", "exp_day",
    "expired", "term_period", "term_type", "spread_chain", "chain", "expires", "strike",
    "option_right", "region", "price", "volume", "base_bars",
};

// Never a null string, which would be bound as NULL.
QString text(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QStringLiteral("") : QString::fromUtf8(bytes);
}

QByteArray bytesAt(const QSqlQuery &query, int column)
{
    return query.value(column).toString().toUtf8();
}

QDate dayOf(const QString &text)
{
    return QDate::fromString(text, Qt::ISODate);
}

} // namespace

QStringList MarketSchema::statements(int version)
{
    return {
        QStringLiteral("CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID"),
        QStringLiteral(
            "CREATE TABLE instrument (id INTEGER PRIMARY KEY, symbol TEXT NOT NULL UNIQUE, "
            "alternate TEXT NOT NULL, root TEXT NOT NULL, legs TEXT NOT NULL, "
            "type INTEGER NOT NULL, subtype INTEGER NOT NULL, description TEXT NOT NULL, "
            "exchange TEXT NOT NULL, currency TEXT NOT NULL, mintick REAL NOT NULL, "
            "isin TEXT NOT NULL, cusip TEXT NOT NULL, sedol TEXT NOT NULL, "
            "exp_year INTEGER NOT NULL, exp_month INTEGER NOT NULL, exp_day INTEGER NOT NULL, "
            "expired INTEGER NOT NULL, term_period INTEGER NOT NULL, term_type INTEGER NOT NULL, "
            "spread_chain INTEGER NOT NULL, chain TEXT NOT NULL, expires INTEGER NOT NULL, "
            "strike REAL NOT NULL, option_right INTEGER NOT NULL, region TEXT NOT NULL, "
            "price REAL NOT NULL, volume INTEGER NOT NULL, base_bars INTEGER NOT NULL)"),
        QStringLiteral("CREATE INDEX instrument_alternate ON instrument (alternate)"),
        QStringLiteral("CREATE INDEX instrument_isin ON instrument (isin)"),
        QStringLiteral("CREATE INDEX instrument_cusip ON instrument (cusip)"),
        QStringLiteral("CREATE INDEX instrument_sedol ON instrument (sedol)"),
        QStringLiteral("CREATE INDEX instrument_chain ON instrument (chain, expires)"),
        QStringLiteral(
            "CREATE TABLE bar (instrument INTEGER NOT NULL, day INTEGER NOT NULL, "
            "open REAL NOT NULL, high REAL NOT NULL, low REAL NOT NULL, close REAL NOT NULL, "
            "volume INTEGER NOT NULL, PRIMARY KEY (instrument, day)) WITHOUT ROWID"),
        QStringLiteral(
            "CREATE TABLE headline (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, "
            "text TEXT NOT NULL, symbols TEXT NOT NULL, categories TEXT NOT NULL, "
            "source TEXT NOT NULL, story_id TEXT NOT NULL UNIQUE)"),
        QStringLiteral("CREATE INDEX headline_time ON headline (time)"),
        QStringLiteral(
            "CREATE TABLE story (story_id TEXT PRIMARY KEY, format INTEGER NOT NULL, "
            "content BLOB NOT NULL) WITHOUT ROWID"),
        QStringLiteral("PRAGMA user_version = %1").arg(version),
    };
}

std::optional<MarketSchema::Meta> MarketSchema::readMeta(const QSqlDatabase &database)
{
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("SELECT key, value FROM meta")))
        return std::nullopt;
    QHash<QString, QString> values;
    while (query.next())
        values.insert(query.value(0).toString(), query.value(1).toString());
    Meta meta;
    bool seedOk = false;
    bool newsOk = false;
    meta.seed = values.value(QStringLiteral("seed")).toUInt(&seedOk);
    meta.madeOn = dayOf(values.value(QStringLiteral("made-on")));
    meta.extendedOn = dayOf(values.value(QStringLiteral("extended-on")));
    meta.firstDay = dayOf(values.value(QStringLiteral("first-day")));
    meta.newsUntil = values.value(QStringLiteral("news-until")).toLongLong(&newsOk);
    if (!seedOk || !newsOk || !meta.madeOn.isValid() || !meta.extendedOn.isValid()
        || !meta.firstDay.isValid())
        return std::nullopt;
    return meta;
}

QString MarketSchema::listingColumns()
{
    QStringList names{QStringLiteral("id")};
    for (const char *column : Columns)
        names.append(QString::fromLatin1(column));
    return names.join(QStringLiteral(", "));
}

Listing MarketSchema::readListing(const QSqlQuery &query, int first, qint64 *id)
{
    Listing listing;
    Instrument &i = listing.instrument;
    int c = first;
    *id = query.value(c++).toLongLong();
    i.symbol = bytesAt(query, c++);
    i.alternateSymbol = bytesAt(query, c++);
    i.root = bytesAt(query, c++);
    i.legs = bytesAt(query, c++);
    i.type = query.value(c++).toInt();
    i.subType = query.value(c++).toInt();
    i.description = query.value(c++).toString();
    i.exchange = bytesAt(query, c++);
    i.currency = bytesAt(query, c++);
    i.minTick = query.value(c++).toDouble();
    i.isin = bytesAt(query, c++);
    i.cusip = bytesAt(query, c++);
    i.sedol = bytesAt(query, c++);
    i.expirationYear = query.value(c++).toInt();
    i.expirationMonth = query.value(c++).toInt();
    i.expirationDay = query.value(c++).toInt();
    i.expired = query.value(c++).toBool();
    i.termPeriod = query.value(c++).toInt();
    i.termType = query.value(c++).toInt();
    i.spreadChainAllowed = query.value(c++).toBool();
    listing.chain = bytesAt(query, c++);
    listing.expires = query.value(c++).toInt();
    listing.strike = query.value(c++).toDouble();
    listing.right = query.value(c++).toInt();
    listing.region = bytesAt(query, c++);
    listing.price = query.value(c++).toDouble();
    listing.volume = query.value(c++).toULongLong();
    listing.baseBars = query.value(c++).toBool();
    return listing;
}

QString MarketSchema::upsertListingStatement()
{
    QStringList names;
    QStringList marks;
    QStringList updates;
    for (const char *column : Columns) {
        const QString name = QString::fromLatin1(column);
        names.append(name);
        marks.append(QStringLiteral("?"));
        if (name != QLatin1String("symbol"))
            updates.append(QStringLiteral("%1 = excluded.%1").arg(name));
    }
    return QStringLiteral("INSERT INTO instrument (%1) VALUES (%2) ON CONFLICT (symbol) DO UPDATE SET %3")
        .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")),
             updates.join(QStringLiteral(", ")));
}

void MarketSchema::bindListing(QSqlQuery &query, const Listing &listing)
{
    const Instrument &i = listing.instrument;
    const QVariantList values{
        text(i.symbol), text(i.alternateSymbol), text(i.root), text(i.legs), i.type, i.subType,
        i.description, text(i.exchange), text(i.currency), i.minTick, text(i.isin),
        text(i.cusip), text(i.sedol), i.expirationYear, i.expirationMonth, i.expirationDay,
        i.expired, i.termPeriod, i.termType, i.spreadChainAllowed, text(listing.chain),
        listing.expires, listing.strike, listing.right, text(listing.region), listing.price,
        qint64(listing.volume), listing.baseBars,
    };
    for (int index = 0; index < values.size(); ++index)
        query.bindValue(index, values.at(index));
}

QString MarketSchema::barColumns()
{
    return QStringLiteral("day, open, high, low, close, volume");
}

Bar MarketSchema::readBar(const QSqlQuery &query)
{
    Bar bar;
    bar.time = quint64(query.value(0).toLongLong()) * Common::DateTime::DateFactor;
    bar.open = query.value(1).toDouble();
    bar.high = query.value(2).toDouble();
    bar.low = query.value(3).toDouble();
    bar.close = query.value(4).toDouble();
    bar.volume = quint64(query.value(5).toLongLong());
    return bar;
}

} // namespace Market
} // namespace FeedApi

#pragma once

#include "historyresponse.h"
#include "listing.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <optional>

namespace FeedApi {
namespace Market {

// The store's tables, and how a listing and the meta data map to their rows.
//   meta(key, value): "seed", "made-on", "extended-on", "first-day" (ISO days) and
//     "news-until" (date-time as YYYYMMDD * 10^9 + HHMMSSmmm);
//   instrument: one row per listing, id INTEGER PRIMARY KEY, symbol UNIQUE;
//   bar(instrument, day YYYYMMDD, open, high, low, close, volume), WITHOUT ROWID;
//   headline(id, time, text, symbols, categories, source, story_id UNIQUE);
//   story(story_id, format, content BLOB), WITHOUT ROWID.
// PRAGMA user_version holds the schema version.
class MarketSchema
{
public:
    struct Meta
    {
        quint32 seed = 0;
        QDate madeOn;
        QDate extendedOn;
        QDate firstDay;
        qint64 newsUntil = 0;
    };

    // The statements that make the tables of an empty store and set its version.
    static QStringList statements(int version);
    // The meta data; none when a key is missing or unreadable.
    static std::optional<Meta> readMeta(const QSqlDatabase &database);

    // The instrument columns that readListing reads, in order, id first.
    static QString listingColumns();
    // The listing in the row of query, from its column first on; id receives the row id.
    static Listing readListing(const QSqlQuery &query, int first, qint64 *id);
    // An insert of a listing that updates the row of the same symbol instead; bind with
    // bindListing.
    static QString upsertListingStatement();
    static void bindListing(QSqlQuery &query, const Listing &listing);

    // The bar columns that readBar reads, in order, the day first.
    static QString barColumns();
    static Bar readBar(const QSqlQuery &query);
};

} // namespace Market
} // namespace FeedApi

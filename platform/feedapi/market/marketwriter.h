#pragma once

#include "historyresponse.h"
#include "marketschema.h"
#include "newsgenerator.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVector>

namespace FeedApi {
namespace Market {

// Writes the store's rows: a new store's whole content, the extension of an older one, and
// single bars and headlines. The caller holds the transaction; a false result leaves
// errorString() and means the transaction must be rolled back.
class MarketWriter
{
public:
    static constexpr int BarYears = 10;
    static constexpr int NewsDays = 60;

    explicit MarketWriter(const QSqlDatabase &database);

    QString errorString() const { return m_errorString; }

    // The first day of the bars of a store made on today: 1 January, ten years back.
    static QDate firstDay(const QDate &today);

    // Tables, meta data, listings, base bars and the news of the 60 days before today.
    bool fill(quint32 seed, const QDate &today);
    // Listings and bars up to now's day (from meta.extendedOn on), news after meta.newsUntil
    // up to now, and the meta data that records it.
    bool extend(const MarketSchema::Meta &meta, const QDateTime &now);

    bool insertBars(qint64 instrument, const QVector<Bar> &bars);
    // Headlines with their stories; existing story ids are skipped when skipExisting.
    bool insertNews(const QVector<NewsGenerator::Item> &items, bool skipExisting);
    bool writeMeta(const QString &key, const QString &value);

private:
    bool exec(QSqlQuery &query);
    bool exec(const QString &statement);
    bool fail(const QSqlQuery &query);
    bool upsertListings(const QVector<Listing> &listings);
    bool markExpired(const QDate &today);
    bool extendBars(quint32 seed, const QDate &today);
    bool insertNewsBetween(quint32 seed, qint64 after, qint64 until);

    QSqlDatabase m_database;
    QSqlQuery m_barInsert;
    QString m_errorString;
};

} // namespace Market
} // namespace FeedApi

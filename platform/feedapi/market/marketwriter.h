#pragma once

#include "historyresponse.h"
#include "marketschema.h"
#include "newsgenerator.h"

#include <QDate>
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

    // The days a store's bars cover and the seed they are made from.
    struct BarSpan
    {
        quint32 seed = 0;
        QDate first;
        QDate last;
    };

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
    // Stores the bars of the instrument id, listing, for the trading days of span after its
    // last bar (all of them when it has none); an instrument priced from others gets those
    // of its sources first.
    bool completeBars(const BarSpan &span, qint64 id, const Listing &listing);
    // Headlines with their stories; existing story ids are skipped when skipExisting.
    bool insertNews(const QVector<NewsGenerator::Item> &items, bool skipExisting);
    bool writeMeta(const QString &key, const QString &value);

private:
    bool exec(QSqlQuery &query);
    bool exec(const QString &statement);
    bool fail(const QSqlQuery &query);
    bool upsertListings(const QVector<Listing> &listings);
    bool markExpired(const QDate &today);
    bool extendBars(const BarSpan &span);
    // The bars of symbol's instrument from day first on, after completing them.
    bool sourceBars(const BarSpan &span, const QByteArray &symbol, int first, QVector<Bar> *bars);
    bool insertNewsBetween(quint32 seed, qint64 after, qint64 until);

    QSqlDatabase m_database;
    QSqlQuery m_barInsert;
    QString m_errorString;
};

} // namespace Market
} // namespace FeedApi

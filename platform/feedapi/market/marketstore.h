#pragma once

#include "feedapi_global.h"
#include "historyresponse.h"
#include "instrument.h"
#include "listing.h"
#include "news/headlinefilterparameters.h"
#include "news/headlineresponse.h"
#include "timerange.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <optional>

class QFileInfo;
class QSqlQuery;

namespace FeedApi {
namespace Market {

// The embedded market store: one SQLite file, "market.sqlite" in the data folder, holding
// instruments, chains, daily bars, news headlines and stories. A missing store is made from a
// seed (the same seed and day give the same rows) under a temporary name and renamed into
// place, so another process never sees it half made. A store that cannot be opened or has
// another schema version is renamed aside ("market.sqlite.broken-<time>") and made anew. A
// store made before today is extended forward on open (bars, contracts, news). Queries run
// on the thread that opened the store. Bars of instruments other than stocks, indices, forex,
// bonds, funds and continuous futures are priced from those of other instruments on the same
// day (DerivedBars), made on their first request and kept. A failed query is logged under
// "feedapi.market" and leaves queryError().
class FEEDAPI_EXPORT MarketStore : public QObject
{
    Q_OBJECT

public:
    static constexpr int SchemaVersion = 1;
    static constexpr quint32 DefaultSeed = 20260101;
    static const char FileName[];   // "market.sqlite"

    struct Counts
    {
        qint64 instruments = 0;
        qint64 chainMembers = 0;
        qint64 bars = 0;
        qint64 headlines = 0;
        QDate firstBar;
        QDate lastBar;
        QDate madeOn;
        quint32 seed = 0;
    };

    struct Story
    {
        QByteArray content;
        int format = 0;   // News::StoryFormat
    };

    explicit MarketStore(QObject *parent = nullptr);
    ~MarketStore() override;

    // Opens dataFolder/market.sqlite, making it from seed when missing or broken, and extends
    // it to now (null: the current UTC time); false with errorString() when neither works (a
    // read-only folder, say). A store in a folder this process cannot write is opened
    // read-only and not extended. An existing store keeps its own seed.
    bool open(const QString &dataFolder, quint32 seed = DefaultSeed,
              const QDateTime &now = QDateTime());
    void close();
    // Extends the store to now's day: new contracts and options, expired flags and front
    // contracts, bars up to that day; news up to now. Nothing to do is success.
    bool extendTo(const QDateTime &now);
    // Makes a new store file from seed as of today, built under a temporary name in the same
    // folder and put in place only while fileName does not exist; false with error when it
    // cannot (fileName existing included).
    static bool create(const QString &fileName, quint32 seed, const QDate &today, QString *error);
    bool isOpen() const;
    bool isReadOnly() const { return m_readOnly; }
    QString fileName() const;
    QString dataFolder() const;
    QString errorString() const;
    // The error of the last failed query; empty when the last query succeeded.
    QString queryError() const { return m_queryError; }
    // The day the store reaches (its bars end there) and its seed.
    QDate today() const { return m_today; }
    quint32 seed() const { return m_seed; }

    // The instrument named by symbol in a symbology (VmtSymbolRequest::Symbology); the
    // library's grammar also matches the alternate symbol text for VmtExtended.
    std::optional<Instrument> instrument(const QByteArray &symbol, int symbology) const;
    // Instruments whose symbol matches a wildcard pattern ('*' and '?', no case), by symbol.
    QVector<Instrument> instruments(const QString &pattern = QStringLiteral("*")) const;
    // Members of the chain of an underlying not expired on a day (null: today), in chain
    // order: for a continuous symbol, a historical contract or a futures root text the root's
    // contracts and spreads (spreads left out when outrightOnly); for a stock or a futures
    // contract its options.
    QList<QByteArray> chain(const QByteArray &underlying, const QDate &day, bool outrightOnly) const;

    // Daily bars of symbol inside range (a null end is open), oldest first.
    QVector<Bar> bars(const QByteArray &symbol, const TimeRange &range) const;
    // The last count daily bars of symbol up to and including the day of to (null: the
    // last), oldest first.
    QVector<Bar> lastBars(const QByteArray &symbol, const Common::DateTime &to, int count) const;
    // Replaces every bar of symbol (tessel market import-bars); false with error, and nothing
    // written, when it cannot.
    bool replaceBars(const QByteArray &symbol, const QVector<Bar> &bars, QString *error);

    // Headlines matching filter inside interval, newest first, at most limit (0: all).
    QVector<News::Headline> headlines(const News::HeadlineFilterParameters &filter,
                                      const TimeRange &interval, unsigned limit) const;
    std::optional<Story> story(const QByteArray &storyId) const;
    // Stores a new headline with its story (the live news of a running host).
    bool addHeadline(const News::Headline &headline, const Story &story);

    Counts counts() const;

private:
    enum class OpenResult { Opened, Broken, Failed };

    QSqlDatabase database() const;
    OpenResult openFile(QString *reason);
    bool setAside(const QFileInfo &checked, const QString &reason);
    std::optional<Listing> findListing(const QByteArray &symbol, int symbology, qint64 *id) const;
    // The bars of symbol from day firstDay to lastDay (YYYYMMDD), only the last lastCount
    // of them when it is positive.
    QVector<Bar> barsBetween(const QByteArray &symbol, int firstDay, int lastDay,
                             int lastCount) const;
    bool ensureBars(qint64 id, const Listing &listing) const;
    QVector<Bar> madeBars(const Listing &listing) const;
    bool beginWrite() const;
    bool endWrite(bool ok) const;
    bool failed(const QSqlQuery &query) const;

    QString m_connectionName;
    QString m_fileName;
    QString m_errorString;
    mutable QString m_queryError;
    QDate m_today;
    QDate m_firstDay;
    quint32 m_seed = 0;
    bool m_readOnly = false;
};

} // namespace Market
} // namespace FeedApi

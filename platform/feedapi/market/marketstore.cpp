#include "marketstore.h"

#include "barwalk.h"
#include "contractcalendar.h"
#include "derivedbars.h"
#include "headlinematcher.h"
#include "instrumentcatalogue.h"
#include "marketlog.h"
#include "marketschema.h"
#include "marketwriter.h"
#include "vmtsymbolrequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <unistd.h>

namespace FeedApi {
namespace Market {

namespace {

constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;
constexpr int OpenAttempts = 3;

QString connectOptions(bool readOnly)
{
    const QString busy = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    return readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;") + busy : busy;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString uniqueConnectionName(const char *purpose)
{
    return QStringLiteral("feedapi.market.%1.%2")
        .arg(QLatin1String(purpose), QUuid::createUuid().toString(QUuid::WithoutBraces));
}

QByteArray normalized(const QByteArray &symbol)
{
    return symbol.trimmed().toUpper();
}

// The first day whose bar (stamped 00:00:00.000) lies at or after from.
int firstDayNumber(const Common::DateTime &from)
{
    if (from.isNull())
        return 0;
    const QDate day = from.toQDate();
    return from.time() > 0 && day.isValid() ? ContractCalendar::dayNumber(day.addDays(1))
                                            : int(from.date());
}

QString likePattern(const QString &wildcard)
{
    QString pattern;
    for (const QChar c : wildcard) {
        if (c == QLatin1Char('*')) {
            pattern += QLatin1Char('%');
        } else if (c == QLatin1Char('?')) {
            pattern += QLatin1Char('_');
        } else {
            if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
                pattern += QLatin1Char('\\');
            pattern += c;
        }
    }
    return pattern;
}

int dayOf(const Bar &bar)
{
    return int(bar.time / Common::DateTime::DateFactor);
}

// What is wrong with bars to be stored; empty when nothing is.
QString badBars(const QVector<Bar> &bars)
{
    if (bars.isEmpty())
        return MarketStore::tr("there are no bars");
    int previous = 0;
    for (int i = 0; i < bars.size(); ++i) {
        const Bar &bar = bars.at(i);
        const Common::DateTime time = Common::DateTime::fromInt64(bar.time);
        const QString where = MarketStore::tr("bar %1").arg(i + 1);
        if (!time.toQDate().isValid() || time.time() != 0)
            return MarketStore::tr("%1: the time is not a day at 00:00").arg(where);
        if (dayOf(bar) <= previous)
            return MarketStore::tr("%1: the days are not in ascending order").arg(where);
        if (!(bar.low > 0 && bar.low <= std::min(bar.open, bar.close)
              && std::max(bar.open, bar.close) <= bar.high))
            return MarketStore::tr("%1: low, open, close and high are out of order").arg(where);
        previous = dayOf(bar);
    }
    return QString();
}

// Puts from under the name to unless that name is taken, atomically: a hard link cannot
// replace a file another process put there meanwhile.
bool moveIntoPlace(const QString &from, const QString &to, QString *error)
{
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
        QFile::remove(from);
        return true;
    }
    const int linkError = errno;
    QFile::remove(from);
    *error = linkError == EEXIST
        ? MarketStore::tr("\"%1\" already exists").arg(native(to))
        : MarketStore::tr("cannot put \"%1\" in place: %2")
              .arg(native(to), QString::fromLocal8Bit(strerror(linkError)));
    return false;
}

} // namespace

const char MarketStore::FileName[] = "market.sqlite";

MarketStore::MarketStore(QObject *parent)
    : QObject(parent)
    , m_connectionName(uniqueConnectionName("store"))
{
}

MarketStore::~MarketStore()
{
    close();
}

bool MarketStore::open(const QString &dataFolder, quint32 seed, const QDateTime &now)
{
    close();
    m_errorString.clear();
    const QDateTime at = now.isValid() ? now.toUTC() : QDateTime::currentDateTimeUtc();
    if (!QDir().mkpath(dataFolder)) {
        m_errorString = tr("Cannot make the data folder \"%1\"").arg(native(dataFolder));
        return false;
    }
    m_fileName = QDir(dataFolder).absoluteFilePath(QString::fromLatin1(FileName));
    for (int attempt = 0; attempt < OpenAttempts; ++attempt) {
        if (!QFileInfo::exists(m_fileName)) {
            QString error;
            if (!create(m_fileName, seed, at.date(), &error) && !QFileInfo::exists(m_fileName)) {
                m_errorString = error;
                return false;
            }
        }
        const QFileInfo checked(m_fileName);
        QString reason;
        switch (openFile(&reason)) {
        case OpenResult::Opened:
            if (m_readOnly)
                qCWarning(lcMarket).noquote()
                    << tr("The market store \"%1\" is read-only; it is not extended")
                           .arg(native(m_fileName));
            else if (!extendTo(at))
                qCWarning(lcMarket).noquote()
                    << tr("The market store \"%1\" could not be extended: %2")
                           .arg(native(m_fileName), m_queryError);
            return true;
        case OpenResult::Failed:
            m_errorString = tr("Cannot open the market store \"%1\": %2").arg(native(m_fileName), reason);
            return false;
        case OpenResult::Broken:
            if (!setAside(checked, reason))
                return false;
            break;
        }
    }
    m_errorString = tr("The market store \"%1\" stays unusable after making it anew")
                        .arg(native(m_fileName));
    return false;
}

void MarketStore::close()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    database().close();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_today = QDate();
    m_firstDay = QDate();
    m_seed = 0;
}

MarketStore::OpenResult MarketStore::openFile(QString *reason)
{
    const QFileInfo file(m_fileName);
    m_readOnly = !QFileInfo(file.absolutePath()).isWritable() || !file.isWritable();
    OpenResult result = OpenResult::Failed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(m_fileName);
        db.setConnectOptions(connectOptions(m_readOnly));
        QSqlQuery version(db);
        std::optional<MarketSchema::Meta> meta;
        if (!db.open()) {
            *reason = db.lastError().text();
        } else if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
            const int code = version.lastError().nativeErrorCode().toInt();
            *reason = version.lastError().text();
            if (code == SqliteCorrupt || code == SqliteNotADatabase)
                result = OpenResult::Broken;
        } else if (version.value(0).toInt() != SchemaVersion) {
            *reason = tr("schema version %1 instead of %2").arg(version.value(0).toInt()).arg(SchemaVersion);
            result = OpenResult::Broken;
        } else if (!(meta = MarketSchema::readMeta(db))) {
            *reason = tr("its meta data is missing");
            result = OpenResult::Broken;
        } else {
            m_seed = meta->seed;
            m_today = meta->extendedOn;
            m_firstDay = meta->firstDay;
            result = OpenResult::Opened;
        }
    }
    if (result != OpenResult::Opened)
        close();
    return result;
}

// Another process may have set the same store aside and made a new one meanwhile: a file
// that is no longer the one checked is left alone and opened again.
bool MarketStore::setAside(const QFileInfo &checked, const QString &reason)
{
    const QFileInfo current(m_fileName);
    if (!current.exists() || current.size() != checked.size()
        || current.lastModified() != checked.lastModified())
        return true;
    const QString base = m_fileName + QStringLiteral(".broken-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QStringLiteral("-%1").arg(n);
    if (QFile::rename(m_fileName, target)) {
        qCWarning(lcMarket).noquote()
            << tr("The market store \"%1\" is unusable (%2); it was renamed to \"%3\" and a new one is made")
                   .arg(native(m_fileName), reason, native(target));
        return true;
    }
    if (!QFileInfo::exists(m_fileName))
        return true;
    m_errorString = tr("The market store \"%1\" is unusable (%2) and cannot be renamed aside")
                        .arg(native(m_fileName), reason);
    return false;
}

bool MarketStore::create(const QString &fileName, quint32 seed, const QDate &today, QString *error)
{
    const QFileInfo info(fileName);
    QTemporaryFile temporary(info.absolutePath() + QLatin1Char('/') + info.fileName()
                             + QStringLiteral(".XXXXXX.part"));
    temporary.setAutoRemove(false);
    if (!temporary.open()) {
        *error = tr("Cannot write in the folder \"%1\": %2")
                     .arg(native(info.absolutePath()), temporary.errorString());
        return false;
    }
    const QString path = temporary.fileName();
    temporary.close();

    const QString connection = uniqueConnectionName("create");
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            // The file is discarded unless it is complete, so it needs no journal.
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode = OFF"));
            QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous = OFF"));
            MarketWriter writer(db);
            if (!db.transaction() || !writer.fill(seed, today) || !db.commit())
                failure = writer.errorString().isEmpty() ? db.lastError().text() : writer.errorString();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty()) {
        QFile::remove(path);
        *error = tr("Cannot make the market store \"%1\": %2").arg(native(fileName), failure);
        return false;
    }
    return moveIntoPlace(path, fileName, error);
}

bool MarketStore::extendTo(const QDateTime &now)
{
    if (!isOpen() || m_readOnly)
        return isOpen();
    const QDateTime at = now.toUTC();
    if (!beginWrite())
        return false;
    const std::optional<MarketSchema::Meta> meta = MarketSchema::readMeta(database());
    bool ok = meta.has_value();
    {
        MarketWriter writer(database());
        if (ok && !writer.extend(*meta, at)) {
            m_queryError = writer.errorString();
            ok = false;
        }
    }
    if (!endWrite(ok))
        return false;
    m_today = std::max(meta->extendedOn, at.date());
    return true;
}

bool MarketStore::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && database().isOpen();
}

QString MarketStore::fileName() const
{
    return m_fileName;
}

QString MarketStore::dataFolder() const
{
    return m_fileName.isEmpty() ? QString() : QFileInfo(m_fileName).absolutePath();
}

QString MarketStore::errorString() const
{
    return m_errorString;
}

std::optional<Instrument> MarketStore::instrument(const QByteArray &symbol, int symbology) const
{
    qint64 id = 0;
    const std::optional<Listing> listing = findListing(symbol, symbology, &id);
    if (!listing)
        return std::nullopt;
    return listing->instrument;
}

QVector<Instrument> MarketStore::instruments(const QString &pattern) const
{
    m_queryError.clear();
    QVector<Instrument> result;
    if (!isOpen())
        return result;
    const QString wildcard = pattern.trimmed().isEmpty() ? QStringLiteral("*") : pattern.trimmed();
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT %1 FROM instrument WHERE symbol LIKE ? ESCAPE '\\' ORDER BY symbol")
                      .arg(MarketSchema::listingColumns()));
    query.addBindValue(likePattern(wildcard));
    if (!query.exec()) {
        failed(query);
        return result;
    }
    while (query.next()) {
        qint64 id = 0;
        result.append(MarketSchema::readListing(query, 0, &id).instrument);
    }
    return result;
}

QList<QByteArray> MarketStore::chain(const QByteArray &underlying, const QDate &day,
                                     bool outrightOnly) const
{
    QList<QByteArray> members;
    qint64 id = 0;
    const std::optional<Listing> listing = findListing(underlying, VmtSymbolRequest::Vmt, &id);
    if (!isOpen() || !m_queryError.isEmpty())
        return members;
    QByteArray key = normalized(underlying);
    if (listing) {
        const int type = listing->instrument.type;
        const bool ofRoot = type == Instrument::FuturesContinuousType
            || type == Instrument::HistoricalFixedDateType || type == Instrument::HistoricalDaysBackType;
        key = ofRoot ? listing->instrument.root : listing->instrument.symbol;
    }
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT symbol FROM instrument WHERE chain = ? "
                                 "AND (expires = 0 OR expires >= ?) %1"
                                 "ORDER BY expires, type, strike, option_right, region, symbol")
                      .arg(outrightOnly ? QStringLiteral("AND type <> %1 ").arg(Instrument::FuturesSpreadType)
                                        : QString()));
    query.addBindValue(QString::fromUtf8(key));
    query.addBindValue(ContractCalendar::dayNumber(day.isValid() ? day : m_today));
    if (!query.exec()) {
        failed(query);
        return members;
    }
    while (query.next())
        members.append(query.value(0).toString().toUtf8());
    return members;
}

QVector<Bar> MarketStore::bars(const QByteArray &symbol, const TimeRange &range) const
{
    const int last = range.to.isNull() ? std::numeric_limits<int>::max() : int(range.to.date());
    return barsBetween(symbol, firstDayNumber(range.from), last, 0);
}

QVector<Bar> MarketStore::lastBars(const QByteArray &symbol, const Common::DateTime &to,
                                   int count) const
{
    if (count <= 0)
        return {};
    const int last = to.isNull() ? std::numeric_limits<int>::max() : int(to.date());
    return barsBetween(symbol, 0, last, count);
}

QVector<Bar> MarketStore::barsBetween(const QByteArray &symbol, int firstDay, int lastDay,
                                      int lastCount) const
{
    QVector<Bar> result;
    qint64 id = 0;
    const std::optional<Listing> listing = findListing(symbol, VmtSymbolRequest::Vmt, &id);
    if (!listing)
        return result;
    if (id == 0 || !ensureBars(id, *listing)) {
        if (!m_queryError.isEmpty())
            return result;
        for (const Bar &bar : madeBars(*listing)) {
            if (dayOf(bar) >= firstDay && dayOf(bar) <= lastDay)
                result.append(bar);
        }
        return lastCount > 0 ? result.mid(std::max(0, result.size() - lastCount)) : result;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM bar WHERE instrument = ? AND day >= ? AND day <= ? "
                                 "ORDER BY day %2 LIMIT ?")
                      .arg(MarketSchema::barColumns(),
                           lastCount > 0 ? QStringLiteral("DESC") : QStringLiteral("ASC")));
    query.addBindValue(id);
    query.addBindValue(firstDay);
    query.addBindValue(lastDay);
    query.addBindValue(lastCount > 0 ? lastCount : -1);
    if (!query.exec()) {
        failed(query);
        return result;
    }
    while (query.next())
        result.append(MarketSchema::readBar(query));
    if (lastCount > 0)
        std::reverse(result.begin(), result.end());
    return result;
}

// False, and nothing written, when the bars cannot be kept (a read-only store): the caller
// then makes them without keeping them.
bool MarketStore::ensureBars(qint64 id, const Listing &listing) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT 1 FROM bar WHERE instrument = ? LIMIT 1"));
    query.addBindValue(id);
    if (!query.exec())
        return failed(query);
    if (query.next())
        return true;
    query.finish();
    if (m_readOnly || !beginWrite())
        return false;
    bool ok = true;
    {
        MarketWriter writer(database());
        if (!writer.completeBars({m_seed, m_firstDay, m_today}, id, listing)) {
            m_queryError = writer.errorString();
            ok = false;
        }
    }
    return endWrite(ok);
}

// The bars of listing from the first day to today, its sources' read from the store.
QVector<Bar> MarketStore::madeBars(const Listing &listing) const
{
    const QList<QByteArray> sources = DerivedBars::sources(listing);
    if (sources.isEmpty())
        return BarWalk(m_seed, listing).bars(m_firstDay, m_today, listing.price);
    QVector<QVector<Bar>> inputs;
    for (const QByteArray &source : sources) {
        inputs.append(barsBetween(source, 0, std::numeric_limits<int>::max(), 0));
        if (!m_queryError.isEmpty())
            return {};
    }
    return DerivedBars(m_seed, listing).bars(inputs);
}

bool MarketStore::replaceBars(const QByteArray &symbol, const QVector<Bar> &bars, QString *error)
{
    qint64 id = 0;
    const std::optional<Listing> listing = findListing(symbol, VmtSymbolRequest::Vmt, &id);
    QString problem;
    if (!isOpen())
        problem = tr("the market store is not open");
    else if (m_readOnly)
        problem = tr("the market store is read-only");
    else if (!listing || id == 0)
        problem = tr("unknown symbol \"%1\"").arg(QString::fromUtf8(normalized(symbol)));
    else
        problem = badBars(bars);
    if (problem.isEmpty() && beginWrite()) {
        QSqlQuery remove(database());
        remove.prepare(QStringLiteral("DELETE FROM bar WHERE instrument = ?"));
        remove.addBindValue(id);
        bool ok = remove.exec() || failed(remove);
        if (ok) {
            MarketWriter writer(database());
            ok = writer.insertBars(id, bars);
            if (!ok)
                m_queryError = writer.errorString();
        }
        if (endWrite(ok))
            return true;
    }
    if (problem.isEmpty())
        problem = m_queryError;
    if (error)
        *error = problem;
    return false;
}

QVector<News::Headline> MarketStore::headlines(const News::HeadlineFilterParameters &filter,
                                               const TimeRange &interval, unsigned limit) const
{
    m_queryError.clear();
    QVector<News::Headline> result;
    if (!isOpen())
        return result;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT time, text, symbols, categories, source, story_id "
                                 "FROM headline WHERE time >= ? AND time <= ? "
                                 "ORDER BY time DESC, id DESC"));
    query.addBindValue(qint64(interval.from.toInt64()));
    query.addBindValue(interval.to.isNull() ? std::numeric_limits<qint64>::max()
                                            : qint64(interval.to.toInt64()));
    if (!query.exec()) {
        failed(query);
        return result;
    }
    const HeadlineMatcher matcher(filter);
    while (query.next() && (limit == 0 || unsigned(result.size()) < limit)) {
        News::Headline headline;
        headline.time = Common::DateTime::fromInt64(quint64(query.value(0).toLongLong()));
        headline.text = query.value(1).toString().toUtf8();
        headline.symbols = query.value(2).toString().toUtf8();
        headline.categories = query.value(3).toString().toUtf8();
        headline.source = query.value(4).toString().toUtf8();
        headline.storyId = query.value(5).toString().toUtf8();
        if (matcher.matches(headline))
            result.append(headline);
    }
    return result;
}

std::optional<MarketStore::Story> MarketStore::story(const QByteArray &storyId) const
{
    m_queryError.clear();
    if (!isOpen())
        return std::nullopt;
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT format, content FROM story WHERE story_id = ?"));
    query.addBindValue(QString::fromUtf8(storyId));
    if (!query.exec()) {
        failed(query);
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return Story{query.value(1).toByteArray(), query.value(0).toInt()};
}

bool MarketStore::addHeadline(const News::Headline &headline, const Story &story)
{
    if (!isOpen() || m_readOnly || !beginWrite())
        return false;
    const std::optional<MarketSchema::Meta> meta = MarketSchema::readMeta(database());
    bool ok = meta.has_value();
    {
        MarketWriter writer(database());
        NewsGenerator::Item item{headline, story.content, story.format};
        const qint64 time = qint64(headline.time.toInt64());
        ok = ok && writer.insertNews({item}, false)
            && (meta->newsUntil >= time
                || writer.writeMeta(QStringLiteral("news-until"), QString::number(time)));
        if (!ok)
            m_queryError = writer.errorString();
    }
    return endWrite(ok);
}

MarketStore::Counts MarketStore::counts() const
{
    m_queryError.clear();
    Counts counts;
    if (!isOpen())
        return counts;
    QSqlQuery query(database());
    const QString statement = QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM instrument), (SELECT COUNT(*) FROM instrument WHERE chain <> ''), "
        "(SELECT COUNT(*) FROM bar), (SELECT COUNT(*) FROM headline), "
        "(SELECT MIN(day) FROM bar), (SELECT MAX(day) FROM bar)");
    if (!query.exec(statement) || !query.next()) {
        failed(query);
        return counts;
    }
    counts.instruments = query.value(0).toLongLong();
    counts.chainMembers = query.value(1).toLongLong();
    counts.bars = query.value(2).toLongLong();
    counts.headlines = query.value(3).toLongLong();
    counts.firstBar = ContractCalendar::fromDayNumber(query.value(4).toInt());
    counts.lastBar = ContractCalendar::fromDayNumber(query.value(5).toInt());
    const std::optional<MarketSchema::Meta> meta = MarketSchema::readMeta(database());
    if (meta) {
        counts.madeOn = meta->madeOn;
        counts.seed = meta->seed;
    }
    return counts;
}

QSqlDatabase MarketStore::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

std::optional<Listing> MarketStore::findListing(const QByteArray &symbol, int symbology,
                                                qint64 *id) const
{
    m_queryError.clear();
    const QByteArray text = normalized(symbol);
    if (text.isEmpty() || !isOpen())
        return std::nullopt;
    QStringList columns;
    switch (symbology) {
    case VmtSymbolRequest::Vmt:
        columns = QStringList{QStringLiteral("symbol")};
        break;
    case VmtSymbolRequest::VmtExtended:
        columns = QStringList{QStringLiteral("symbol"), QStringLiteral("alternate")};
        break;
    case VmtSymbolRequest::Cusip:
        columns = QStringList{QStringLiteral("cusip")};
        break;
    case VmtSymbolRequest::Sedol:
        columns = QStringList{QStringLiteral("sedol")};
        break;
    case VmtSymbolRequest::Isin:
        columns = QStringList{QStringLiteral("isin")};
        break;
    default:
        return std::nullopt;
    }
    for (const QString &column : columns) {
        QSqlQuery query(database());
        query.prepare(QStringLiteral("SELECT %1 FROM instrument WHERE %2 = ? ORDER BY id LIMIT 1")
                          .arg(MarketSchema::listingColumns(), column));
        query.addBindValue(QString::fromUtf8(text));
        if (!query.exec()) {
            failed(query);
            return std::nullopt;
        }
        if (query.next())
            return MarketSchema::readListing(query, 0, id);
    }
    if (symbology != VmtSymbolRequest::Vmt && symbology != VmtSymbolRequest::VmtExtended)
        return std::nullopt;
    *id = 0;
    return InstrumentCatalogue::historical(text, m_today);
}

bool MarketStore::beginWrite() const
{
    QSqlQuery query(database());
    return query.exec(QStringLiteral("BEGIN IMMEDIATE")) || failed(query);
}

bool MarketStore::endWrite(bool ok) const
{
    QSqlQuery query(database());
    if (ok && query.exec(QStringLiteral("COMMIT")))
        return true;
    if (ok)
        failed(query);
    QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
    return false;
}

bool MarketStore::failed(const QSqlQuery &query) const
{
    m_queryError = query.lastError().text();
    qCWarning(lcMarket).noquote() << tr("Market store query failed: %1").arg(m_queryError);
    return false;
}

} // namespace Market
} // namespace FeedApi

#include "commands.h"

#include "barscsvreader.h"
#include "commandline.h"

#include "plugin/scriptpluginspecreader.h"

#include "market/marketstore.h"
#include "vmtsymbolrequest.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

using namespace CommandLine;
using FeedApi::Market::Instrument;
using FeedApi::Market::MarketStore;

namespace {

const char usage[] = "tessel market init [--seed N] DIR | info DIR | symbols DIR [PATTERN] | "
                     "import-bars DIR SYMBOL FILE.csv";
const char initUsage[] = "tessel market init [--seed N] DIR";
const char infoUsage[] = "tessel market info DIR";
const char symbolsUsage[] = "tessel market symbols DIR [PATTERN]";
const char importUsage[] = "tessel market import-bars DIR SYMBOL FILE.csv";
const char helpText[] =
    "usage: tessel market init [--seed N] DIR\n"
    "       tessel market info DIR\n"
    "       tessel market symbols DIR [PATTERN]\n"
    "       tessel market import-bars DIR SYMBOL FILE.csv\n\n"
    "Works on the market store DIR/market.sqlite, which tessel-host serves market data from\n"
    "(DIR is the host's data folder).\n\n"
    "  init         make a store from a seed as of today (UTC): instruments, chains, daily\n"
    "               bars and news; the same seed and day make the same rows. Refuses when DIR\n"
    "               holds a store already.\n"
    "  info         the rows of each table, the days of the first and last bar, the day the\n"
    "               store was made and its seed\n"
    "  symbols      one line per instrument whose symbol matches PATTERN (default: all):\n"
    "               symbol, type, description. In PATTERN '*' stands for any text and '?'\n"
    "               for one character, any other character for itself; case does not count.\n"
    "               At most %1 characters.\n"
    "  import-bars  replace every daily bar of SYMBOL with the rows of FILE.csv\n\n"
    "FILE.csv is the common export: the header row Date,Open,High,Low,Close,Volume (any\n"
    "case), then one row per day: the date as yyyy-MM-dd, prices as decimal numbers with a\n"
    "point, the volume as a whole number. Fields may be in double quotes; CRLF line ends, a\n"
    "UTF-8 byte order mark, blank lines and rows in any order are accepted. A row is refused\n"
    "when its date is a Saturday or Sunday (the store holds weekdays only), repeats an\n"
    "earlier row's or lies in the future; when a price or the volume is missing, not a number\n"
    "or not above zero (the volume may be zero); when Low is above Open or Close, or High\n"
    "below them; when it has other than 6 columns or more than %2 bytes. Every bad row is\n"
    "reported as FILE:LINE: REASON (the first %3 of them), and then nothing is written. Files\n"
    "above %4 MiB are refused.\n\n"
    "DIR's store is opened as the host opens it: a store made before today is extended to\n"
    "today, one that cannot be opened is set aside as market.sqlite.broken-<time> and made\n"
    "anew, which a line on standard error tells.\n"
    "Exit status: 0 success, 1 bad input (no store, an unknown symbol, a bad file), 2 wrong\n"
    "usage.\n\n"
    "  --seed N   the seed of a new store, 0 to 4294967295 (default: %5)\n"
    "  --help     show this text\n";

// PATTERN and SYMBOL arguments: symbols are far shorter.
constexpr int MaxSymbolTextLength = 64;
constexpr qint64 MiB = 1024 * 1024;

QDate todayUtc() { return QDateTime::currentDateTimeUtc().date(); }

QString storeFile(const QString &dir)
{
    return QDir(dir).filePath(QLatin1String(MarketStore::FileName));
}

QString dayText(const QDate &day)
{
    return day.isValid() ? day.toString(Qt::ISODate) : QStringLiteral("none");
}

// Takes the positional arguments out of args; false with *message on an unknown option.
bool positionals(const QStringList &args, QStringList *values, QString *message)
{
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1String("--"))) {
            *message = QStringLiteral("unknown option '%1'").arg(arg);
            return false;
        }
        values->append(arg);
    }
    return true;
}

// Why a PATTERN or SYMBOL argument cannot name a symbol, or an empty text. Control
// characters are refused so that they never reach a message or the terminal.
QString symbolTextProblem(const QString &name, const QString &text)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("%1 is empty").arg(name);
    if (text.size() > MaxSymbolTextLength)
        return QStringLiteral("%1 is longer than %2 characters").arg(name).arg(MaxSymbolTextLength);
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return !c.isPrint(); }))
        return QStringLiteral("%1 holds a control character").arg(name);
    return QString();
}

// Opens the store that DIR holds as the host does: extended to today, or set aside and made
// anew when it cannot be opened (the store logs that on stderr).
int openStore(const QString &dir, MarketStore *store)
{
    const QString fileName = storeFile(dir);
    if (!QFileInfo(fileName).isFile())
        return failure(fileName, QStringLiteral("no market store; 'tessel market init' makes one"));
    if (!store->open(dir))
        return failure(fileName, store->errorString());
    return Success;
}

QString typeName(int type)
{
    static const QLatin1String prefix("symbolType");
    const QString name = ScriptPluginSpecReader::symbolTypeName(type);
    return name.startsWith(prefix) ? name.mid(prefix.size()) : QStringLiteral("type %1").arg(type);
}

int init(const QStringList &arguments)
{
    QStringList args = arguments;
    quint32 seed = MarketStore::DefaultSeed;
    const int at = args.indexOf(QStringLiteral("--seed"));
    if (at >= 0) {
        bool ok = false;
        seed = at + 1 < args.size() ? args.at(at + 1).toUInt(&ok, 10) : 0;
        if (!ok)
            return usageError(QStringLiteral("market init"),
                              QStringLiteral("--seed takes a whole number from 0 to 4294967295"),
                              QString::fromLatin1(initUsage));
        args.erase(args.begin() + at, args.begin() + at + 2);
    }
    QStringList values;
    QString message;
    if (!positionals(args, &values, &message))
        return usageError(QStringLiteral("market init"), message, QString::fromLatin1(initUsage));
    if (values.size() != 1)
        return usageError(QStringLiteral("market init"), QStringLiteral("expects one DIR"),
                          QString::fromLatin1(initUsage));

    const QString dir = values.first();
    const QString fileName = storeFile(dir);
    if (!QDir().mkpath(dir))
        return failure(dir, QStringLiteral("cannot make the folder"));
    if (QFileInfo::exists(fileName))
        return failure(fileName, QStringLiteral("a market store exists already"));

    QString error;
    if (!MarketStore::create(fileName, seed, todayUtc(), &error))
        return failure(fileName, error);

    MarketStore store;
    if (const int status = openStore(dir, &store))
        return status;
    const MarketStore::Counts counts = store.counts();
    QTextStream(stdout) << fileName << ": made from seed " << counts.seed << " as of "
                        << dayText(counts.madeOn) << ": " << counts.instruments
                        << " instruments, " << counts.bars << " bars, " << counts.headlines
                        << " headlines\n";
    return Success;
}

int info(const QStringList &args)
{
    QStringList values;
    QString message;
    if (!positionals(args, &values, &message))
        return usageError(QStringLiteral("market info"), message, QString::fromLatin1(infoUsage));
    if (values.size() != 1)
        return usageError(QStringLiteral("market info"), QStringLiteral("expects one DIR"),
                          QString::fromLatin1(infoUsage));

    MarketStore store;
    if (const int status = openStore(values.first(), &store))
        return status;
    const MarketStore::Counts counts = store.counts();
    QTextStream out(stdout);
    out << "store:          " << store.fileName() << '\n'
        << "made on:        " << dayText(counts.madeOn) << ", seed " << counts.seed << '\n'
        << "instruments:    " << counts.instruments << '\n'
        << "chain members:  " << counts.chainMembers << '\n'
        << "bars:           " << counts.bars;
    if (counts.bars > 0)
        out << " (" << dayText(counts.firstBar) << " to " << dayText(counts.lastBar) << ')';
    out << '\n'
        << "headlines:      " << counts.headlines << '\n';
    return Success;
}

int symbols(const QStringList &args)
{
    QStringList values;
    QString message;
    if (!positionals(args, &values, &message))
        return usageError(QStringLiteral("market symbols"), message,
                          QString::fromLatin1(symbolsUsage));
    if (values.isEmpty() || values.size() > 2)
        return usageError(QStringLiteral("market symbols"),
                          QStringLiteral("expects DIR and at most one PATTERN"),
                          QString::fromLatin1(symbolsUsage));
    const QString pattern = values.value(1, QStringLiteral("*"));
    const QString problem = symbolTextProblem(QStringLiteral("PATTERN"), pattern);
    if (!problem.isEmpty())
        return usageError(QStringLiteral("market symbols"), problem,
                          QString::fromLatin1(symbolsUsage));

    MarketStore store;
    if (const int status = openStore(values.first(), &store))
        return status;
    const QVector<Instrument> instruments = store.instruments(pattern);
    int symbolWidth = 0;
    int typeWidth = 0;
    for (const Instrument &instrument : instruments) {
        symbolWidth = qMax(symbolWidth, instrument.symbol.size());
        typeWidth = qMax(typeWidth, typeName(instrument.type).size());
    }
    QTextStream out(stdout);
    for (const Instrument &instrument : instruments) {
        out << QString::fromLatin1(instrument.symbol).leftJustified(symbolWidth + 2)
            << typeName(instrument.type).leftJustified(typeWidth + 2)
            << instrument.description << '\n';
    }
    return Success;
}

int importBars(const QStringList &args)
{
    QStringList values;
    QString message;
    if (!positionals(args, &values, &message))
        return usageError(QStringLiteral("market import-bars"), message,
                          QString::fromLatin1(importUsage));
    if (values.size() != 3)
        return usageError(QStringLiteral("market import-bars"),
                          QStringLiteral("expects DIR, SYMBOL and FILE.csv"),
                          QString::fromLatin1(importUsage));
    const QString problem = symbolTextProblem(QStringLiteral("SYMBOL"), values.at(1));
    if (!problem.isEmpty())
        return usageError(QStringLiteral("market import-bars"), problem,
                          QString::fromLatin1(importUsage));
    const QString dir = values.at(0);
    const QByteArray symbol = values.at(1).toUtf8();
    const QString csvName = values.at(2);

    QFile csv(csvName);
    if (QFileInfo(csvName).isDir())
        return failure(csvName, QStringLiteral("is a folder"));
    if (!csv.open(QIODevice::ReadOnly))
        return failure(csvName, csv.errorString());
    const QString tooLarge = QStringLiteral("larger than %1 MiB").arg(BarsCsvReader::MaxFileSize / MiB);
    if (csv.size() > BarsCsvReader::MaxFileSize)
        return failure(csvName, tooLarge);
    const QByteArray text = csv.read(BarsCsvReader::MaxFileSize + 1);
    if (csv.error() != QFileDevice::NoError)
        return failure(csvName, csv.errorString());
    if (text.size() > BarsCsvReader::MaxFileSize)
        return failure(csvName, tooLarge);

    MarketStore store;
    if (const int status = openStore(dir, &store))
        return status;
    const std::optional<Instrument> instrument =
        store.instrument(symbol, FeedApi::VmtSymbolRequest::Vmt);
    if (!instrument)
        return failure(storeFile(dir),
                       QStringLiteral("no instrument '%1'; 'tessel market symbols' lists them")
                           .arg(QString::fromUtf8(symbol)));

    if (instrument->type == Instrument::HistoricalFixedDateType
        || instrument->type == Instrument::HistoricalDaysBackType)
        return failure(storeFile(dir),
                       QStringLiteral("%1 is a historical contract, which has no bars of its own")
                           .arg(QString::fromLatin1(instrument->symbol)));
    BarsCsvReader reader(todayUtc());
    if (!reader.read(text)) {
        QTextStream err(stderr);
        for (const BarsCsvReader::Error &error : reader.errors()) {
            if (error.line == 0)
                return failure(csvName, error.reason);
            err << csvName << ':' << error.line << ": " << error.reason << '\n';
        }
        const int count = reader.errorCount();
        err << "tessel: " << csvName << ": " << count << (count == 1 ? " bad line" : " bad lines");
        if (count > reader.errors().size())
            err << " (the first " << reader.errors().size() << " shown)";
        err << "; nothing imported\n";
        return BadInput;
    }

    const QVector<FeedApi::Bar> bars = reader.bars();
    const int replaced = store.bars(instrument->symbol, FeedApi::TimeRange()).size();
    QString error;
    if (!store.replaceBars(instrument->symbol, bars, &error))
        return failure(storeFile(dir), error);
    const auto day = [](const FeedApi::Bar &bar) {
        return dayText(Common::DateTime::fromInt64(bar.time).toQDate());
    };
    QTextStream(stdout) << QString::fromLatin1(instrument->symbol) << ": " << bars.size()
                        << (bars.size() == 1 ? " bar" : " bars") << " imported ("
                        << day(bars.constFirst()) << " to " << day(bars.constLast()) << "), "
                        << replaced << " replaced\n";
    return Success;
}

} // namespace

int marketCommand(const QStringList &arguments)
{
    if (arguments.contains(QStringLiteral("--help")))
        return help(QString::fromLatin1(helpText)
                        .arg(MaxSymbolTextLength)
                        .arg(BarsCsvReader::MaxLineLength)
                        .arg(BarsCsvReader::MaxErrors)
                        .arg(BarsCsvReader::MaxFileSize / MiB)
                        .arg(MarketStore::DefaultSeed));
    QStringList args = arguments;
    if (args.isEmpty())
        return usageError(QStringLiteral("market"), QStringLiteral("expects an action"),
                          QString::fromLatin1(usage));
    const QString action = args.takeFirst();
    if (action == QLatin1String("init"))
        return init(args);
    if (action == QLatin1String("info"))
        return info(args);
    if (action == QLatin1String("symbols"))
        return symbols(args);
    if (action == QLatin1String("import-bars"))
        return importBars(args);
    return usageError(QStringLiteral("market"), QStringLiteral("unknown action '%1'").arg(action),
                      QString::fromLatin1(usage));
}

#include "bundletestutils.h"
#include "programrun.h"
#include "market/marketstore.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

using FeedApi::Bar;
using FeedApi::Market::MarketStore;

namespace {

const QByteArray header = "Date,Open,High,Low,Close,Volume\n";
const QByteArray goodRow = "2024-01-02,10,11,9,10.5,100\n";

// `tessel market` with args.
ProgramRun market(const QStringList &args)
{
    return runBuildProgram(QStringLiteral("tessel"), QStringList{QStringLiteral("market")} + args);
}

QByteArray rowError(int line, const QByteArray &reason)
{
    return "@/in.csv:" + QByteArray::number(line) + ": " + reason + '\n';
}

QByteArray summary(int bad)
{
    return "tessel: @/in.csv: " + QByteArray::number(bad) + (bad == 1 ? " bad line" : " bad lines")
        + "; nothing imported\n";
}

// Every bar of symbol as a text, so that a failed comparison shows it.
QStringList allBars(const MarketStore &store, const QByteArray &symbol)
{
    const QDate today = QDateTime::currentDateTimeUtc().date();
    QStringList result;
    for (const Bar &bar : store.lastBars(symbol, Common::DateTime::fromQDate(today), 1000000)) {
        result.append(QStringLiteral("%1 %2 %3 %4 %5 %6")
                          .arg(Common::DateTime::fromInt64(bar.time).toQDateTime().toString(Qt::ISODateWithMs))
                          .arg(bar.open).arg(bar.high).arg(bar.low).arg(bar.close).arg(bar.volume));
    }
    return result;
}

} // namespace

// `tessel market` run as a process against one store made by `init` at the start.
class tst_MarketCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();
    void listing();
    void import_data();
    void import();

private:
    QString storeFolder() const { return m_dir.filePath(QStringLiteral("store")); }

    QTemporaryDir m_dir;
    MarketStore m_store;
};

void tst_MarketCommand::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const ProgramRun made = market({"init", "--seed", "7", storeFolder()});
    QVERIFY2(made.exitCode == 0, made.err.constData());
    QVERIFY(made.out.startsWith(storeFolder().toUtf8() + "/market.sqlite: made from seed 7 as of "));
    QVERIFY(m_store.open(storeFolder()));

    // Sparse: one byte above the limit without writing it.
    QFile huge(m_dir.filePath(QStringLiteral("huge.csv")));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(16 * 1024 * 1024 + 1));
}

void tst_MarketCommand::run_data()
{
    QTest::addColumn<QStringList>("args"); // a leading "@" stands for the data folder
    QTest::addColumn<QByteArray>("csv");   // written to @/in.csv unless null
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("err");   // "@/" stands for the data folder
    QTest::addColumn<QStringList>("listed"); // the symbol and type on each line of the output

    const auto row = [](const char *tag, const QStringList &args, int status, const QByteArray &err,
                        const QByteArray &csv = QByteArray(), const QStringList &listed = QStringList()) {
        QTest::newRow(tag) << args << csv << status << err << listed;
    };
    const auto symbols = [&row](const char *tag, const QString &pattern, const QStringList &listed) {
        row(tag, {"symbols", "@/store", pattern}, 0, QByteArray(), QByteArray(), listed);
    };
    symbols("any-case", "acme.qB", {"ACME.QB Stock"});
    symbols("one-character", "NRTH.?", {"NRTH.N Stock"});
    symbols("continuous", "cl#", {"CL# FuturesContinuous"});
    symbols("index", "QIX", {"QIX Index"});
    // Hostile patterns stand for themselves: no symbol holds these characters.
    symbols("bracket-class", "[A]CME.QB", {});
    symbols("backslash", "ACME\\.QB", {});
    symbols("injection", "*' OR '1'='1", {});
    symbols("non-ascii", QString::fromUtf8("ACME\xc3\xa9*"), {});

    const QByteArray topUsage = "usage: tessel market init [--seed N] DIR | info DIR | symbols DIR "
                                "[PATTERN] | import-bars DIR SYMBOL FILE.csv\n";
    const QByteArray initUsage = "usage: tessel market init [--seed N] DIR\n";
    const QByteArray symbolsUsage = "usage: tessel market symbols DIR [PATTERN]\n";
    const QByteArray importUsage = "usage: tessel market import-bars DIR SYMBOL FILE.csv\n";
    const QByteArray badSeed = "tessel market init: --seed takes a whole number from 0 to 4294967295\n";
    row("no-action", {}, 2, "tessel market: expects an action\n" + topUsage);
    row("unknown-action", {"drop", "@/store"}, 2, "tessel market: unknown action 'drop'\n" + topUsage);
    row("init-no-dir", {"init"}, 2, "tessel market init: expects one DIR\n" + initUsage);
    row("init-unknown-option", {"init", "--force", "@/new"}, 2,
        "tessel market init: unknown option '--force'\n" + initUsage);
    row("seed-without-value", {"init", "@/new", "--seed"}, 2, badSeed + initUsage);
    row("seed-above-32-bits", {"init", "--seed", "4294967296", "@/new"}, 2, badSeed + initUsage);
    row("info-two-dirs", {"info", "@/store", "@/new"}, 2,
        "tessel market info: expects one DIR\nusage: tessel market info DIR\n");
    row("symbols-no-dir", {"symbols"}, 2,
        "tessel market symbols: expects DIR and at most one PATTERN\n" + symbolsUsage);
    row("pattern-too-long", {"symbols", "@/store", QString(65, QLatin1Char('A'))}, 2,
        "tessel market symbols: PATTERN is longer than 64 characters\n" + symbolsUsage);
    row("pattern-control", {"symbols", "@/store", "AC\x1b[2JME"}, 2,
        "tessel market symbols: PATTERN holds a control character\n" + symbolsUsage);
    row("pattern-empty", {"symbols", "@/store", ""}, 2, "tessel market symbols: PATTERN is empty\n" + symbolsUsage);
    row("import-no-file", {"import-bars", "@/store", "ACME.QB"}, 2,
        "tessel market import-bars: expects DIR, SYMBOL and FILE.csv\n" + importUsage);
    row("symbol-control", {"import-bars", "@/store", "ACME\n.QB", "@/in.csv"}, 2,
        "tessel market import-bars: SYMBOL holds a control character\n" + importUsage);

    row("init-existing", {"init", "@/store"}, 1, "tessel: @/store/market.sqlite: a market store exists already\n");
    row("info-no-store", {"info", "@"}, 1,
        "tessel: @/market.sqlite: no market store; 'tessel market init' makes one\n");
    row("unknown-symbol", {"import-bars", "@/store", "NOSUCH.X", "@/in.csv"}, 1,
        "tessel: @/store/market.sqlite: no instrument 'NOSUCH.X'; 'tessel market symbols' lists them\n",
        header + goodRow);
    row("historical-contract", {"import-bars", "@/store", "CL#@20250115", "@/in.csv"}, 1,
        "tessel: @/store/market.sqlite: CL#@20250115 is a historical contract, which has no bars of its own\n",
        header + goodRow);
    row("missing-csv", {"import-bars", "@/store", "ACME.QB", "@/none.csv"}, 1,
        "tessel: @/none.csv: No such file or directory\n");
    row("csv-is-folder", {"import-bars", "@/store", "ACME.QB", "@/store"}, 1, "tessel: @/store: is a folder\n");
    row("csv-too-large", {"import-bars", "@/store", "ACME.QB", "@/huge.csv"}, 1,
        "tessel: @/huge.csv: larger than 16 MiB\n");

    // The file as a whole.
    const QStringList import{"import-bars", "@/store", "ACME.QB", "@/in.csv"};
    const QByteArray noHeader = "tessel: @/in.csv: empty; expected the header Date,Open,High,Low,Close,Volume\n";
    const QByteArray wrongHeader = rowError(1, "expected the header Date,Open,High,Low,Close,Volume") + summary(1);
    row("empty-csv", import, 1, noHeader, "");
    row("blank-csv", import, 1, noHeader, "\xef\xbb\xbf\r\n  \n");
    row("header-only", import, 1, "tessel: @/in.csv: no bars after the header\n", header);
    row("header-missing", import, 1, wrongHeader, goodRow);
    row("binary", import, 1, wrongHeader, QByteArray("\x00\x01\x02\xff\xfe", 5));
    row("header-too-long", import, 1, rowError(1, "line longer than 512 bytes") + summary(1), QByteArray(600, 'D'));

    // Rows after the header.
    const auto csv = [&row, &import](const char *tag, const QByteArray &rows, const QByteArray &err) {
        row(tag, import, 1, err, header + rows);
    };
    const auto bad = [&csv](const char *tag, const QByteArray &line, const QByteArray &reason) {
        csv(tag, line, rowError(2, reason) + summary(1));
    };
    bad("february-30", "2024-02-30,10,11,9,10,1\n", "bad date '2024-02-30', expected yyyy-MM-dd");
    bad("escape-in-date", "\x1b[31m2024-01-02,10,11,9,10,1\n", "bad date '\\x1b[31m2024-01-02', expected yyyy-MM-dd");
    bad("long-date", QByteArray(40, '9') + ",10,11,9,10,1\n",
        "bad date '" + QByteArray(24, '9') + "...', expected yyyy-MM-dd");
    bad("future", "2999-01-01,10,11,9,10,1\n", "2999-01-01 is in the future");
    bad("nan", "2024-01-02,10,nan,9,10,1\n", "High 'nan' is not a number");
    bad("decimal-comma", "2024-01-02,10,11,9,\"10,5\",1\n", "Close '10,5' is not a number");
    bad("negative-price", "2024-01-02,-10,11,-12,10,1\n", "Open -10 is negative");
    bad("zero-price", "2024-01-02,0,11,0,10,1\n", "Open 0 is zero");
    bad("negative-volume", "2024-01-02,10,11,9,10,-5\n", "Volume -5 is negative");
    bad("fractional-volume", "2024-01-02,10,11,9,10,1.5\n", "Volume '1.5' is not a whole number");
    bad("low-above-open", "2024-01-02,10,11,10.5,10.75,1\n", "Low 10.5 is above Open 10");
    bad("low-above-close", "2024-01-02,10,11,9.5,9,1\n", "Low 9.5 is above Close 9");
    bad("high-below-open", "2024-01-02,12,11,9,10,1\n", "High 11 is below Open 12");
    bad("high-below-close", "2024-01-02,10,11,9,11.5,1\n", "High 11 is below Close 11.5");
    bad("too-many-columns", "2024-01-02,10,11,9,10,10,1\n", "too many columns: 7, expected 6");
    bad("unclosed-quote", "2024-01-02,\"10,11,9,10,1\n", "unclosed quote");
    bad("text-after-quote", "2024-01-02,\"10\"x,11,9,10,1\n", "text after a closing quote");
    bad("line-too-long", "2024-01-02,10,11,9,10," + QByteArray(600, '1') + '\n', "line longer than 512 bytes");
    csv("duplicate", goodRow + "2024-01-03,10,11,9,10,1\n" + goodRow,
        rowError(4, "duplicate date 2024-01-02, first on line 2") + summary(1));

    // Every bad row is reported, in line order, up to 20.
    csv("several", goodRow + "2024-01-06,10,11,9,10,1\n\n2024-01-03,x,11,9,10,1\r\n"
                             "2024-01-04,10,11,9,10,1\n2024-01-05,10,11,9,10\n",
        rowError(3, "2024-01-06 is a Saturday; the store holds weekdays only")
            + rowError(5, "Open 'x' is not a number") + rowError(7, "too few columns: 5, expected 6")
            + summary(3));
    QByteArray manyRows, manyErrors;
    for (int i = 0; i < 25; ++i) {
        manyRows += "x,10,11,9,10,1\n";
        if (i < 20)
            manyErrors += rowError(i + 2, "bad date 'x', expected yyyy-MM-dd");
    }
    csv("more-than-shown", manyRows,
        manyErrors + "tessel: @/in.csv: 25 bad lines (the first 20 shown); nothing imported\n");
}

void tst_MarketCommand::run()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, csv);
    QFETCH(QByteArray, err);
    QFETCH(QStringList, listed);

    for (QString &arg : args) {
        if (arg == QLatin1String("@") || arg.startsWith(QLatin1String("@/")))
            arg.replace(0, 1, m_dir.path());
    }
    err.replace("@/", m_dir.path().toUtf8() + '/');
    if (!csv.isNull())
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("in.csv")), csv));

    const QStringList before = allBars(m_store, "ACME.QB");
    const qint64 instruments = m_store.counts().instruments;
    const ProgramRun run = market(args);
    QCOMPARE(run.err, err);
    QTEST(run.exitCode, "status");
    QCOMPARE(run.out.isEmpty(), listed.isEmpty());
    QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines)
        line = line.simplified().section(QLatin1Char(' '), 0, 1);
    QCOMPARE(lines, listed);
    // Nothing here writes to the store.
    QCOMPARE(allBars(m_store, "ACME.QB"), before);
    QCOMPARE(m_store.counts().instruments, instruments);
}

// The whole list: every instrument once, in the store's order, the type column aligned.
void tst_MarketCommand::listing()
{
    const ProgramRun run = market({"symbols", storeFolder()});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QVector<FeedApi::Market::Instrument> instruments = m_store.instruments();
    QCOMPARE(lines.size(), instruments.size());
    int typeColumn = 0;
    for (const FeedApi::Market::Instrument &instrument : instruments)
        typeColumn = qMax(typeColumn, instrument.symbol.size() + 2);
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        QCOMPARE(line.left(typeColumn).trimmed(), QString::fromLatin1(instruments.at(i).symbol));
        QVERIFY2(line.size() > typeColumn && line.at(typeColumn) != QLatin1Char(' '), qPrintable(line));
    }
}

void tst_MarketCommand::import_data()
{
    QTest::addColumn<QByteArray>("symbol");
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("bars");
    QTest::addColumn<QByteArray>("out");

    const QStringList three{"2023-12-29T00:00:00.000Z 9.5 10.25 9 10 1200",
                            "2024-01-02T00:00:00.000Z 10 11 9.75 10.5 0",
                            "2024-01-03T00:00:00.000Z 10.5 10.5 10.5 10.5 987654321"};
    const QByteArray threeOut = ": 3 bars imported (2023-12-29 to 2024-01-03), ";
    QTest::newRow("plain") << QByteArray("ACME.QB")
                           << header + "2023-12-29,9.5,10.25,9,10,1200\n2024-01-02,10,11,9.75,10.5,0\n"
                                       "2024-01-03,10.5,10.5,10.5,10.5,987654321"
                           << three << threeOut;
    QTest::newRow("bom-crlf-quoted-newest-first")
        << QByteArray("NRTH.N")
        << QByteArray("\xef\xbb\xbf\"DATE\",\"open\",\"High\",\"LOW\",\"close\",\"Volume\"\r\n"
                      "\"2024-01-03\",\"10.5\",\"10.5\",\"10.5\",\"10.5\",\"987654321\"\r\n"
                      "\r\n"
                      " \"2024-01-02\" , 10 ,\"11\", 9.75 ,1.05e1, 0\r\n"
                      "2023-12-29,9.50,10.250,9.0,10,1200\r\n")
        << three << threeOut;
    // A futures contract's bars are made on its first request; those are replaced.
    QTest::newRow("futures-contract") << QByteArray("CLZ27") << header + "2024-01-02,70.5,71.25,70.01,71,30\n"
                                      << QStringList{"2024-01-02T00:00:00.000Z 70.5 71.25 70.01 71 30"}
                                      << QByteArray(": 1 bar imported (2024-01-02 to 2024-01-02), ");
}

// A good file replaces every bar of the symbol, and only of that symbol.
void tst_MarketCommand::import()
{
    QFETCH(QByteArray, symbol);
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, bars);
    QFETCH(QByteArray, out);

    QTemporaryDir dir;
    QVERIFY(QFile::copy(m_store.fileName(), dir.filePath(QLatin1String(MarketStore::FileName))));
    const QString csvName = dir.filePath(QStringLiteral("in.csv"));
    QVERIFY(writeFile(csvName, csv));

    const int old = allBars(m_store, symbol).size();
    QVERIFY(old > 0);
    const QStringList other = allBars(m_store, "QIX");
    const ProgramRun run = market({"import-bars", dir.path(), QString::fromLatin1(symbol), csvName});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, symbol + out + QByteArray::number(old) + " replaced\n");

    MarketStore store;
    QVERIFY(store.open(dir.path()));
    QCOMPARE(allBars(store, symbol), bars);
    QCOMPARE(allBars(store, "QIX"), other);
    const ProgramRun info = market({"info", dir.path()});
    QCOMPARE(info.exitCode, 0);
    const QByteArray count = QByteArray::number(m_store.counts().bars - old + bars.size());
    QVERIFY2(info.out.contains("\nbars:           " + count + " ("), info.out.constData());
}

QTEST_GUILESS_MAIN(tst_MarketCommand)
#include "tst_marketcommand.moc"

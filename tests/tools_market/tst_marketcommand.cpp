#include "market/marketstore.h"

#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using FeedApi::Bar;
using FeedApi::Market::MarketStore;

namespace {

const char header[] = "Date,Open,High,Low,Close,Volume\n";
const char goodRow[] = "2024-01-02,10,11,9,10.5,100\n";
const char topUsage[] = "usage: tessel market init [--seed N] DIR | info DIR | symbols DIR "
                        "[PATTERN] | import-bars DIR SYMBOL FILE.csv\n";

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run tessel(const QStringList &args)
{
    QProcess process;
    process.start(qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/tessel"), args);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
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

Bar bar(quint32 date, double open, double high, double low, double close, quint64 volume)
{
    return {quint64(date) * Common::DateTime::DateFactor, open, high, low, close, volume};
}

// Bars as texts, so that a failed comparison shows them.
QStringList texts(const QVector<Bar> &bars)
{
    QStringList result;
    for (const Bar &bar : bars)
        result.append(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(bar.time).arg(bar.open).arg(bar.high)
                          .arg(bar.low).arg(bar.close).arg(bar.volume));
    return result;
}

QStringList allBars(const MarketStore &store, const QByteArray &symbol)
{
    const QDate today = QDateTime::currentDateTimeUtc().date();
    return texts(store.lastBars(symbol, Common::DateTime::fromQDate(today), 1000000));
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
    void symbols_data();
    void symbols();
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
    const Run made = tessel({QStringLiteral("market"), QStringLiteral("init"),
                             QStringLiteral("--seed"), QStringLiteral("7"), storeFolder()});
    QVERIFY2(made.status == 0, made.err.constData());
    QVERIFY(made.out.startsWith(storeFolder().toUtf8() + "/market.sqlite: made from seed 7 as of "));
    QVERIFY(m_store.open(storeFolder()));

    // Sparse: one byte above the limit without writing it.
    QFile huge(m_dir.filePath(QStringLiteral("huge.csv")));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(16 * 1024 * 1024 + 1));
}

void tst_MarketCommand::run_data()
{
    QTest::addColumn<QStringList>("args");     // a leading "@" stands for the data folder
    QTest::addColumn<QByteArray>("csv");       // written to @/in.csv unless null
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("err");       // "@/" stands for the data folder

    const QStringList import{"market", "import-bars", "@/store", "ACME.QB", "@/in.csv"};
    const auto csv = [&import](const char *tag, const QByteArray &rows, const QByteArray &err) {
        QTest::newRow(tag) << import << QByteArray(header + rows) << 1 << err;
    };

    QTest::newRow("no-action") << QStringList{"market"} << QByteArray() << 2
                               << QByteArray("tessel market: expects an action\n" + QByteArray(topUsage));
    QTest::newRow("unknown-action") << QStringList{"market", "drop", "@/store"} << QByteArray() << 2
                                    << QByteArray("tessel market: unknown action 'drop'\n" + QByteArray(topUsage));
    const QByteArray initUsage("usage: tessel market init [--seed N] DIR\n");
    QTest::newRow("init-no-dir") << QStringList{"market", "init"} << QByteArray() << 2
                                 << "tessel market init: expects one DIR\n" + initUsage;
    QTest::newRow("init-unknown-option") << QStringList{"market", "init", "--force", "@/new"}
                                         << QByteArray() << 2
                                         << "tessel market init: unknown option '--force'\n" + initUsage;
    const QByteArray badSeed = "tessel market init: --seed takes a whole number from 0 to 4294967295\n" + initUsage;
    QTest::newRow("seed-without-value") << QStringList{"market", "init", "@/new", "--seed"}
                                        << QByteArray() << 2 << badSeed;
    QTest::newRow("seed-negative") << QStringList{"market", "init", "--seed", "-1", "@/new"}
                                   << QByteArray() << 2 << badSeed;
    QTest::newRow("seed-above-32-bits") << QStringList{"market", "init", "--seed", "4294967296", "@/new"}
                                        << QByteArray() << 2 << badSeed;
    QTest::newRow("info-two-dirs") << QStringList{"market", "info", "@/store", "@/new"} << QByteArray() << 2
                                   << QByteArray("tessel market info: expects one DIR\n"
                                                 "usage: tessel market info DIR\n");
    const QByteArray symbolsUsage("usage: tessel market symbols DIR [PATTERN]\n");
    QTest::newRow("symbols-no-dir") << QStringList{"market", "symbols"} << QByteArray() << 2
                                    << "tessel market symbols: expects DIR and at most one PATTERN\n" + symbolsUsage;
    QTest::newRow("pattern-too-long")
        << QStringList{"market", "symbols", "@/store", QString(65, QLatin1Char('A'))} << QByteArray() << 2
        << "tessel market symbols: PATTERN is longer than 64 characters\n" + symbolsUsage;
    QTest::newRow("pattern-control") << QStringList{"market", "symbols", "@/store", "AC\x1b[2JME"}
                                     << QByteArray() << 2
                                     << "tessel market symbols: PATTERN holds a control character\n" + symbolsUsage;
    QTest::newRow("pattern-empty") << QStringList{"market", "symbols", "@/store", ""} << QByteArray() << 2
                                   << "tessel market symbols: PATTERN is empty\n" + symbolsUsage;
    const QByteArray importUsage("usage: tessel market import-bars DIR SYMBOL FILE.csv\n");
    QTest::newRow("import-no-file") << QStringList{"market", "import-bars", "@/store", "ACME.QB"}
                                    << QByteArray() << 2
                                    << "tessel market import-bars: expects DIR, SYMBOL and FILE.csv\n" + importUsage;
    QTest::newRow("symbol-control") << QStringList{"market", "import-bars", "@/store", "ACME\n.QB", "@/in.csv"}
                                    << QByteArray() << 2
                                    << "tessel market import-bars: SYMBOL holds a control character\n" + importUsage;

    QTest::newRow("init-existing") << QStringList{"market", "init", "@/store"} << QByteArray() << 1
                                   << QByteArray("tessel: @/store/market.sqlite: a market store exists already\n");
    QTest::newRow("info-no-store") << QStringList{"market", "info", "@"} << QByteArray() << 1
                                   << QByteArray("tessel: @/market.sqlite: no market store; 'tessel market init' makes one\n");
    QTest::newRow("symbols-no-store") << QStringList{"market", "symbols", "@/none", "A*"} << QByteArray() << 1
                                      << QByteArray("tessel: @/none/market.sqlite: no market store; 'tessel market init' makes one\n");
    QTest::newRow("unknown-symbol") << QStringList{"market", "import-bars", "@/store", "NOSUCH.X", "@/in.csv"}
                                    << QByteArray(header + QByteArray(goodRow)) << 1
                                    << QByteArray("tessel: @/store/market.sqlite: no instrument 'NOSUCH.X'; "
                                                  "'tessel market symbols' lists them\n");
    QTest::newRow("historical-contract")
        << QStringList{"market", "import-bars", "@/store", "CL#@20250115", "@/in.csv"}
        << QByteArray(header + QByteArray(goodRow)) << 1
        << QByteArray("tessel: @/store/market.sqlite: CL#@20250115 is a historical contract, "
                      "which has no bars of its own\n");
    QTest::newRow("missing-csv") << QStringList{"market", "import-bars", "@/store", "ACME.QB", "@/none.csv"}
                                 << QByteArray() << 1
                                 << QByteArray("tessel: @/none.csv: No such file or directory\n");
    QTest::newRow("csv-is-folder") << QStringList{"market", "import-bars", "@/store", "ACME.QB", "@/store"}
                                   << QByteArray() << 1 << QByteArray("tessel: @/store: is a folder\n");
    QTest::newRow("csv-too-large") << QStringList{"market", "import-bars", "@/store", "ACME.QB", "@/huge.csv"}
                                   << QByteArray() << 1
                                   << QByteArray("tessel: @/huge.csv: larger than 16 MiB\n");

    // The file as a whole.
    QTest::newRow("empty-csv") << import << QByteArray("") << 1
                               << QByteArray("tessel: @/in.csv: empty; expected the header "
                                             "Date,Open,High,Low,Close,Volume\n");
    QTest::newRow("blank-csv") << import << QByteArray("\xef\xbb\xbf\r\n  \n") << 1
                               << QByteArray("tessel: @/in.csv: empty; expected the header "
                                             "Date,Open,High,Low,Close,Volume\n");
    QTest::newRow("header-only") << import << QByteArray(header) << 1
                                 << QByteArray("tessel: @/in.csv: no bars after the header\n");
    const QByteArray wrongHeader =
        rowError(1, "expected the header Date,Open,High,Low,Close,Volume") + summary(1);
    QTest::newRow("header-extra-column") << import
                                         << QByteArray("Date,Open,High,Low,Close,Adj Close,Volume\n")
                                         << 1 << wrongHeader;
    QTest::newRow("header-missing") << import << QByteArray(goodRow) << 1 << wrongHeader;
    QTest::newRow("binary") << import << QByteArray("\x00\x01\x02\xff\xfe", 5) << 1 << wrongHeader;
    QTest::newRow("header-too-long") << import << QByteArray(600, 'D') << 1
                                     << rowError(1, "line longer than 512 bytes") + summary(1);

    // One bad row each, after the header.
    csv("february-30", "2024-02-30,10,11,9,10,1\n",
        rowError(2, "bad date '2024-02-30', expected yyyy-MM-dd") + summary(1));
    csv("us-date", "01/02/2024,10,11,9,10,1\n",
        rowError(2, "bad date '01/02/2024', expected yyyy-MM-dd") + summary(1));
    csv("escape-in-date", "\x1b[31m2024-01-02,10,11,9,10,1\n",
        rowError(2, "bad date '\\x1b[31m2024-01-02', expected yyyy-MM-dd") + summary(1));
    csv("long-date", QByteArray(40, '9') + ",10,11,9,10,1\n",
        rowError(2, "bad date '" + QByteArray(24, '9') + "...', expected yyyy-MM-dd") + summary(1));
    csv("saturday", "2024-01-06,10,11,9,10,1\n",
        rowError(2, "2024-01-06 is a Saturday; the store holds weekdays only") + summary(1));
    csv("sunday", "2024-01-07,10,11,9,10,1\n",
        rowError(2, "2024-01-07 is a Sunday; the store holds weekdays only") + summary(1));
    csv("future", "2999-01-01,10,11,9,10,1\n",
        rowError(2, "2999-01-01 is in the future") + summary(1));
    csv("duplicate", QByteArray(goodRow) + "2024-01-03,10,11,9,10,1\n" + goodRow,
        rowError(4, "duplicate date 2024-01-02, first on line 2") + summary(1));
    csv("word", "2024-01-02,ten,11,9,10,1\n", rowError(2, "Open 'ten' is not a number") + summary(1));
    csv("nan", "2024-01-02,10,nan,9,10,1\n", rowError(2, "High 'nan' is not a number") + summary(1));
    csv("decimal-comma", "2024-01-02,10,11,9,\"10,5\",1\n",
        rowError(2, "Close '10,5' is not a number") + summary(1));
    csv("empty-price", "2024-01-02,,11,9,10,1\n", rowError(2, "Open '' is not a number") + summary(1));
    csv("negative-price", "2024-01-02,-10,11,-12,10,1\n", rowError(2, "Open -10 is negative") + summary(1));
    csv("zero-price", "2024-01-02,0,11,0,10,1\n", rowError(2, "Open 0 is zero") + summary(1));
    csv("negative-volume", "2024-01-02,10,11,9,10,-5\n", rowError(2, "Volume -5 is negative") + summary(1));
    csv("fractional-volume", "2024-01-02,10,11,9,10,1.5\n",
        rowError(2, "Volume '1.5' is not a whole number") + summary(1));
    csv("low-above-open", "2024-01-02,10,11,10.5,10.75,1\n",
        rowError(2, "Low 10.5 is above Open 10") + summary(1));
    csv("low-above-close", "2024-01-02,10,11,9.5,9,1\n", rowError(2, "Low 9.5 is above Close 9") + summary(1));
    csv("high-below-open", "2024-01-02,12,11,9,10,1\n", rowError(2, "High 11 is below Open 12") + summary(1));
    csv("high-below-close", "2024-01-02,10,11,9,11.5,1\n",
        rowError(2, "High 11 is below Close 11.5") + summary(1));
    csv("too-many-columns", "2024-01-02,10,11,9,10,10,1\n",
        rowError(2, "too many columns: 7, expected 6") + summary(1));
    csv("too-few-columns", "2024-01-02,10,11,9,10\n", rowError(2, "too few columns: 5, expected 6") + summary(1));
    csv("unclosed-quote", "2024-01-02,\"10,11,9,10,1\n", rowError(2, "unclosed quote") + summary(1));
    csv("text-after-quote", "2024-01-02,\"10\"x,11,9,10,1\n", rowError(2, "text after a closing quote") + summary(1));
    csv("line-too-long", "2024-01-02,10,11,9,10," + QByteArray(600, '1') + '\n',
        rowError(2, "line longer than 512 bytes") + summary(1));

    // Every bad row is reported, in line order, up to 20.
    csv("several", QByteArray(goodRow) + "2024-01-06,10,11,9,10,1\n\n2024-01-03,x,11,9,10,1\r\n"
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
    QFETCH(int, status);
    QFETCH(QByteArray, err);

    for (QString &arg : args) {
        if (arg == QLatin1String("@") || arg.startsWith(QLatin1String("@/")))
            arg.replace(0, 1, m_dir.path());
    }
    err.replace("@/", m_dir.path().toUtf8() + '/');
    if (!csv.isNull()) {
        QFile file(m_dir.filePath(QStringLiteral("in.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(csv);
    }

    const QStringList before = allBars(m_store, "ACME.QB");
    const Run run = tessel(args);
    QCOMPARE(run.err, err);
    QCOMPARE(run.status, status);
    QCOMPARE(run.out, QByteArray());
    // A refused import writes nothing.
    QCOMPARE(allBars(m_store, "ACME.QB"), before);
}

void tst_MarketCommand::symbols_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("symbols");

    QTest::newRow("exact") << "ACME.QB" << QStringList{"ACME.QB"};
    QTest::newRow("any-case") << "acme.qB" << QStringList{"ACME.QB"};
    QTest::newRow("one-character") << "NRTH.?" << QStringList{"NRTH.N"};
    QTest::newRow("continuous") << "cl#" << QStringList{"CL#"};
    QTest::newRow("no-match") << "ZZZZZZ*" << QStringList();

    // Hostile patterns stand for themselves: no symbol holds these characters.
    QTest::newRow("percent") << "%" << QStringList();
    QTest::newRow("underscore") << "ACME_QB" << QStringList();
    QTest::newRow("bracket-class") << "[A]CME.QB" << QStringList();
    QTest::newRow("backslash") << "ACME\\.QB" << QStringList();
    QTest::newRow("quotes") << "%'\";--" << QStringList();
    QTest::newRow("injection") << "*' OR '1'='1" << QStringList();
    QTest::newRow("drop-table") << "x'; DROP TABLE instruments; --" << QStringList();
    QTest::newRow("glob-in-star") << "*%*" << QStringList();
    QTest::newRow("non-ascii") << QString::fromUtf8("ACME\xc3\xa9*") << QStringList();
}

void tst_MarketCommand::symbols()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, symbols);

    const qint64 instruments = m_store.counts().instruments;
    const Run run = tessel({QStringLiteral("market"), QStringLiteral("symbols"), storeFolder(), pattern});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QStringList listed;
    for (const QString &line : QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        listed.append(line.section(QLatin1Char(' '), 0, 0));
    QCOMPARE(listed, symbols);
    QCOMPARE(m_store.counts().instruments, instruments);
}

// The whole list: every instrument once, in the store's order, its type named, columns aligned.
void tst_MarketCommand::listing()
{
    const Run run = tessel({QStringLiteral("market"), QStringLiteral("symbols"), storeFolder()});
    QCOMPARE(run.status, 0);
    const QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QVector<FeedApi::Market::Instrument> instruments = m_store.instruments();
    QCOMPARE(lines.size(), instruments.size());
    int typeColumn = 0;
    for (const FeedApi::Market::Instrument &instrument : instruments)
        typeColumn = qMax(typeColumn, instrument.symbol.size() + 2);

    const QHash<QString, QString> types{
        {"ACME.QB", "Stock"}, {"QIX", "Index"}, {"EURUSD", "Forex"}, {"BND10Y", "Bond"},
        {"CL#", "FuturesContinuous"}, {"CLZ27", "Futures"}, {"AMFX", "MutualFund"},
    };
    int typesSeen = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const QString symbol = QString::fromLatin1(instruments.at(i).symbol);
        QCOMPARE(line.left(typeColumn).trimmed(), symbol);
        QVERIFY2(line.size() > typeColumn && line.at(typeColumn) != QLatin1Char(' '), qPrintable(line));
        if (types.contains(symbol)) {
            QCOMPARE(line.mid(typeColumn).section(QLatin1Char(' '), 0, 0), types.value(symbol));
            ++typesSeen;
        }
    }
    QCOMPARE(typesSeen, types.size());
}

void tst_MarketCommand::import_data()
{
    QTest::addColumn<QByteArray>("symbol");
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("bars");
    QTest::addColumn<QByteArray>("out");

    const QStringList three = texts({bar(20231229, 9.5, 10.25, 9, 10, 1200),
                                     bar(20240102, 10, 11, 9.75, 10.5, 0),
                                     bar(20240103, 10.5, 10.5, 10.5, 10.5, 987654321)});
    const QByteArray threeOut = ": 3 bars imported (2023-12-29 to 2024-01-03), ";
    QTest::newRow("plain") << QByteArray("ACME.QB")
                           << QByteArray("Date,Open,High,Low,Close,Volume\n2023-12-29,9.5,10.25,9,10,1200\n"
                                         "2024-01-02,10,11,9.75,10.5,0\n2024-01-03,10.5,10.5,10.5,10.5,987654321")
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
    QTest::newRow("futures-contract")
        << QByteArray("CLZ27")
        << QByteArray("Date,Open,High,Low,Close,Volume\n2024-01-02,70.5,71.25,70.01,71,30\n")
        << texts({bar(20240102, 70.5, 71.25, 70.01, 71, 30)})
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
    QFile file(csvName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(csv);
    file.close();

    const int old = allBars(m_store, symbol).size();
    QVERIFY(old > 0);
    const QStringList other = allBars(m_store, "QIX");
    const Run run = tessel({QStringLiteral("market"), QStringLiteral("import-bars"), dir.path(),
                            QString::fromLatin1(symbol), csvName});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, symbol + out + QByteArray::number(old) + " replaced\n");

    MarketStore store;
    QVERIFY(store.open(dir.path()));
    QCOMPARE(allBars(store, symbol), bars);
    QCOMPARE(allBars(store, "QIX"), other);
    const Run info = tessel({QStringLiteral("market"), QStringLiteral("info"), dir.path()});
    QCOMPARE(info.status, 0);
    const QByteArray count = QByteArray::number(m_store.counts().bars - old + bars.size());
    QVERIFY2(info.out.contains("\nbars:           " + count + " ("), info.out.constData());
}

QTEST_GUILESS_MAIN(tst_MarketCommand)
#include "tst_marketcommand.moc"

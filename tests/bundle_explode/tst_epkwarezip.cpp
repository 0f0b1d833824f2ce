#include "testsupport.h"

#include <bundle/epkwarezip.h>
#include <bundle/pkwaretables.h>
#include <pkwareimplode.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

Q_DECLARE_METATYPE(IPkwareZip::Result)
Q_DECLARE_METATYPE(PkwareCoding)

namespace {

constexpr qint64 WholeReads = 1 << 30;

struct Outcome
{
    IPkwareZip::Result result;
    QByteArray output;
};

// Explodes input, handing it out readSize bytes per read.
Outcome explodeBytes(const QByteArray &input, qint64 limit = EPkwareZip::DefaultOutputLimit,
                     qint64 readSize = WholeReads)
{
    EPkwareZip zip;
    zip.setOutputLimit(limit);
    qint64 offset = 0;
    Outcome outcome;
    outcome.result = zip.explode(
        [&](char *buffer, qint64 size) {
            const qint64 n = qMin(qMin(size, readSize), input.size() - offset);
            memcpy(buffer, input.constData() + offset, size_t(n));
            offset += n;
            return n;
        },
        [&](const char *data, qint64 size) {
            outcome.output.append(data, int(size));
            return true;
        });
    return outcome;
}

QByteArray readData(const QString &name)
{
    QFile file(testDataPath() + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read test data %s", qPrintable(file.fileName()));
    return file.readAll();
}

QStringList vectorNames()
{
    QStringList names = QDir(testDataPath()).entryList({QStringLiteral("*.imploded")}, QDir::Files,
                                                       QDir::Name);
    for (QString &name : names)
        name.chop(int(strlen(".imploded")));
    return names;
}

// Builds streams bit by bit, for inputs the compressor never makes.
class StreamBuilder
{
public:
    explicit StreamBuilder(int dictionaryBits = 6)
        : m_dictionaryBits(dictionaryBits)
    {
        m_bytes.append(char(Pkware::BinaryLiterals));
        m_bytes.append(char(dictionaryBits));
    }

    StreamBuilder &literal(uchar byte)
    {
        put(0, 1);
        put(byte, 8);
        return *this;
    }

    StreamBuilder &match(int length, int distance)
    {
        putLength(length);
        const int low = length == 2 ? Pkware::ShortMatchLowBits : m_dictionaryBits;
        const int high = (distance - 1) >> low;
        put(Pkware::DistanceCodes[high], Pkware::DistanceCodeBits[high]);
        put(quint32(distance - 1) & ((1u << low) - 1), low);
        return *this;
    }

    QByteArray end()
    {
        putLength(Pkware::EndOfStreamLength);
        if (m_count > 0)
            m_bytes.append(char(m_bits));
        return m_bytes;
    }

private:
    void putLength(int length)
    {
        int symbol = Pkware::LengthSymbols - 1;
        while (Pkware::LengthBase[symbol] > length)
            --symbol;
        put(1, 1);
        put(Pkware::LengthCodes[symbol], Pkware::LengthCodeBits[symbol]);
        put(quint32(length - Pkware::LengthBase[symbol]), Pkware::LengthExtraBits[symbol]);
    }

    void put(quint32 value, int bits)
    {
        m_bits |= quint64(value) << m_count;
        m_count += bits;
        for (; m_count >= 8; m_count -= 8, m_bits >>= 8)
            m_bytes.append(char(m_bits & 0xff));
    }

    QByteArray m_bytes;
    const int m_dictionaryBits;
    quint64 m_bits = 0;
    int m_count = 0;
};

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

// About 1 MB of literals, runs, text and copies of every length and distance.
QByteArray mixedContent(const QByteArray &text)
{
    QRandomGenerator random(7);
    QByteArray data;
    while (data.size() < 1024 * 1024) {
        switch (random.bounded(4)) {
        case 0:
            data += randomBytes(int(random.bounded(1, 64)), random.generate());
            break;
        case 1:
            data += QByteArray(int(random.bounded(1, 1200)), char(random.bounded(256)));
            break;
        case 2:
            data += text.mid(int(random.bounded(text.size())), int(random.bounded(1, 2000)));
            break;
        default:
            if (data.isEmpty())
                break;
            const int distance = int(random.bounded(1, qMin(data.size(), 5000) + 1));
            const int length = int(random.bounded(2, 700));
            for (int i = 0; i < length; ++i)
                data.append(data.at(data.size() - distance));
        }
    }
    return data;
}

} // namespace

class tst_EPkwareZip : public QObject
{
    Q_OBJECT

private slots:
    void vectors_data();
    void vectors();
    void truncated_data();
    void truncated();
    void badHeader_data();
    void badHeader();
    void distances_data();
    void distances();
    void endCodeCutShort_data();
    void endCodeCutShort();
    void flippedBits();
    void outputLimit_data();
    void outputLimit();
    void smallStreamCannotExhaustMemory();
    void writeRefused();
    void readCallbackOverreports();
    void roundTrip_data();
    void roundTrip();
    void compressesText_data();
    void compressesText();
    void implodeRefusesDictionarySize();
};

void tst_EPkwareZip::vectors_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("readSize");
    const QStringList names = vectorNames();
    QVERIFY(!names.isEmpty());
    for (const QString &name : names) {
        QTest::newRow(qPrintable(name)) << name << WholeReads;
        QTest::newRow(qPrintable(name + QLatin1String("/bytewise"))) << name << qint64(1);
        QTest::newRow(qPrintable(name + QLatin1String("/reads-of-7"))) << name << qint64(7);
    }
}

// Every vector decodes to its .raw exactly, however the input is handed out.
void tst_EPkwareZip::vectors()
{
    QFETCH(QString, name);
    QFETCH(qint64, readSize);
    const Outcome outcome = explodeBytes(readData(name + QLatin1String(".imploded")),
                                         EPkwareZip::DefaultOutputLimit, readSize);
    QCOMPARE(outcome.result, IPkwareZip::Ok);
    QVERIFY(outcome.output == readData(name + QLatin1String(".raw")));
}

void tst_EPkwareZip::truncated_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : vectorNames())
        QTest::newRow(qPrintable(name)) << name;
}

// A stream cut anywhere before its end-of-stream code is truncated, and what was decoded
// before the cut is the start of the right output.
void tst_EPkwareZip::truncated()
{
    QFETCH(QString, name);
    const QByteArray stream = readData(name + QLatin1String(".imploded"));
    const QByteArray raw = readData(name + QLatin1String(".raw"));

    // Streams may end with bytes the decoder never reads; find where the end code ends.
    int needed = stream.size();
    while (needed > 0 && explodeBytes(stream.left(needed - 1)).result == IPkwareZip::Ok)
        --needed;
    QVERIFY(needed >= Pkware::HeaderSize + 2);

    QVector<int> cuts;
    if (needed <= 1024) {
        for (int cut = 0; cut < needed; ++cut)
            cuts.append(cut);
    } else {
        cuts = {0, 1, 2, 3, 4, needed - 2, needed - 1};
        for (int i = 1; i < 32; ++i)
            cuts.append(int(qint64(needed) * i / 32));
    }
    for (int cut : cuts) {
        const Outcome outcome = explodeBytes(stream.left(cut), EPkwareZip::DefaultOutputLimit,
                                             cut % 2 ? 5 : WholeReads);
        QVERIFY2(outcome.result == IPkwareZip::Truncated, qPrintable(QString::number(cut)));
        QVERIFY2(raw.startsWith(outcome.output), qPrintable(QString::number(cut)));
    }
}

void tst_EPkwareZip::badHeader_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<IPkwareZip::Result>("expected");
    const QByteArray endCode = QByteArray::fromHex("01ff00");
    QTest::newRow("empty") << QByteArray() << IPkwareZip::Truncated;
    QTest::newRow("one-byte") << QByteArray::fromHex("00") << IPkwareZip::Truncated;
    QTest::newRow("header-only") << QByteArray::fromHex("0006") << IPkwareZip::Truncated;
    QTest::newRow("coding-2") << QByteArray::fromHex("0204") + endCode << IPkwareZip::BadHeader;
    QTest::newRow("coding-ff") << QByteArray::fromHex("ff04") + endCode << IPkwareZip::BadHeader;
    QTest::newRow("dictionary-0") << QByteArray::fromHex("0000") + endCode << IPkwareZip::BadHeader;
    QTest::newRow("dictionary-3") << QByteArray::fromHex("0103") + endCode << IPkwareZip::BadHeader;
    QTest::newRow("dictionary-7") << QByteArray::fromHex("0007") + endCode << IPkwareZip::BadHeader;
    QTest::newRow("dictionary-4") << QByteArray::fromHex("0104") + endCode << IPkwareZip::Ok;
    QTest::newRow("dictionary-6") << QByteArray::fromHex("0006") + endCode << IPkwareZip::Ok;
}

void tst_EPkwareZip::badHeader()
{
    QFETCH(QByteArray, stream);
    QFETCH(IPkwareZip::Result, expected);
    const Outcome outcome = explodeBytes(stream);
    QCOMPARE(outcome.result, expected);
    QVERIFY(outcome.output.isEmpty());
}

void tst_EPkwareZip::distances_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<IPkwareZip::Result>("expected");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("match-first") << StreamBuilder().match(3, 1).end() << IPkwareZip::Corrupt
                                 << QByteArray();
    QTest::newRow("distance-output") << StreamBuilder().literal('a').literal('b').match(3, 2).end()
                                     << IPkwareZip::Ok << QByteArray("ababa");
    QTest::newRow("distance-output+1")
        << StreamBuilder().literal('a').literal('b').match(3, 3).end() << IPkwareZip::Corrupt
        << QByteArray("ab");
    QTest::newRow("short-match-too-far")
        << StreamBuilder().literal('a').match(2, 2).end() << IPkwareZip::Corrupt << QByteArray("a");
    QByteArray window;
    StreamBuilder farthest(4);
    for (int i = 0; i < 1024; ++i) {
        window.append(char(i * 7));
        farthest.literal(uchar(i * 7));
    }
    QTest::newRow("farthest-1k") << farthest.match(518, 1024).end() << IPkwareZip::Ok
                                 << window + window.left(518);
}

// Only a distance reaching before the start of the output is corrupt.
void tst_EPkwareZip::distances()
{
    QFETCH(QByteArray, stream);
    QFETCH(IPkwareZip::Result, expected);
    QFETCH(QByteArray, output);
    const Outcome outcome = explodeBytes(stream);
    QCOMPARE(outcome.result, expected);
    QCOMPARE(outcome.output, output);
}

void tst_EPkwareZip::endCodeCutShort_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<IPkwareZip::Result>("expected");
    QTest::addColumn<QByteArray>("output");
    // After k literals of 9 bits, the end code's 8 extra bits start at bit 9k + 8, so leaving
    // out the last byte loses 8 - k % 8 of them.
    for (int literals : {1, 2, 7, 8}) {
        StreamBuilder builder;
        for (int i = 0; i < literals; ++i)
            builder.literal('x');
        QTest::newRow(qPrintable(QStringLiteral("%1-literals").arg(literals)))
            << builder.end().chopped(1)
            << (literals % 8 ? IPkwareZip::Ok : IPkwareZip::Truncated)
            << QByteArray(literals, 'x');
    }
    // A long match, not the end code, cut in its extra bits (0b00100100 for 300).
    QTest::newRow("long-match-cut")
        << StreamBuilder().literal('x').match(300, 1).end().left(Pkware::HeaderSize + 3)
        << IPkwareZip::Truncated << QByteArray("x");
}

// Some writers leave out the last, partial byte: an end code missing only some of its extra
// bits still ends the stream.
void tst_EPkwareZip::endCodeCutShort()
{
    QFETCH(QByteArray, stream);
    QFETCH(IPkwareZip::Result, expected);
    QFETCH(QByteArray, output);
    const Outcome outcome = explodeBytes(stream);
    QCOMPARE(outcome.result, expected);
    QCOMPARE(outcome.output, output);
}

// Damaged streams end with a result, never a crash, and never produce more than the limit.
void tst_EPkwareZip::flippedBits()
{
    constexpr qint64 limit = 1024 * 1024;
    QRandomGenerator random(42);
    for (const QString &name : vectorNames()) {
        const QByteArray stream = readData(name + QLatin1String(".imploded"));
        if (stream.size() > 100000)
            continue;
        for (int i = 0; i < 64; ++i) {
            QByteArray damaged = stream;
            const int flips = 1 + int(random.bounded(3));
            for (int f = 0; f < flips; ++f) {
                const int bit = int(random.bounded(damaged.size() * 8));
                damaged[bit / 8] = char(damaged.at(bit / 8) ^ (1 << (bit % 8)));
            }
            const Outcome outcome = explodeBytes(damaged, limit);
            QVERIFY(outcome.output.size() <= limit);
            if (damaged.left(2) == stream.left(2))
                QVERIFY(outcome.result != IPkwareZip::BadHeader);
        }
    }
}

void tst_EPkwareZip::outputLimit_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"p-empty-bin-4k", "p-two-ascii-1k", "p-zeros-bin-4k",
                             "p-mixed-ascii-2k", "p-big-bin-4k"}) {
        QTest::newRow(name) << QString::fromLatin1(name);
    }
}

// An output of N bytes decodes with a limit of N and stops cleanly with N - 1.
void tst_EPkwareZip::outputLimit()
{
    QFETCH(QString, name);
    const QByteArray stream = readData(name + QLatin1String(".imploded"));
    const QByteArray raw = readData(name + QLatin1String(".raw"));

    const Outcome fits = explodeBytes(stream, raw.size());
    QCOMPARE(fits.result, IPkwareZip::Ok);
    QVERIFY(fits.output == raw);

    if (raw.isEmpty()) {
        QCOMPARE(explodeBytes(stream, -1).result, IPkwareZip::Ok);
        return;
    }
    const Outcome over = explodeBytes(stream, raw.size() - 1);
    QCOMPARE(over.result, IPkwareZip::OutputTooLarge);
    QVERIFY(over.output.size() <= raw.size() - 1);
    QVERIFY(raw.startsWith(over.output));
}

// A 3 MB stream of longest matches would make 540 MB; the default limit stops it at the
// largest payload a secured file may have.
void tst_EPkwareZip::smallStreamCannotExhaustMemory()
{
    StreamBuilder bomb;
    bomb.literal(0);
    for (int i = 0; i < 1040000; ++i)
        bomb.match(Pkware::MaxMatchLength, 1);
    const QByteArray stream = bomb.end();
    QVERIFY(stream.size() < 4 * 1024 * 1024);

    EPkwareZip zip;
    qint64 offset = 0;
    qint64 written = 0;
    const IPkwareZip::Result result = zip.explode(
        [&](char *buffer, qint64 size) {
            const qint64 n = qMin(size, stream.size() - offset);
            memcpy(buffer, stream.constData() + offset, size_t(n));
            offset += n;
            return n;
        },
        [&](const char *, qint64 size) {
            written += size;
            return true;
        });
    QCOMPARE(result, IPkwareZip::OutputTooLarge);
    QVERIFY(written <= EPkwareZip::DefaultOutputLimit);
    QVERIFY(written > EPkwareZip::DefaultOutputLimit - Pkware::MaxMatchLength);
}

void tst_EPkwareZip::writeRefused()
{
    const QByteArray stream = readData(QStringLiteral("p-big-bin-4k.imploded"));
    for (int refuseAt : {0, 1, 3}) {
        EPkwareZip zip;
        qint64 offset = 0;
        int writes = 0;
        const IPkwareZip::Result result = zip.explode(
            [&](char *buffer, qint64 size) {
                const qint64 n = qMin(size, stream.size() - offset);
                memcpy(buffer, stream.constData() + offset, size_t(n));
                offset += n;
                return n;
            },
            [&](const char *, qint64) { return writes++ < refuseAt; });
        QCOMPARE(result, IPkwareZip::WriteFailed);
        QCOMPARE(writes, refuseAt + 1);
    }
}

// A read callback that claims more than it was asked for is a programmer error: it is
// reported and taken as the end of the input.
void tst_EPkwareZip::readCallbackOverreports()
{
    LogCapture log;
    EPkwareZip zip;
    const IPkwareZip::Result result = zip.explode(
        [](char *, qint64 size) { return size + 1; },
        [](const char *, qint64) { return true; });
    QCOMPARE(result, IPkwareZip::Truncated);
    QCOMPARE(log.texts("Assert").size(), 1);
}

void tst_EPkwareZip::roundTrip_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<PkwareCoding>("coding");
    QTest::addColumn<int>("dictionarySize");

    const QByteArray text = readData(QStringLiteral("p-text-bin-4k.raw"));
    QByteArray allBytes;
    for (int i = 0; i < 512; ++i)
        allBytes.append(char(i));
    const QByteArray zeros(100000, '\0');
    const QVector<QPair<const char *, QByteArray>> contents = {
        {"empty", QByteArray()},
        {"one-byte", QByteArray("\xe9")},
        {"all-bytes", allBytes},
        {"zeros", zeros},
        {"runs", QByteArray(519, 'a') + QByteArray(520, 'b') + QByteArray(2, 'c') + "ab"},
        {"text", text},
        {"random", randomBytes(50000, 3)},
        {"mixed-1mb", mixedContent(text)},
    };
    for (const auto &content : contents) {
        for (PkwareCoding coding : {PkwareCoding::Binary, PkwareCoding::Ascii}) {
            for (int dictionarySize : {1024, 2048, 4096}) {
                const QString row = QLatin1String(content.first)
                    + (coding == PkwareCoding::Ascii ? QLatin1String("/ascii/")
                                                     : QLatin1String("/binary/"))
                    + QString::number(dictionarySize);
                QTest::newRow(qPrintable(row)) << content.second << coding << dictionarySize;
            }
        }
    }
}

void tst_EPkwareZip::roundTrip()
{
    QFETCH(QByteArray, data);
    QFETCH(PkwareCoding, coding);
    QFETCH(int, dictionarySize);
    const QByteArray stream = pkwareImplode(data, coding, dictionarySize);
    QCOMPARE(stream.at(0), char(coding == PkwareCoding::Ascii ? 1 : 0));
    QCOMPARE(1 << (stream.at(1) + Pkware::DistanceHighBits), dictionarySize);
    const Outcome outcome = explodeBytes(stream, data.size());
    QCOMPARE(outcome.result, IPkwareZip::Ok);
    QVERIFY(outcome.output == data);
}

void tst_EPkwareZip::compressesText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<PkwareCoding>("coding");
    QTest::addColumn<int>("dictionarySize");
    for (const char *content : {"text", "html"}) {
        for (PkwareCoding coding : {PkwareCoding::Binary, PkwareCoding::Ascii}) {
            for (int dictionarySize : {1024, 2048, 4096}) {
                const QString name = QStringLiteral("p-%1-%2-%3k")
                                         .arg(QLatin1String(content))
                                         .arg(coding == PkwareCoding::Ascii ? QLatin1String("ascii")
                                                                            : QLatin1String("bin"))
                                         .arg(dictionarySize / 1024);
                QTest::newRow(qPrintable(name)) << name << coding << dictionarySize;
            }
        }
    }
}

// Text shrinks to well under half, and no worse than the reference streams.
void tst_EPkwareZip::compressesText()
{
    QFETCH(QString, name);
    QFETCH(PkwareCoding, coding);
    QFETCH(int, dictionarySize);
    const QByteArray raw = readData(name + QLatin1String(".raw"));
    const QByteArray reference = readData(name + QLatin1String(".imploded"));
    const QByteArray stream = pkwareImplode(raw, coding, dictionarySize);
    QVERIFY2(stream.size() < raw.size() * 2 / 5,
             qPrintable(QStringLiteral("%1 of %2").arg(stream.size()).arg(raw.size())));
    QVERIFY2(stream.size() <= reference.size(),
             qPrintable(QStringLiteral("%1, reference %2").arg(stream.size())
                            .arg(reference.size())));
}

void tst_EPkwareZip::implodeRefusesDictionarySize()
{
    LogCapture log;
    for (int dictionarySize : {0, 512, 3000, 8192})
        QVERIFY(pkwareImplode("abc", PkwareCoding::Binary, dictionarySize).isEmpty());
    QCOMPARE(log.texts("Assert").size(), 4);
}

QTEST_GUILESS_MAIN(tst_EPkwareZip)

#include "tst_epkwarezip.moc"

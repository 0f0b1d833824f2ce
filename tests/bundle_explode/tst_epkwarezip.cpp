#include "testsupport.h"

#include <bundle/epkwarezip.h>
#include <bundle/pkwaretables.h>
#include <pkwareimplode.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(IPkwareZip::Result)
Q_DECLARE_METATYPE(PkwareCoding)

namespace {

constexpr qint64 WholeReads = 1 << 30;

struct Outcome
{
    IPkwareZip::Result result;
    QByteArray output;
};

// Hands input out, at most readSize bytes per read.
IPkwareZip::ReadCallback reader(const QByteArray &input, qint64 readSize = WholeReads)
{
    const auto offset = std::make_shared<qint64>(0);
    return [input, readSize, offset](char *buffer, qint64 size) {
        const qint64 n = qMin(qMin(size, readSize), input.size() - *offset);
        memcpy(buffer, input.constData() + *offset, size_t(n));
        *offset += n;
        return n;
    };
}

Outcome explodeBytes(const QByteArray &input, qint64 limit = EPkwareZip::DefaultOutputLimit,
                     qint64 readSize = WholeReads)
{
    EPkwareZip zip;
    zip.setOutputLimit(limit);
    Outcome outcome;
    outcome.result = zip.explode(reader(input, readSize), [&](const char *data, qint64 size) {
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
    QStringList names = QDir(testDataPath()).entryList({QStringLiteral("*.imploded")}, QDir::Files);
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
        m_bytes.append(char(Pkware::BinaryLiterals)).append(char(dictionaryBits));
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
        for (m_count += bits; m_count >= 8; m_count -= 8, m_bits >>= 8)
            m_bytes.append(char(m_bits & 0xff));
    }

    QByteArray m_bytes;
    const int m_dictionaryBits;
    quint64 m_bits = 0;
    int m_count = 0;
};

} // namespace

class tst_EPkwareZip : public QObject
{
    Q_OBJECT

private slots:
    void vectors_data();
    void vectors();
    void chunkedInput();
    void streams_data();
    void streams();
    void flippedBits();
    void outputLimit_data();
    void outputLimit();
    void smallStreamCannotExhaustMemory();
    void callbacksMisbehave();
    void roundTrip_data();
    void roundTrip();
    void implodeRefusesDictionarySize();
};

void tst_EPkwareZip::vectors_data()
{
    QTest::addColumn<QString>("name");
    const QStringList names = vectorNames();
    QVERIFY(!names.isEmpty());
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name;
}

// Every vector decodes to its .raw exactly. Cut anywhere before its end-of-stream code, it is
// truncated, and what was decoded before the cut is the start of the right output.
void tst_EPkwareZip::vectors()
{
    QFETCH(QString, name);
    const QByteArray stream = readData(name + QLatin1String(".imploded"));
    const QByteArray raw = readData(name + QLatin1String(".raw"));
    const Outcome whole = explodeBytes(stream);
    QCOMPARE(whole.result, IPkwareZip::Ok);
    QVERIFY(whole.output == raw);

    // Streams may end with bytes the decoder never reads; find where the end code ends.
    int needed = stream.size();
    while (needed > 0 && explodeBytes(stream.left(needed - 1)).result == IPkwareZip::Ok)
        --needed;
    QVERIFY(needed >= Pkware::HeaderSize + 2);
    QVector<int> cuts = {0, 1, 2, 3, needed - 2, needed - 1};
    for (int i = 1; i < 32; ++i)
        cuts.append(needed <= 1024 ? 0 : int(qint64(needed) * i / 32));
    for (int cut = 4; cut < (needed <= 1024 ? needed - 2 : 5); ++cut)
        cuts.append(cut);
    for (int cut : cuts) {
        const Outcome outcome = explodeBytes(stream.left(cut), EPkwareZip::DefaultOutputLimit,
                                             cut % 2 ? 5 : WholeReads);
        QVERIFY2(outcome.result == IPkwareZip::Truncated, qPrintable(QString::number(cut)));
        QVERIFY2(raw.startsWith(outcome.output), qPrintable(QString::number(cut)));
    }
}

// The input handed out a byte, or 7 bytes, at a time decodes the same.
void tst_EPkwareZip::chunkedInput()
{
    const QByteArray stream = readData(QStringLiteral("p-mixed-ascii-2k.imploded"));
    const QByteArray raw = readData(QStringLiteral("p-mixed-ascii-2k.raw"));
    for (qint64 readSize : {1, 7}) {
        const Outcome outcome = explodeBytes(stream, EPkwareZip::DefaultOutputLimit, readSize);
        QCOMPARE(outcome.result, IPkwareZip::Ok);
        QVERIFY(outcome.output == raw);
    }
}

// Headers, distances and end codes cut short. Only a distance reaching before the start of
// the output is corrupt. Some writers leave out the last, partial byte: an end code missing
// only some of its extra bits still ends the stream.
void tst_EPkwareZip::streams_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<IPkwareZip::Result>("expected");
    QTest::addColumn<QByteArray>("output");
    const QByteArray endCode = QByteArray::fromHex("01ff00");
    const auto row = [](const char *tag, const QByteArray &stream, IPkwareZip::Result expected,
                        const QByteArray &output = QByteArray()) {
        QTest::newRow(tag) << stream << expected << output;
    };
    row("empty", QByteArray(), IPkwareZip::Truncated);
    row("one-byte", QByteArray::fromHex("00"), IPkwareZip::Truncated);
    row("header-only", QByteArray::fromHex("0006"), IPkwareZip::Truncated);
    row("coding-2", QByteArray::fromHex("0204") + endCode, IPkwareZip::BadHeader);
    row("coding-ff", QByteArray::fromHex("ff04") + endCode, IPkwareZip::BadHeader);
    row("dictionary-0", QByteArray::fromHex("0000") + endCode, IPkwareZip::BadHeader);
    row("dictionary-3", QByteArray::fromHex("0103") + endCode, IPkwareZip::BadHeader);
    row("dictionary-7", QByteArray::fromHex("0007") + endCode, IPkwareZip::BadHeader);
    row("dictionary-4", QByteArray::fromHex("0104") + endCode, IPkwareZip::Ok);
    row("dictionary-6", QByteArray::fromHex("0006") + endCode, IPkwareZip::Ok);
    row("match-first", StreamBuilder().match(3, 1).end(), IPkwareZip::Corrupt);
    row("distance-output", StreamBuilder().literal('a').literal('b').match(3, 2).end(), IPkwareZip::Ok, "ababa");
    row("distance-output+1", StreamBuilder().literal('a').literal('b').match(3, 3).end(), IPkwareZip::Corrupt, "ab");
    row("short-match-too-far", StreamBuilder().literal('a').match(2, 2).end(), IPkwareZip::Corrupt, "a");
    QByteArray window;
    StreamBuilder farthest(4);
    for (int i = 0; i < 1024; ++i) {
        window.append(char(i * 7));
        farthest.literal(uchar(i * 7));
    }
    row("farthest-1k", farthest.match(518, 1024).end(), IPkwareZip::Ok, window + window.left(518));
    // After k literals of 9 bits, the end code's 8 extra bits start at bit 9k + 8, so leaving
    // out the last byte loses 8 - k % 8 of them.
    for (int literals : {1, 2, 7, 8}) {
        StreamBuilder builder;
        for (int i = 0; i < literals; ++i)
            builder.literal('x');
        row(qPrintable(QStringLiteral("end-cut-after-%1-literals").arg(literals)), builder.end().chopped(1),
            literals % 8 ? IPkwareZip::Ok : IPkwareZip::Truncated, QByteArray(literals, 'x'));
    }
    // A long match, not the end code, cut in its extra bits (0b00100100 for 300).
    row("long-match-cut", StreamBuilder().literal('x').match(300, 1).end().left(Pkware::HeaderSize + 3), IPkwareZip::Truncated, "x");
}

void tst_EPkwareZip::streams()
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
        for (int i = 0; stream.size() <= 100000 && i < 64; ++i) {
            QByteArray damaged = stream;
            for (int f = 1 + int(random.bounded(3)); f > 0; --f) {
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
    for (const char *name : {"p-empty-bin-4k", "p-two-ascii-1k", "p-zeros-bin-4k", "p-mixed-ascii-2k", "p-big-bin-4k"})
        QTest::newRow(name) << QString::fromLatin1(name);
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
    qint64 written = 0;
    EPkwareZip zip;
    QCOMPARE(zip.explode(reader(stream), [&](const char *, qint64 size) { written += size; return true; }),
             IPkwareZip::OutputTooLarge);
    QVERIFY(written <= EPkwareZip::DefaultOutputLimit);
    QVERIFY(written > EPkwareZip::DefaultOutputLimit - Pkware::MaxMatchLength);
}

// A refused write stops at once. A read callback that claims more than it was asked for is a
// programmer error: it is reported and taken as the end of the input.
void tst_EPkwareZip::callbacksMisbehave()
{
    const QByteArray stream = readData(QStringLiteral("p-big-bin-4k.imploded"));
    for (int refuseAt : {0, 1, 3}) {
        int writes = 0;
        EPkwareZip zip;
        QCOMPARE(zip.explode(reader(stream), [&](const char *, qint64) { return writes++ < refuseAt; }),
                 IPkwareZip::WriteFailed);
        QCOMPARE(writes, refuseAt + 1);
    }
    LogCapture log;
    EPkwareZip zip;
    QCOMPARE(zip.explode([](char *, qint64 size) { return size + 1; }, [](const char *, qint64) { return true; }),
             IPkwareZip::Truncated);
    QCOMPARE(log.texts("Assert").size(), 1);
}

// What the compressor makes decodes to its input; text shrinks to well under half, and no
// worse than the reference streams.
void tst_EPkwareZip::roundTrip_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<PkwareCoding>("coding");
    QTest::addColumn<int>("dictionarySize");
    QTest::addColumn<QByteArray>("reference");   // empty: no size check

    const QByteArray runs = QByteArray(519, 'a') + QByteArray(520, 'b') + QByteArray(2, 'c') + "ab";
    for (const char *content : {"empty", "two", "runs", "allbytes", "zeros", "random", "mixed", "text", "html"}) {
        for (PkwareCoding coding : {PkwareCoding::Binary, PkwareCoding::Ascii}) {
            for (int dictionarySize : {1024, 2048, 4096}) {
                const QString name = QStringLiteral("p-%1-%2-%3k").arg(QLatin1String(content))
                    .arg(QLatin1String(coding == PkwareCoding::Ascii ? "ascii" : "bin")).arg(dictionarySize / 1024);
                const bool text = !qstrcmp(content, "text") || !qstrcmp(content, "html");
                QTest::newRow(qPrintable(name))
                    << (qstrcmp(content, "runs") ? readData(name + QLatin1String(".raw")) : runs) << coding
                    << dictionarySize << (text ? readData(name + QLatin1String(".imploded")) : QByteArray());
            }
        }
    }
}

void tst_EPkwareZip::roundTrip()
{
    QFETCH(QByteArray, data);
    QFETCH(PkwareCoding, coding);
    QFETCH(int, dictionarySize);
    QFETCH(QByteArray, reference);
    const QByteArray stream = pkwareImplode(data, coding, dictionarySize);
    QCOMPARE(stream.at(0), char(coding == PkwareCoding::Ascii ? 1 : 0));
    QCOMPARE(1 << (stream.at(1) + Pkware::DistanceHighBits), dictionarySize);
    const Outcome outcome = explodeBytes(stream, data.size());
    QCOMPARE(outcome.result, IPkwareZip::Ok);
    QVERIFY(outcome.output == data);
    if (!reference.isEmpty()) {
        QVERIFY2(stream.size() < data.size() * 2 / 5, qPrintable(QString::number(stream.size())));
        QVERIFY2(stream.size() <= reference.size(), qPrintable(QString::number(stream.size())));
    }
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
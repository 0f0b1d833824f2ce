#include "jsontestutils.h"
#include "testsupport.h"

#include "common/jsonparser.h"
#include "common/jsonparserexception.h"
#include "common/jsonwriter.h"

#include <QBuffer>
#include <QDir>
#include <QRandomGenerator>
#include <QtNumeric>
#include <QtTest>

#include <cstring>
#include <limits>
#include <memory>

using Common::JsonParser;
using Common::JsonParserException;

namespace {

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QString randomString(QRandomGenerator *random)
{
    // Characters the writer escapes, other controls, '/', ASCII, Latin-1, other BMP
    // characters and pairs of surrogates.
    static const QString pool = QStringLiteral("\"\\\b\f\n\r\t\x01\x1f/ az09:,{}[]\u00a0\u00e9\u0416\u20ac");
    QString text;
    for (int i = random->bounded(12); i > 0; --i) {
        const int kind = random->bounded(4);
        if (kind == 0)
            text.append(QChar::fromLatin1(char(32 + random->bounded(95))));
        else if (kind == 1)
            text.append(pool.at(random->bounded(pool.size())));
        else if (kind == 2)
            text.append(QChar(ushort(0x100 + random->bounded(0xd700))));
        else
            text.append(QChar::highSurrogate(0x10000 + random->bounded(0x100000))).append(QChar::lowSurrogate(0x10000 + random->bounded(0x100000)));
    }
    return text;
}

double randomDouble(QRandomGenerator *random)
{
    switch (random->bounded(6)) {
    case 0: {
        static const double specials[] = {0.0, -0.0, 1.0, 0.1, 1e20, 1e-7, 4294967296.0, 1.7976931348623157e308,
                                          2.2250738585072014e-308, 4.9406564584124654e-324, qInf(), -qInf()};
        return specials[random->bounded(int(sizeof specials / sizeof *specials))];
    }
    case 1:
        return double(random->bounded(-1000000, 1000000));
    default: {
        quint64 bits = random->generate64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return qIsFinite(value) ? value : random->generateDouble();
    }
    }
}

QVariant randomTree(QRandomGenerator *random, int depth)
{
    const int kinds = depth > 0 ? 7 : 5;
    switch (random->bounded(kinds)) {
    case 0:
        return QVariant();
    case 1:
        return random->bounded(2) == 1;
    case 2:
        return int(random->generate());
    case 3:
        return randomDouble(random);
    case 4:
        return randomString(random);
    case 5: {
        QVariantList list;
        const int size = random->bounded(6);
        for (int i = 0; i < size; ++i)
            list.append(randomTree(random, depth - 1));
        return list;
    }
    default: {
        QVariantMap map;
        const int size = random->bounded(6);
        for (int i = 0; i < size; ++i)
            map.insert(randomString(random), randomTree(random, depth - 1));
        return map;
    }
    }
}

// Collects the text of every Qt warning while alive.
class WarningCapture
{
public:
    WarningCapture() { s_warnings.clear(); s_previous = qInstallMessageHandler(capture); }
    ~WarningCapture() { qInstallMessageHandler(s_previous); }
    QStringList warnings() const { return s_warnings; }

private:
    static void capture(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtWarningMsg)
            s_warnings.append(message);
        else
            s_previous(type, context, message);
    }
    static QStringList s_warnings;
    static QtMessageHandler s_previous;
};

QStringList WarningCapture::s_warnings;
QtMessageHandler WarningCapture::s_previous = nullptr;

// The ways a caller hands text to the reader; each must read the same.
enum class Source { Bytes, Buffer, TextBuffer, Trickle, TrickleBytewise };

struct Outcome
{
    QString value;          // describeJson() of the value, or "error: message@line:column"
    QByteArray unread;      // what the device still holds afterwards
};

Outcome parseFrom(Source source, const QByteArray &input)
{
    Outcome outcome;
    QByteArray data = input;
    std::unique_ptr<QIODevice> device;
    switch (source) {
    case Source::Bytes:
        break;
    case Source::Buffer:
    case Source::TextBuffer: {
        auto buffer = std::make_unique<QBuffer>(&data);
        buffer->open(source == Source::Buffer ? QIODevice::ReadOnly : QIODevice::ReadOnly | QIODevice::Text);
        device = std::move(buffer);
        break;
    }
    case Source::Trickle:
        device = std::make_unique<TrickleDevice>(input, 7);
        break;
    case Source::TrickleBytewise:
        device = std::make_unique<TrickleDevice>(input, 1);
        break;
    }
    try {
        outcome.value = describeJson(device ? JsonParser::parse(device.get()) : JsonParser::parse(input));
    } catch (const JsonParserException &error) {
        outcome.value = QStringLiteral("error: %1@%2:%3") .arg(text(error.what()), QString::number(error.line()), QString::number(error.column()));
    }
    if (device)
        outcome.unread = device->readAll();
    return outcome;
}

QByteArray written(const QVariant &value, int indent, bool pretty)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Common::writeJson(value, &buffer, indent, pretty);
    return bytes;
}

} // namespace

class tst_Json : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void unread_data();
    void unread();
    void unreadFromMiddle();
    void largeInputAcrossChunks();
    void parseNoThrow();
    void badCorpus();
    void output_data();
    void output();
    void doubles_data();
    void doubles();
    void convenienceForms();
    void unsupportedType_data();
    void unsupportedType();
    void roundTrip();
};

// Values read alike from memory, a buffer and a device that hands out 7 bytes at a time;
// errors give their message, line and column.
void tst_Json::read_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");   // describeJson() of the value, or the error
    QTest::addColumn<QStringList>("warnings");

    const QStringList slash{QStringLiteral("I removed a '/' while parsing JSON file.")};
    const auto row = [](const char *name, const QByteArray &input, const QVariant &expected,
                        const QStringList &warnings = QStringList()) {
        QTest::newRow(name) << input << describeJson(expected) << warnings;
    };
    const auto fail = [](const char *name, const QByteArray &input, const QByteArray &message, int line, int column) {
        const QString error = QStringLiteral("error: %1@%2:%3").arg(text(message.constData()), QString::number(line), QString::number(column));
        QTest::newRow(name) << input << error << QStringList();
    };
    using List = QVariantList;
    using Map = QVariantMap;

    row("empties", "[{}, { }, [], [ ]]", List{Map(), Map(), List(), List()});
    row("bare-names", "{a: 1, b2: x}", Map{{"a", 1}, {"b2", "x"}});
    row("bare-name-latin1-number", "{a\xc2\xb2: 1}", Map{{text("a\xc2\xb2"), 1}});
    row("bare-name-any-first-byte", "{a:1,/ b:2}", Map{{"a", 1}, {" b", 2}}, slash);
    row("keys-sorted-last-duplicate-wins", "{\"b\": 1, \"a\": 2, \"B\": 3, \"b\": 4}", Map{{"B", 3}, {"a", 2}, {"b", 4}});
    row("array-trailing-comma", "[1, 2,]", List{1, 2, QString()});
    row("nested", "{\"a\": [1, {\"b\": null}], \"c\": \"d\"}", Map{{"a", List{1, Map{{"b", QVariant()}}}}, {"c", "d"}});

    row("int-forms", "[12, -7, +7, 007, -0]", List{12, -7, 7, 7, 0});
    row("int-limits", "[2147483647, -2147483648]", List{2147483647, int(-2147483647 - 1)});
    row("beyond-int-limits-doubles", "[2147483648, -2147483649, 99999999999999999999]", List{2147483648.0, -2147483649.0, 1e20});
    row("int-2^32-not-wrapped", "4294967296", 4294967296.0);
    row("double-forms", "[1.0, 1e3, -2.5E-2, .5, 5., +1.5]", List{1.0, 1000.0, -0.025, 0.5, 5.0, 1.5});
    row("double-limits", "[1e400, -1e400, 123456789e308, 0.00001e-320, 4.9406564584124654e-324]", List{qInf(), -qInf(), qInf(), 0.0, 4.9406564584124654e-324});
    row("special-words", "[inf, +inf, -inf, nan, true, false, null]", List{qInf(), qInf(), -qInf(), qQNaN(), true, false, QVariant()});
    row("other-words", "[-nan, Inf, 0x10, 1e, 1e+, -, ., True, nul, 'quoted', caf\xc3\xa9]",
        List{"-nan", "Inf", "0x10", "1e", "1e+", "-", ".", "True", "nul", "'quoted'",
             text("caf\xc3\xa9")});
    row("word-keeps-colon-and-quote", "[a:\"b]", List{text("a:\"b")});
    row("top-level-stops-at-comma", "1,5", 1);

    row("strings", "[\"\xc3\xa9\xe2\x82\xac\", \"a\xff\", \"a\nb\x01\tc\", \"\"]",
        List{text("\xc3\xa9\xe2\x82\xac"), text("a\xef\xbf\xbd"), text("a\nb\x01\tc"), QString()});
    row("string-escapes", "[\"\\b\\f\\n\\r\\t\\\"\\\\\\/\", \"\\q\"]", List{text("\b\f\n\r\t\"\\/"), text("q")});
    row("string-escape-u", "\"\\u00e9\"", text("u00e9"), {QStringLiteral("don't support \\uxxxx char")});
    // NUL bytes are kept, also in strings that are copied because of an escape.
    row("string-nul", QByteArray("[\"a\0b\", \"a\0b\\tc\"]", 17), List{QString::fromUtf8("a\0b", 3), QString::fromUtf8("a\0b\tc", 5)});
    row("string-name", "{\"a\\\"b\": 1}", Map{{"a\"b", 1}});

    row("comments-everywhere", "//\n{//a\n\"a\"//b\n://c\n1 //d\n,//e\n\"b\"://f\n[//g\n2 //h\n]//i\n}", Map{{"a", 1}, {"b", List{2}}});
    row("comment-at-end", "1 // no line feed", 1);
    row("comment-inside-token", "[1//c\n]", List{text("1//c")});
    row("block-comment-drops-slash", "/* c */ 1", text("*"), slash);
    row("slash-at-end", "/", QString());
    row("two-slashes-dropped", "{\"a\": / /x}", Map{{"a", "x"}}, slash + slash);

    row("empty-input", QByteArray(), QString());
    row("latin1-nbsp-is-space", "\xa0 12", 12);
    row("nel-is-no-space", "\x85 12", text("\xef\xbf\xbd"));
    row("byte-order-mark-is-word", "\xef\xbb\xbf{\"a\": 1}", text("\xef\xbb\xbf{\"a\":"));

    const QByteArray colon("Expected ':' after a member name: ");
    const QByteArray endOfFile("End of file before end of string: ");
    const QByteArray object("Expected '}' to close an object");
    const QByteArray array("Expected ']' to close an array");
    fail("colon-bare-name-stops-at-underscore", "{my_key: 1}", colon + "my", 1, 3);
    fail("colon-quoted-name", "{\"\xc3\xa9\" 1}", colon + "\xc3\xa9", 1, 6);
    fail("colon-at-end-after-feed", "{\"a\"  \n", colon + "a", 2, 0);
    fail("object-trailing-comma-then-feed", "{\"a\": 1,}\n", colon + "}", 2, 0);
    fail("object-trailing-comma-at-end", "{\"a\": 1,}", endOfFile + "}", 1, 9);
    fail("object-comma-at-end", "{\"a\":1,", endOfFile, 1, 7);
    fail("bare-name-at-end", "{abc", endOfFile + "abc", 1, 4);
    fail("object-missing-comma", "{\"a\":1 \"b\":2}", object, 1, 7);
    fail("array-missing-comma", "[1 2]", array, 1, 3);
    fail("array-comma-at-end", "[1,", array, 1, 3);
    fail("array-comment-at-end", "[1 //c", array, 1, 6);
    fail("string-at-end-after-escapes", "\"a\\tb\\", endOfFile + "a\tb", 1, 6);
    fail("string-at-end-over-lines", "[\"a\nbc", endOfFile + "a\nbc", 2, 2);
    fail("column-counts-bytes", "[\"\xc3\xa9\" 1]", array, 1, 6);
    fail("line-after-line-comments", "// one\n//\n[1 2]", array, 3, 3);
    fail("line-after-raw-feeds-in-string", "[\"a\nb\",\n1 2]", array, 3, 2);
    fail("line-after-crlf", "[1,\r\n2,\r\n3 4]", array, 3, 2);

    // Nesting up to the limit is read; one level more, or no end at all, is refused.
    const QByteArray deep = "Objects and arrays are nested more than " + QByteArray::number(JsonParser::MaxDepth) + " levels deep";
    for (const QByteArray &open : {QByteArray("["), QByteArray("{a:"), QByteArray("[{\"a\":")}) {
        const QByteArray close = open == "[" ? "]" : open == "{a:" ? "}" : "}]";
        const int steps = JsonParser::MaxDepth / (open.count('[') + open.count('{'));
        QVariant value = 1;
        for (int i = steps * open.size() - 1; i >= 0; --i) {
            if (open.at(i % open.size()) == '[')
                value = List{value};
            else if (open.at(i % open.size()) == '{')
                value = Map{{"a", value}};
        }
        QTest::addRow("depth-at-limit-%s", open.constData()) << open.repeated(steps) + "1" + close.repeated(steps) << describeJson(value) << QStringList();
        fail(QByteArray("depth-over-limit-" + open).constData(), open.repeated(steps + 1) + "1" + close.repeated(steps + 1), deep, 1, steps * open.size() + 1);
        fail(QByteArray("depth-never-closed-" + open).constData(), open.repeated(100000), deep, 1, steps * open.size() + 1);
    }
}

void tst_Json::read()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    QFETCH(QStringList, warnings);

    for (Source source : {Source::Bytes, Source::Buffer, Source::Trickle}) {
        WarningCapture capture;
        QCOMPARE(parseFrom(source, input).value, expected);
        QCOMPARE(capture.warnings(), warnings);
    }
}

void tst_Json::unread_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("unread");

    QTest::newRow("after-object") << QByteArray("{\"a\": 1} rest") << QByteArray(" rest");
    QTest::newRow("after-string") << QByteArray("\"s\"tail") << QByteArray("tail");
    QTest::newRow("token-end-kept") << QByteArray("12]x") << QByteArray("]x");
    QTest::newRow("token-white-space-kept") << QByteArray("true \n") << QByteArray(" \n");
    QTest::newRow("after-leading-comment") << QByteArray("// c\n{\"a\": 1} trailing text") << QByteArray(" trailing text");
    QTest::newRow("after-dropped-slash") << QByteArray("/x y") << QByteArray(" y");
    QTest::newRow("everything-read") << QByteArray(" 12") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("at-error-before-offending-byte") << QByteArray("[1 2] z") << QByteArray("2] z");
    QTest::newRow("at-error-colon") << QByteArray("{a b}") << QByteArray("b}");
    QTest::newRow("at-error-end-of-string") << QByteArray("\"abc") << QByteArray();
}

void tst_Json::unread()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, unread);

    for (Source source : {Source::Buffer, Source::TextBuffer, Source::Trickle,
                          Source::TrickleBytewise}) {
        WarningCapture capture;
        QCOMPARE(parseFrom(source, input).unread, unread);
    }
}

void tst_Json::unreadFromMiddle()
{
    QByteArray data("xx [1, 2] yy");
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(3);
    QCOMPARE(describeJson(JsonParser::parse(&buffer)), describeJson(QVariantList{1, 2}));
    QCOMPARE(buffer.pos(), qint64(9));

    // Text mode hands over "\n" for "\r\n"; the position must still land after the value.
    QByteArray crlf("[1,\r\n2]\r\nrest");
    QBuffer textBuffer(&crlf);
    textBuffer.open(QIODevice::ReadOnly | QIODevice::Text);
    QCOMPARE(describeJson(JsonParser::parse(&textBuffer)), describeJson(QVariantList{1, 2}));
    QCOMPARE(textBuffer.readAll(), QByteArray("\nrest"));
}

// Several chunks of device input: strings, tokens and comments that cross chunk ends, and
// positions counted over all of them.
void tst_Json::largeInputAcrossChunks()
{
    QByteArray input("[\n");
    QVariantList expected;
    for (int i = 0; i < 6000; ++i) {
        const QByteArray word = QByteArray::number(i) + "-" + QByteArray(i % 50, 'w');
        input += "// comment " + word + "\n\"" + word + "\\n\", " + word + ",\n";
        expected << QString::fromLatin1(word + "\n") << QString::fromLatin1(word);
    }
    const QByteArray longString(200000, 's');
    input += "\"" + longString + "\"]";
    expected << QString::fromLatin1(longString);

    for (Source source : {Source::Bytes, Source::Buffer, Source::Trickle}) {
        const Outcome outcome = parseFrom(source, input + " after");
        QCOMPARE(outcome.value, describeJson(expected));
        if (source != Source::Bytes)
            QCOMPARE(outcome.unread, QByteArray(" after"));
    }

    const QByteArray broken = input.left(input.size() - 1) + "\n  x]";
    const QString error = QStringLiteral("error: Expected ']' to close an array@%1:2").arg(2 * 6000 + 3);
    for (Source source : {Source::Bytes, Source::Buffer, Source::Trickle}) {
        const Outcome outcome = parseFrom(source, broken);
        QCOMPARE(outcome.value, error);
        if (source != Source::Bytes)
            QCOMPARE(outcome.unread, QByteArray("x]"));
    }
}

// The non-throwing form logs the error and gives an invalid value.
void tst_Json::parseNoThrow()
{
    LogCapture capture;
    QCOMPARE(describeJson(JsonParser::parseNoThrow("{\"a\": [1]}")), describeJson(QVariantMap{{"a", QVariantList{1}}}));
    QCOMPARE(describeJson(JsonParser::parseNoThrow(QByteArray())), describeJson(QString()));
    QVERIFY(capture.entries().isEmpty());
    QVERIFY(!JsonParser::parseNoThrow("{\"\xc3\xa9\"}").isValid());
    QCOMPARE(capture.texts(), QStringList{text("Expected ':' after a member name: \xc3\xa9")});
    const HostApi::LogEntry entry = capture.entries().first();
    QCOMPARE(entry.category, QByteArray("Common.JsonParser"));
    QCOMPARE(entry.level, 3);
    QCOMPARE(entry.function, QByteArray("Common::JsonParser::parseNoThrow"));
    QVERIFY(entry.file.endsWith("jsonparser.cpp"));
}

// Every file of the corpus is refused with an exception, through memory and devices alike.
void tst_Json::badCorpus()
{
    const QDir corpus(testDataPath() + QLatin1String("bad"));
    const QFileInfoList files = corpus.entryInfoList(QDir::Files);
    QVERIFY(files.size() >= 10);
    for (const QFileInfo &info : files) {
        QFile file(info.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray input = file.readAll();
        WarningCapture capture;
        for (Source source : {Source::Bytes, Source::Buffer, Source::Trickle}) {
            const Outcome outcome = parseFrom(source, input);
            if (!outcome.value.startsWith(QLatin1String("error: ")))
                QFAIL(qPrintable(info.fileName() + QLatin1String(" was read as ") + outcome.value));
        }
    }
}

void tst_Json::output_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("indent");
    QTest::addColumn<bool>("pretty");
    QTest::addColumn<QByteArray>("expected");

    const auto row = [](const char *name, const QVariant &value, int indent, bool pretty,
                        const QByteArray &expected) {
        QTest::newRow(name) << value << indent << pretty << expected;
    };
    using List = QVariantList;
    using Map = QVariantMap;

    const QVariant example = Map{{"a", 1}, {"b", Map{{"c", true}}}, {"d", List{1, 2, Map{{"x", 3}}}}};
    row("example-pretty", example, 0, true,
        "{\n\t\"a\": 1,\n\t\"b\": \n\t{\n\t\t\"c\": true\n\t},\n\t\"d\": \n\t[\n"
        "\t\t1, 2, \n\t\t{\n\t\t\t\"x\": 3\n\t\t}\n\t]\n}");
    row("example-compact", example, 0, false, "{\"a\": 1,\"b\": {\"c\": true},\"d\": [1, 2, {\"x\": 3}]}");
    row("null-indented", QVariant(), 2, true, "\t\tnull");
    row("compact-ignores-indent", QVariant(), 2, false, "null");
    // Escaped: quote, backslash and the controls with a short form; other controls, '/' and
    // non-ASCII characters are written as they are.
    row("scalars-compact",
        List{true, std::numeric_limits<int>::min(), 2.5, QString(), Map(), List(),
             QStringLiteral("a\"b\\c\b\f\n\r\t"), QStringLiteral("\x01\x1f/"),
             QString::fromUtf8("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80")},
        0, false,
        "[true, -2147483648, 2.5, \"\", {}, [], \"a\\\"b\\\\c\\b\\f\\n\\r\\t\", \"\x01\x1f/\", "
        "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"]");
    row("map-empty-pretty", Map(), 0, true, "{\n}");
    row("map-indented", Map{{"k", Map()}}, 1, true, "\t{\n\t\t\"k\": \n\t\t{\n\t\t}\n\t}");
    row("list-mixed-pretty", List{1, QStringLiteral("a"), List{2}, QVariant()}, 0, true, "[\n\t1, \"a\", \n\t[\n\t\t2\n\t], null\n]");
    row("list-first-container", List{List()}, 0, true, "[\n\t[\n\t]\n]");
    // Member names are escaped like string values, so the reader gets the same name back.
    row("key-escaped", Map{{"a\"b\\c\n", 1}}, 0, false, "{\"a\\\"b\\\\c\\n\": 1}");
}

void tst_Json::output()
{
    QFETCH(QVariant, value);
    QFETCH(int, indent);
    QFETCH(bool, pretty);
    QFETCH(QByteArray, expected);

    QCOMPARE(written(value, indent, pretty), expected);
}

void tst_Json::doubles_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("integral") << 3.0 << QByteArray("3.0");
    QTest::newRow("fraction") << 2.5 << QByteArray("2.5");
    QTest::newRow("third") << 1.0 / 3 << QByteArray("0.333333333333333");
    QTest::newRow("negative-zero") << -0.0 << QByteArray("-0.0");
    QTest::newRow("fifteen-digits") << 1e14 << QByteArray("100000000000000.0");
    QTest::newRow("exponent-small") << 1e-7 << QByteArray("1e-07");
    QTest::newRow("exponent-three-digits") << -1.5e300 << QByteArray("-1.5e+300");
    QTest::newRow("rounded") << 123456789012345678.0 << QByteArray("1.23456789012346e+17");
    QTest::newRow("denormal") << 4.9406564584124654e-324 << QByteArray("4.94065645841247e-324");
    // 15 digits would round the largest doubles up out of range; they get 17.
    QTest::newRow("largest") << std::numeric_limits<double>::max() << QByteArray("1.7976931348623157e+308");
    QTest::newRow("largest-fifteen-digit") << 1.79769313486231e308 << QByteArray("1.79769313486231e+308");
    QTest::newRow("infinity") << qInf() << QByteArray("inf");
    QTest::newRow("nan") << qQNaN() << QByteArray("nan");
}

void tst_Json::doubles()
{
    QFETCH(double, value);
    QFETCH(QByteArray, expected);

    const QByteArray text = Common::writeJson(QVariant(value));
    QCOMPARE(text, expected);
    // Every form reads back as a double of the same 15 digits.
    QCOMPARE(describeJson(JsonParser::parse(text)), describeJson(QVariant(value)));
}

// writeJson to a device is pretty by default; the in-memory form is compact.
void tst_Json::convenienceForms()
{
    const QVariant value = QVariantMap{{"a", QVariantList{1}}};
    QBuffer pretty;
    QBuffer compact;
    QVERIFY(pretty.open(QIODevice::WriteOnly) && compact.open(QIODevice::WriteOnly));
    Common::writeJson(value, &pretty);
    Common::writeJsonCompact(value, &compact);
    QCOMPARE(pretty.data(), QByteArray("{\n\t\"a\": \n\t[\n\t\t1\n\t]\n}"));
    QCOMPARE(compact.data(), QByteArray("{\"a\": [1]}"));
    QCOMPARE(Common::writeJson(value), compact.data());
}

void tst_Json::unsupportedType_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("typeName");

    QTest::newRow("string-list") << QVariant(QStringList{QStringLiteral("a")}) << QStringLiteral("QStringList");
    QTest::newRow("int64") << QVariant(qint64(1)) << QStringLiteral("qlonglong");
    QTest::newRow("hash") << QVariant(QVariantHash()) << QStringLiteral("QVariantHash");
}

void tst_Json::unsupportedType()
{
    QFETCH(QVariant, value);
    QFETCH(QString, typeName);

    const QString warning = QLatin1String("Cannot serialize QVariant of type ") + typeName + QLatin1String(" in JSON");
    struct Case { QVariant value; int indent; bool pretty; QByteArray expected; };
    const QVariantMap map{{"a", value}, {"b", 1}};
    const Case cases[] = {{value, 0, false, QByteArray()}, {value, 2, true, QByteArray("\t\t")},
                          {map, 0, false, QByteArray("{\"a\": ,\"b\": 1}")}, {map, 0, true, QByteArray("{\n\t\"a\": \n\t,\n\t\"b\": 1\n}")},
                          {QVariantList{value, 1}, 0, false, QByteArray("[, 1]")}};
    for (const Case &c : cases) {
        LogCapture log;
        WarningCapture warnings;
        QCOMPARE(written(c.value, c.indent, c.pretty), c.expected);
        QCOMPARE(warnings.warnings(), QStringList{warning});
        QCOMPARE(log.texts("Assert"), QStringList{QStringLiteral("false")});
        QCOMPARE(log.entries().first().function, QByteArray("Common::writeJson"));
    }
}

// Random trees written and read back are the same trees (doubles to 15 digits); output
// larger than the writer's buffer reaches the device whole and in order.
void tst_Json::roundTrip()
{
    QRandomGenerator random(20240611);
    for (int i = 0; i < 1200; ++i) {
        const QVariant tree = randomTree(&random, 5);
        const QByteArray text = written(tree, 0, i % 3 > 0);
        TrickleDevice device(text + " trailing", 5);
        QCOMPARE(describeJson(i % 3 == 2 ? JsonParser::parse(&device) : JsonParser::parse(text)), describeJson(tree));
        if (i % 3 == 2)
            QCOMPARE(device.readAll(), QByteArray(" trailing"));
    }

    QVariantList list;
    for (int i = 0; i < 2000; ++i)
        list.append(randomTree(&random, 3));
    list.append(QString(300000, QLatin1Char('"')));
    const QByteArray inMemory = Common::writeJson(list);
    QVERIFY(inMemory.size() > 600000);
    QCOMPARE(written(list, 0, false), inMemory);
    QCOMPARE(describeJson(JsonParser::parse(written(list, 3, true))), describeJson(list));
}

QTEST_GUILESS_MAIN(tst_Json)
#include "tst_json.moc"

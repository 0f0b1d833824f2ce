#include "jsontesthelpers.h"
#include "testsupport.h"

#include "common/jsonparser.h"
#include "common/jsonparserexception.h"

#include <QBuffer>
#include <QDir>
#include <QtNumeric>
#include <QtTest>

#include <functional>
#include <memory>

using Common::JsonParser;
using Common::JsonParserException;

namespace {

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// The ways a caller hands text to the reader; each must read the same.
enum class Source { Bytes, Buffer, TextBuffer, Trickle, TrickleBytewise };

struct Outcome
{
    QString value;          // describe() of the value, empty after an error
    QByteArray error;       // "message@line:column", empty on success
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
        buffer->open(source == Source::Buffer ? QIODevice::ReadOnly
                                              : QIODevice::ReadOnly | QIODevice::Text);
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
        outcome.value = describe(device ? JsonParser::parse(device.get()) : JsonParser::parse(input));
    } catch (const JsonParserException &error) {
        outcome.error = QByteArray(error.what()) + '@' + QByteArray::number(error.line()) + ':'
            + QByteArray::number(error.column());
    }
    if (device)
        outcome.unread = device->readAll();
    return outcome;
}

} // namespace

class tst_JsonParser : public QObject
{
    Q_OBJECT

private slots:
    void values_data();
    void values();
    void errors_data();
    void errors();
    void unread_data();
    void unread();
    void unreadFromMiddle();
    void largeInputAcrossChunks();
    void depthLimit_data();
    void depthLimit();
    void parseNoThrow_data();
    void parseNoThrow();
    void badCorpus();
};

void tst_JsonParser::values_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QStringList>("warnings");

    const QStringList slash{QStringLiteral("I removed a '/' while parsing JSON file.")};
    const auto row = [](const char *name, const QByteArray &input, const QVariant &expected,
                        const QStringList &warnings = QStringList()) {
        QTest::newRow(name) << input << expected << warnings;
    };
    using List = QVariantList;
    using Map = QVariantMap;

    row("empties", "[{}, { }, [], [ ]]", List{Map(), Map(), List(), List()});
    row("bare-names", "{a: 1, b2: x}", Map{{"a", 1}, {"b2", "x"}});
    row("bare-name-latin1-number", "{a\xc2\xb2: 1}", Map{{text("a\xc2\xb2"), 1}});
    row("bare-name-any-first-byte", "{a:1,/ b:2}", Map{{"a", 1}, {" b", 2}}, slash);
    row("keys-sorted-last-duplicate-wins", "{\"b\": 1, \"a\": 2, \"B\": 3, \"b\": 4}",
        Map{{"B", 3}, {"a", 2}, {"b", 4}});
    row("array-trailing-comma", "[1, 2,]", List{1, 2, QString()});
    row("nested", "{\"a\": [1, {\"b\": null}], \"c\": \"d\"}",
        Map{{"a", List{1, Map{{"b", QVariant()}}}}, {"c", "d"}});

    row("int-forms", "[12, -7, +7, 007, -0]", List{12, -7, 7, 7, 0});
    row("int-limits", "[2147483647, -2147483648]", List{2147483647, int(-2147483647 - 1)});
    row("beyond-int-limits-doubles", "[2147483648, -2147483649, 99999999999999999999]",
        List{2147483648.0, -2147483649.0, 1e20});
    row("int-2^32-not-wrapped", "4294967296", 4294967296.0);
    row("double-forms", "[1.0, 1e3, -2.5E-2, .5, 5., +1.5]",
        List{1.0, 1000.0, -0.025, 0.5, 5.0, 1.5});
    row("double-limits", "[1e400, -1e400, 123456789e308, 0.00001e-320, 4.9406564584124654e-324]",
        List{qInf(), -qInf(), qInf(), 0.0, 4.9406564584124654e-324});
    row("special-words", "[inf, +inf, -inf, nan, true, false, null]",
        List{qInf(), qInf(), -qInf(), qQNaN(), true, false, QVariant()});
    row("other-words", "[-nan, Inf, 0x10, 1e, 1e+, -, ., True, nul, 'quoted', caf\xc3\xa9]",
        List{"-nan", "Inf", "0x10", "1e", "1e+", "-", ".", "True", "nul", "'quoted'",
             text("caf\xc3\xa9")});
    row("word-keeps-colon-and-quote", "[a:\"b]", List{text("a:\"b")});
    row("top-level-stops-at-comma", "1,5", 1);

    row("strings", "[\"\xc3\xa9\xe2\x82\xac\", \"a\xff\", \"a\nb\x01\tc\", \"\"]",
        List{text("\xc3\xa9\xe2\x82\xac"), text("a\xef\xbf\xbd"), text("a\nb\x01\tc"), QString()});
    row("string-escapes", "[\"\\b\\f\\n\\r\\t\\\"\\\\\\/\", \"\\q\"]",
        List{text("\b\f\n\r\t\"\\/"), text("q")});
    row("string-escape-u", "\"\\u00e9\"", text("u00e9"),
        {QStringLiteral("don't support \\uxxxx char")});
    // NUL bytes are kept, also in strings that are copied because of an escape.
    row("string-nul", QByteArray("[\"a\0b\", \"a\0b\\tc\"]", 17),
        List{QString::fromUtf8("a\0b", 3), QString::fromUtf8("a\0b\tc", 5)});
    row("string-name", "{\"a\\\"b\": 1}", Map{{"a\"b", 1}});

    row("comments-everywhere",
        "//\n{//a\n\"a\"//b\n://c\n1 //d\n,//e\n\"b\"://f\n[//g\n2 //h\n]//i\n}",
        Map{{"a", 1}, {"b", List{2}}});
    row("comment-at-end", "1 // no line feed", 1);
    row("comment-inside-token", "[1//c\n]", List{text("1//c")});
    row("block-comment-drops-slash", "/* c */ 1", text("*"), slash);
    row("slash-at-end", "/", QString());
    row("two-slashes-dropped", "{\"a\": / /x}", Map{{"a", "x"}}, slash + slash);

    row("empty-input", QByteArray(), QString());
    row("latin1-nbsp-is-space", "\xa0 12", 12);
    row("nel-is-no-space", "\x85 12", text("\xef\xbf\xbd"));
    row("byte-order-mark-is-word", "\xef\xbb\xbf{\"a\": 1}", text("\xef\xbb\xbf{\"a\":"));
}

void tst_JsonParser::values()
{
    QFETCH(QByteArray, input);
    QFETCH(QVariant, expected);
    QFETCH(QStringList, warnings);

    for (Source source : {Source::Bytes, Source::Buffer, Source::Trickle}) {
        WarningCapture capture;
        const Outcome outcome = parseFrom(source, input);
        QCOMPARE(outcome.error, QByteArray());
        QCOMPARE(outcome.value, describe(expected));
        QCOMPARE(capture.warnings(), warnings);
    }
}

void tst_JsonParser::errors_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");

    const auto row = [](const char *name, const QByteArray &input, const QByteArray &message,
                        int line, int column) {
        QTest::newRow(name) << input << message << line << column;
    };
    const QByteArray colon("Expected ':' after a member name: ");
    const QByteArray endOfFile("End of file before end of string: ");
    const QByteArray object("Expected '}' to close an object");
    const QByteArray array("Expected ']' to close an array");
    row("colon-bare-name-stops-at-underscore", "{my_key: 1}", colon + "my", 1, 3);
    row("colon-quoted-name", "{\"\xc3\xa9\" 1}", colon + "\xc3\xa9", 1, 6);
    row("colon-at-end-after-feed", "{\"a\"  \n", colon + "a", 2, 0);
    row("object-trailing-comma-then-feed", "{\"a\": 1,}\n", colon + "}", 2, 0);
    row("object-trailing-comma-at-end", "{\"a\": 1,}", endOfFile + "}", 1, 9);
    row("object-comma-at-end", "{\"a\":1,", endOfFile, 1, 7);
    row("bare-name-at-end", "{abc", endOfFile + "abc", 1, 4);
    row("object-missing-comma", "{\"a\":1 \"b\":2}", object, 1, 7);
    row("array-missing-comma", "[1 2]", array, 1, 3);
    row("array-comma-at-end", "[1,", array, 1, 3);
    row("array-comment-at-end", "[1 //c", array, 1, 6);
    row("string-at-end-after-escapes", "\"a\\tb\\", endOfFile + "a\tb", 1, 6);
    row("string-at-end-over-lines", "[\"a\nbc", endOfFile + "a\nbc", 2, 2);
    row("column-counts-bytes", "[\"\xc3\xa9\" 1]", array, 1, 6);
    row("line-after-line-comments", "// one\n//\n[1 2]", array, 3, 3);
    row("line-after-raw-feeds-in-string", "[\"a\nb\",\n1 2]", array, 3, 2);
    row("line-after-crlf", "[1,\r\n2,\r\n3 4]", array, 3, 2);
}

void tst_JsonParser::errors()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, message);
    QFETCH(int, line);
    QFETCH(int, column);

    const QByteArray expected = message + '@' + QByteArray::number(line) + ':'
        + QByteArray::number(column);
    for (Source source : {Source::Bytes, Source::Buffer, Source::Trickle}) {
        const Outcome outcome = parseFrom(source, input);
        QCOMPARE(outcome.error, expected);
    }
}

void tst_JsonParser::unread_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("unread");

    QTest::newRow("after-object") << QByteArray("{\"a\": 1} rest") << QByteArray(" rest");
    QTest::newRow("after-string") << QByteArray("\"s\"tail") << QByteArray("tail");
    QTest::newRow("token-end-kept") << QByteArray("12]x") << QByteArray("]x");
    QTest::newRow("token-white-space-kept") << QByteArray("true \n") << QByteArray(" \n");
    QTest::newRow("after-leading-comment") << QByteArray("// c\n{\"a\": 1} trailing text")
        << QByteArray(" trailing text");
    QTest::newRow("after-dropped-slash") << QByteArray("/x y") << QByteArray(" y");
    QTest::newRow("everything-read") << QByteArray(" 12") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("at-error-before-offending-byte") << QByteArray("[1 2] z") << QByteArray("2] z");
    QTest::newRow("at-error-colon") << QByteArray("{a b}") << QByteArray("b}");
    QTest::newRow("at-error-end-of-string") << QByteArray("\"abc") << QByteArray();
}

void tst_JsonParser::unread()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, unread);

    for (Source source : {Source::Buffer, Source::TextBuffer, Source::Trickle,
                          Source::TrickleBytewise}) {
        WarningCapture capture;
        QCOMPARE(parseFrom(source, input).unread, unread);
    }
}

void tst_JsonParser::unreadFromMiddle()
{
    QByteArray data("xx [1, 2] yy");
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(3);
    QCOMPARE(describe(JsonParser::parse(&buffer)), describe(QVariantList{1, 2}));
    QCOMPARE(buffer.pos(), qint64(9));

    // Text mode hands over "\n" for "\r\n"; the position must still land after the value.
    QByteArray crlf("[1,\r\n2]\r\nrest");
    QBuffer textBuffer(&crlf);
    textBuffer.open(QIODevice::ReadOnly | QIODevice::Text);
    QCOMPARE(describe(JsonParser::parse(&textBuffer)), describe(QVariantList{1, 2}));
    QCOMPARE(textBuffer.readAll(), QByteArray("\nrest"));
}

// Several chunks of device input: strings, tokens and comments that cross chunk ends, and
// positions counted over all of them.
void tst_JsonParser::largeInputAcrossChunks()
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
        QCOMPARE(outcome.error, QByteArray());
        QCOMPARE(outcome.value, describe(expected));
        if (source != Source::Bytes)
            QCOMPARE(outcome.unread, QByteArray(" after"));
    }

    const QByteArray broken = input.left(input.size() - 1) + "\n  x]";
    const QByteArray error = "Expected ']' to close an array@" + QByteArray::number(2 * 6000 + 3)
        + ":2";
    for (Source source : {Source::Bytes, Source::Buffer, Source::Trickle}) {
        const Outcome outcome = parseFrom(source, broken);
        QCOMPARE(outcome.error, error);
        if (source != Source::Bytes)
            QCOMPARE(outcome.unread, QByteArray("x]"));
    }
}

void tst_JsonParser::depthLimit_data()
{
    QTest::addColumn<QByteArray>("open");
    QTest::addColumn<QByteArray>("close");

    QTest::newRow("arrays") << QByteArray("[") << QByteArray("]");
    QTest::newRow("objects") << QByteArray("{a:") << QByteArray("}");
    QTest::newRow("mixed") << QByteArray("[{\"a\":") << QByteArray("}]");
}

void tst_JsonParser::depthLimit()
{
    QFETCH(QByteArray, open);
    QFETCH(QByteArray, close);

    const int levelsPerStep = open.count('[') + open.count('{');
    const int steps = JsonParser::MaxDepth / levelsPerStep;
    const QByteArray atLimit = open.repeated(steps) + "1" + close.repeated(steps);
    QVariant value = JsonParser::parse(atLimit);
    int depth = 0;
    while (value.userType() == QMetaType::QVariantList || value.userType() == QMetaType::QVariantMap) {
        value = value.userType() == QMetaType::QVariantList ? value.toList().first()
                                                            : value.toMap().first();
        ++depth;
    }
    QCOMPARE(depth, JsonParser::MaxDepth);
    QCOMPARE(value, QVariant(1));

    const QByteArray message = "Objects and arrays are nested more than "
        + QByteArray::number(JsonParser::MaxDepth) + " levels deep";
    const QByteArray overLimit = open.repeated(steps + 1) + "1" + close.repeated(steps + 1);
    for (const QByteArray &input : {overLimit, open.repeated(100000)}) {
        try {
            JsonParser::parse(input);
            QFAIL("too deep a value was read");
        } catch (const JsonParserException &error) {
            QCOMPARE(QByteArray(error.what()), message);
            QCOMPARE(error.line(), 1);
            QCOMPARE(error.column(), steps * open.size() + 1);
        }
    }
}

void tst_JsonParser::parseNoThrow_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QStringList>("log");

    QTest::newRow("value") << QByteArray("{\"a\": [1]}")
                           << QVariant(QVariantMap{{"a", QVariantList{1}}}) << QStringList();
    QTest::newRow("empty-is-no-error") << QByteArray() << QVariant(QString()) << QStringList();
    QTest::newRow("error-utf8-name") << QByteArray("{\"\xc3\xa9\"}") << QVariant()
        << QStringList{text("Expected ':' after a member name: \xc3\xa9")};
}

void tst_JsonParser::parseNoThrow()
{
    QFETCH(QByteArray, input);
    QFETCH(QVariant, expected);
    QFETCH(QStringList, log);

    LogCapture capture;
    QCOMPARE(describe(JsonParser::parseNoThrow(input)), describe(expected));
    QCOMPARE(capture.texts(), log);
    for (const HostApi::LogEntry &entry : capture.entries()) {
        QCOMPARE(entry.category, QByteArray("Common.JsonParser"));
        QCOMPARE(entry.level, 3);
        QCOMPARE(entry.function, QByteArray("Common::JsonParser::parseNoThrow"));
        QVERIFY(entry.file.endsWith("jsonparser.cpp"));
    }
}

// Every file of the corpus is refused with an exception, through memory and devices alike.
void tst_JsonParser::badCorpus()
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
            if (outcome.error.isEmpty())
                QFAIL(qPrintable(info.fileName() + QLatin1String(" was read as ") + outcome.value));
        }
    }
}

QTEST_GUILESS_MAIN(tst_JsonParser)
#include "tst_jsonparser.moc"

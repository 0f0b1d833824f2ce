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

QVariantMap map(std::initializer_list<std::pair<QString, QVariant>> members)
{
    QVariantMap result;
    for (const auto &member : members)
        result.insert(member.first, member.second);
    return result;
}

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
    void exceptionIsCopyable();
    void parseNoThrow_data();
    void parseNoThrow();
    void badCorpus();
};

void tst_JsonParser::values_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QStringList>("warnings");

    const QStringList none;
    const QStringList slash{QStringLiteral("I removed a '/' while parsing JSON file.")};
    const QStringList unicode{QStringLiteral("don't support \\uxxxx char")};

    QTest::newRow("empty-object") << QByteArray("{}") << QVariant(QVariantMap()) << none;
    QTest::newRow("empty-object-spaced") << QByteArray("{ }") << QVariant(QVariantMap()) << none;
    QTest::newRow("empty-array") << QByteArray("[]") << QVariant(QVariantList()) << none;
    QTest::newRow("empty-array-spaced") << QByteArray("[ ]") << QVariant(QVariantList()) << none;
    QTest::newRow("bare-names") << QByteArray("{a: 1, b2: x}")
        << QVariant(map({{"a", 1}, {"b2", "x"}})) << none;
    QTest::newRow("bare-name-latin1-number") << QByteArray("{a\xc2\xb2: 1}")
        << QVariant(map({{text("a\xc2\xb2"), 1}})) << none;
    QTest::newRow("bare-name-any-first-byte") << QByteArray("{a:1,/ b:2}")
        << QVariant(map({{"a", 1}, {" b", 2}})) << slash;
    QTest::newRow("duplicate-key") << QByteArray("{\"k\": 1, \"k\": 2}")
        << QVariant(map({{"k", 2}})) << none;
    QTest::newRow("keys-sorted") << QByteArray("{\"b\": 1, \"a\": 2, \"B\": 3}")
        << QVariant(map({{"B", 3}, {"a", 2}, {"b", 1}})) << none;
    QTest::newRow("array-trailing-comma") << QByteArray("[1, 2,]")
        << QVariant(QVariantList{1, 2, QString()}) << none;
    QTest::newRow("array-empty-slots") << QByteArray("[,]")
        << QVariant(QVariantList{QString(), QString()}) << none;
    QTest::newRow("nested") << QByteArray("{\"a\": [1, {\"b\": null}], \"c\": \"d\"}")
        << QVariant(map({{"a", QVariantList{1, map({{"b", QVariant()}})}}, {"c", "d"}})) << none;

    QTest::newRow("int") << QByteArray("12") << QVariant(12) << none;
    QTest::newRow("int-negative") << QByteArray("-7") << QVariant(-7) << none;
    QTest::newRow("int-plus") << QByteArray("+7") << QVariant(7) << none;
    QTest::newRow("int-leading-zeros") << QByteArray("007") << QVariant(7) << none;
    QTest::newRow("int-minus-zero") << QByteArray("-0") << QVariant(0) << none;
    QTest::newRow("int-max") << QByteArray("2147483647") << QVariant(2147483647) << none;
    QTest::newRow("int-min") << QByteArray("-2147483648") << QVariant(int(-2147483647 - 1)) << none;
    QTest::newRow("int-above-32-bit") << QByteArray("2147483648") << QVariant(2147483648.0) << none;
    QTest::newRow("int-below-32-bit") << QByteArray("-2147483649")
        << QVariant(-2147483649.0) << none;
    QTest::newRow("int-2^32-not-wrapped") << QByteArray("4294967296")
        << QVariant(4294967296.0) << none;
    QTest::newRow("int-above-64-bit") << QByteArray("99999999999999999999")
        << QVariant(1e20) << none;
    QTest::newRow("double") << QByteArray("1.0") << QVariant(1.0) << none;
    QTest::newRow("double-exponent") << QByteArray("1e3") << QVariant(1000.0) << none;
    QTest::newRow("double-exponent-signed") << QByteArray("-2.5E-2") << QVariant(-0.025) << none;
    QTest::newRow("double-no-int-part") << QByteArray(".5") << QVariant(0.5) << none;
    QTest::newRow("double-no-fraction") << QByteArray("5.") << QVariant(5.0) << none;
    QTest::newRow("double-plus") << QByteArray("+1.5") << QVariant(1.5) << none;
    QTest::newRow("double-overflow") << QByteArray("1e400") << QVariant(qInf()) << none;
    QTest::newRow("double-overflow-negative") << QByteArray("-1e400") << QVariant(-qInf()) << none;
    QTest::newRow("double-overflow-long-mantissa") << QByteArray("123456789e308")
        << QVariant(qInf()) << none;
    QTest::newRow("double-underflow") << QByteArray("1e-400") << QVariant(0.0) << none;
    QTest::newRow("double-underflow-fraction") << QByteArray("0.00001e-320")
        << QVariant(0.0) << none;
    QTest::newRow("double-denormal") << QByteArray("4.9406564584124654e-324")
        << QVariant(4.9406564584124654e-324) << none;
    QTest::newRow("inf") << QByteArray("inf") << QVariant(qInf()) << none;
    QTest::newRow("inf-plus") << QByteArray("+inf") << QVariant(qInf()) << none;
    QTest::newRow("inf-minus") << QByteArray("-inf") << QVariant(-qInf()) << none;
    QTest::newRow("nan") << QByteArray("nan") << QVariant(qQNaN()) << none;
    QTest::newRow("nan-signed-is-word") << QByteArray("-nan") << QVariant(text("-nan")) << none;
    QTest::newRow("inf-capital-is-word") << QByteArray("Inf") << QVariant(text("Inf")) << none;
    QTest::newRow("hex-is-word") << QByteArray("0x10") << QVariant(text("0x10")) << none;
    QTest::newRow("exponent-without-digits") << QByteArray("1e") << QVariant(text("1e")) << none;
    QTest::newRow("exponent-sign-only") << QByteArray("1e+") << QVariant(text("1e+")) << none;
    QTest::newRow("sign-only") << QByteArray("-") << QVariant(text("-")) << none;
    QTest::newRow("dot-only") << QByteArray(".") << QVariant(text(".")) << none;
    QTest::newRow("true") << QByteArray("true") << QVariant(true) << none;
    QTest::newRow("false") << QByteArray("false") << QVariant(false) << none;
    QTest::newRow("null") << QByteArray("null") << QVariant() << none;
    QTest::newRow("true-capital-is-word") << QByteArray("True") << QVariant(text("True")) << none;
    QTest::newRow("nul-is-word") << QByteArray("nul") << QVariant(text("nul")) << none;
    QTest::newRow("single-quotes-are-word") << QByteArray("'quoted'")
        << QVariant(text("'quoted'")) << none;
    QTest::newRow("word-keeps-colon-and-quote") << QByteArray("[a:\"b]")
        << QVariant(QVariantList{text("a:\"b")}) << none;
    QTest::newRow("word-utf8") << QByteArray("caf\xc3\xa9") << QVariant(text("caf\xc3\xa9")) << none;
    QTest::newRow("top-level-stops-at-comma") << QByteArray("1,5") << QVariant(1) << none;

    QTest::newRow("string") << QByteArray("\"abc\"") << QVariant(text("abc")) << none;
    QTest::newRow("string-utf8") << QByteArray("\"\xc3\xa9\xe2\x82\xac\"")
        << QVariant(text("\xc3\xa9\xe2\x82\xac")) << none;
    QTest::newRow("string-invalid-utf8") << QByteArray("\"a\xff\"")
        << QVariant(text("a\xef\xbf\xbd")) << none;
    QTest::newRow("string-escapes") << QByteArray("\"\\b\\f\\n\\r\\t\\\"\\\\\\/\"")
        << QVariant(text("\b\f\n\r\t\"\\/")) << none;
    QTest::newRow("string-escape-tab") << QByteArray("\"a\\tb\"") << QVariant(text("a\tb")) << none;
    QTest::newRow("string-escape-other") << QByteArray("\"\\q\"") << QVariant(text("q")) << none;
    QTest::newRow("string-escape-u") << QByteArray("\"\\u00e9\"") << QVariant(text("u00e9"))
        << unicode;
    QTest::newRow("string-raw-controls") << QByteArray("\"a\nb\x01\tc\"")
        << QVariant(text("a\nb\x01\tc")) << none;
    // NUL bytes are kept, also in strings that are copied because of an escape.
    QTest::newRow("string-nul") << QByteArray("[\"a\0b\", \"a\0b\\tc\"]", 17)
        << QVariant(QVariantList{QString::fromUtf8("a\0b", 3), QString::fromUtf8("a\0b\tc", 5)})
        << none;
    QTest::newRow("string-empty") << QByteArray("\"\"") << QVariant(QString()) << none;
    QTest::newRow("string-name") << QByteArray("{\"a\\\"b\": 1}")
        << QVariant(map({{"a\"b", 1}})) << none;

    QTest::newRow("comment-first-line") << QByteArray("// c\n{\"a\": 1} trailing text")
        << QVariant(map({{"a", 1}})) << none;
    QTest::newRow("comments-everywhere")
        << QByteArray("//\n{//a\n\"a\"//b\n://c\n1 //d\n,//e\n\"b\"://f\n[//g\n2 //h\n]//i\n}")
        << QVariant(map({{"a", 1}, {"b", QVariantList{2}}})) << none;
    QTest::newRow("comment-at-end") << QByteArray("1 // no line feed")
        << QVariant(1) << none;
    QTest::newRow("comment-inside-token") << QByteArray("[1//c\n]")
        << QVariant(QVariantList{text("1//c")}) << none;
    QTest::newRow("block-comment-drops-slash") << QByteArray("/* c */ 1")
        << QVariant(text("*")) << slash;
    QTest::newRow("slash-at-end") << QByteArray("/") << QVariant(QString()) << none;
    QTest::newRow("two-slashes-dropped") << QByteArray("{\"a\": / /x}")
        << QVariant(map({{"a", "x"}})) << (slash + slash);

    QTest::newRow("empty-input") << QByteArray() << QVariant(QString()) << none;
    QTest::newRow("white-space-only") << QByteArray(" \t\r\n") << QVariant(QString()) << none;
    QTest::newRow("latin1-nbsp-is-space") << QByteArray("\xa0 12") << QVariant(12) << none;
    QTest::newRow("nel-is-no-space") << QByteArray("\x85 12")
        << QVariant(text("\xef\xbf\xbd")) << none;
    QTest::newRow("byte-order-mark-is-word") << QByteArray("\xef\xbb\xbf{\"a\": 1}")
        << QVariant(text("\xef\xbb\xbf{\"a\":")) << none;
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

    QTest::newRow("colon-bare-name-stops-at-underscore") << QByteArray("{my_key: 1}")
        << QByteArray("Expected ':' after a member name: my") << 1 << 3;
    QTest::newRow("colon-quoted-name") << QByteArray("{\"\xc3\xa9\" 1}")
        << QByteArray("Expected ':' after a member name: \xc3\xa9") << 1 << 6;
    QTest::newRow("colon-at-end") << QByteArray("{\"a\"")
        << QByteArray("Expected ':' after a member name: a") << 1 << 4;
    QTest::newRow("colon-at-end-after-feed") << QByteArray("{\"a\"  \n")
        << QByteArray("Expected ':' after a member name: a") << 2 << 0;
    QTest::newRow("object-trailing-comma-then-feed") << QByteArray("{\"a\": 1,}\n")
        << QByteArray("Expected ':' after a member name: }") << 2 << 0;
    QTest::newRow("object-trailing-comma-at-end") << QByteArray("{\"a\": 1,}")
        << QByteArray("End of file before end of string: }") << 1 << 9;
    QTest::newRow("object-open-at-end") << QByteArray("{")
        << QByteArray("End of file before end of string: ") << 1 << 1;
    QTest::newRow("object-comma-at-end") << QByteArray("{\"a\":1,")
        << QByteArray("End of file before end of string: ") << 1 << 7;
    QTest::newRow("bare-name-at-end") << QByteArray("{abc")
        << QByteArray("End of file before end of string: abc") << 1 << 4;
    QTest::newRow("object-missing-comma") << QByteArray("{\"a\":1 \"b\":2}")
        << QByteArray("Expected '}' to close an object") << 1 << 7;
    QTest::newRow("object-close-at-end") << QByteArray("{\"a\":1")
        << QByteArray("Expected '}' to close an object") << 1 << 6;
    QTest::newRow("array-missing-comma") << QByteArray("[1 2]")
        << QByteArray("Expected ']' to close an array") << 1 << 3;
    QTest::newRow("array-open-at-end") << QByteArray("[1")
        << QByteArray("Expected ']' to close an array") << 1 << 2;
    QTest::newRow("array-comma-at-end") << QByteArray("[1,")
        << QByteArray("Expected ']' to close an array") << 1 << 3;
    QTest::newRow("array-comment-at-end") << QByteArray("[1 //c")
        << QByteArray("Expected ']' to close an array") << 1 << 6;
    QTest::newRow("string-at-end") << QByteArray("\"abc")
        << QByteArray("End of file before end of string: abc") << 1 << 4;
    QTest::newRow("string-at-end-after-escapes") << QByteArray("\"a\\tb\\")
        << QByteArray("End of file before end of string: a\tb") << 1 << 6;
    QTest::newRow("string-at-end-over-lines") << QByteArray("[\"a\nbc")
        << QByteArray("End of file before end of string: a\nbc") << 2 << 2;
    QTest::newRow("column-counts-bytes") << QByteArray("[\"\xc3\xa9\" 1]")
        << QByteArray("Expected ']' to close an array") << 1 << 6;
    QTest::newRow("line-after-line-comments") << QByteArray("// one\n//\n[1 2]")
        << QByteArray("Expected ']' to close an array") << 3 << 3;
    QTest::newRow("line-after-raw-feeds-in-string") << QByteArray("[\"a\nb\",\n1 2]")
        << QByteArray("Expected ']' to close an array") << 3 << 2;
    QTest::newRow("line-after-crlf") << QByteArray("[1,\r\n2,\r\n3 4]")
        << QByteArray("Expected ']' to close an array") << 3 << 2;
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
    QTest::newRow("after-array") << QByteArray("[1]\n[2]") << QByteArray("\n[2]");
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

void tst_JsonParser::exceptionIsCopyable()
{
    const JsonParserException original("Expected '}' to close an object", 4, 2);
    JsonParserException copy = original;
    copy = original;
    const std::runtime_error &base = copy;
    QCOMPARE(QByteArray(base.what()), QByteArray("Expected '}' to close an object"));
    QCOMPARE(copy.line(), 4);
    QCOMPARE(copy.column(), 2);
}

void tst_JsonParser::parseNoThrow_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QStringList>("log");

    QTest::newRow("value") << QByteArray("{\"a\": [1]}") << QVariant(map({{"a", QVariantList{1}}}))
                           << QStringList();
    QTest::newRow("empty-is-no-error") << QByteArray() << QVariant(QString()) << QStringList();
    QTest::newRow("error") << QByteArray("[1 2]") << QVariant()
                           << QStringList{QStringLiteral("Expected ']' to close an array")};
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

#include "jsonparser.h"

#include "jsonparserexception.h"

#include <logservice.h>

#include <QIODevice>
#include <QtNumeric>

#include <array>
#include <charconv>
#include <climits>
#include <cstring>

namespace Common {

namespace {

// Bytes read from a device at a time.
constexpr qint64 ChunkSize = 64 * 1024;

// Byte classes of the dialect. White space is Latin-1 9 to 13, 32 and 160; a bare token ends
// at white space or a closing bracket or comma; a bare member name continues over bytes that
// are letters or numbers when taken as Latin-1 characters.
enum ByteClass : unsigned char {
    Space = 0x1,
    TokenEnd = 0x2,
    StringSpecial = 0x4,
    NameChar = 0x8,
};

using ByteClassTable = std::array<unsigned char, 256>;

ByteClassTable makeByteClasses()
{
    ByteClassTable table{};
    for (int byte = 0; byte < 256; ++byte) {
        unsigned char classes = 0;
        if ((byte >= 9 && byte <= 13) || byte == 32 || byte == 160)
            classes |= Space | TokenEnd;
        if (byte == ']' || byte == '}' || byte == ',')
            classes |= TokenEnd;
        if (byte == '"' || byte == '\\')
            classes |= StringSpecial;
        if (QChar(ushort(byte)).isLetterOrNumber())
            classes |= NameChar;
        table[byte] = classes;
    }
    return table;
}

const ByteClassTable byteClasses = makeByteClasses();

inline bool hasClass(char byte, ByteClass byteClass)
{
    return byteClasses[uchar(byte)] & byteClass;
}

// Moves a position (line feeds so far, bytes since the last one) over the bytes [from, to).
void advancePosition(const char *from, const char *to, qint64 *line, qint64 *column)
{
    const char *lineStart = nullptr;
    while (const void *feed = std::memchr(from, '\n', size_t(to - from))) {
        ++*line;
        from = lineStart = static_cast<const char *>(feed) + 1;
    }
    *column = lineStart ? to - lineStart : *column + (to - from);
}

const char *skipDigits(const char *p, const char *end)
{
    while (p != end && *p >= '0' && *p <= '9')
        ++p;
    return p;
}

// Integer tokens outside the 32-bit range, and decimal numbers whose magnitude is out of the
// double range, are read by this: std::from_chars gives the correctly rounded double, and on
// overflow or underflow the token's decimal exponent tells infinity from zero.
double toDouble(const char *begin, const char *end)
{
    const bool negative = *begin == '-';
    const char *digits = (*begin == '-' || *begin == '+') ? begin + 1 : begin;
    double value = 0;
    const std::from_chars_result result = std::from_chars(digits, end, value);
    if (result.ec != std::errc::result_out_of_range)
        return negative ? -value : value;

    // Decimal exponent of the first nonzero digit, plus the written exponent. Exponent digits
    // beyond MaxExponent cannot change the sign of the sum (a token has fewer than 2^31 digits).
    constexpr qint64 MaxExponent = Q_INT64_C(1000000000000000);
    const char *intEnd = skipDigits(digits, end);
    const char *fracEnd = (intEnd != end && *intEnd == '.') ? skipDigits(intEnd + 1, end) : intEnd;
    const char *first = digits;
    while (first != fracEnd && (*first == '0' || *first == '.'))
        ++first;
    qint64 exponent = first < intEnd ? intEnd - first - 1 : intEnd - first;
    if (fracEnd != end) {
        const char *p = fracEnd + 1;
        const bool negativeExponent = *p == '-';
        if (*p == '-' || *p == '+')
            ++p;
        qint64 written = 0;
        for (; p != end && written < MaxExponent; ++p)
            written = written * 10 + (*p - '0');
        exponent += negativeExponent ? -written : written;
    }
    const double magnitude = exponent > 0 ? qInf() : 0.0;
    return negative ? -magnitude : magnitude;
}

// The value of a bare token: true, false, null, a number, or else the text itself.
//
// An integer token outside the 32-bit signed range is read as a double (exact up to 2^53)
// rather than wrapped to its low 32 bits, so a large number is never silently changed into a
// different small one.
QVariant tokenValue(const char *begin, const char *end)
{
    const qsizetype size = end - begin;
    if (size == 4 && std::memcmp(begin, "true", 4) == 0)
        return true;
    if (size == 5 && std::memcmp(begin, "false", 5) == 0)
        return false;
    if (size == 4 && std::memcmp(begin, "null", 4) == 0)
        return QVariant();

    // [sign] digits [. digits] [(e|E) [sign] digits], with at least one mantissa digit.
    const char *p = begin;
    if (p != end && (*p == '+' || *p == '-'))
        ++p;
    const char *intBegin = p;
    p = skipDigits(p, end);
    const char *intEnd = p;
    if (p == end && intEnd != intBegin) {
        const char *significant = intBegin;
        while (significant != intEnd - 1 && *significant == '0')
            ++significant;
        if (intEnd - significant <= 10) {
            qint64 magnitude = 0;
            for (const char *digit = significant; digit != intEnd; ++digit)
                magnitude = magnitude * 10 + (*digit - '0');
            const bool negative = *begin == '-';
            if (magnitude <= qint64(INT_MAX) + (negative ? 1 : 0))
                return int(negative ? -magnitude : magnitude);
        }
        return toDouble(begin, end);
    }
    bool mantissa = intEnd != intBegin;
    if (p != end && *p == '.') {
        const char *fracBegin = ++p;
        p = skipDigits(p, end);
        mantissa = mantissa || p != fracBegin;
    }
    if (mantissa && p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != end && (*p == '+' || *p == '-'))
            ++p;
        const char *expBegin = p;
        p = skipDigits(p, end);
        if (p == expBegin)
            mantissa = false;
    }
    if (mantissa && p == end)
        return toDouble(begin, end);

    if (size == 3 && std::memcmp(begin, "nan", 3) == 0)
        return qQNaN();
    if ((size == 3 && std::memcmp(begin, "inf", 3) == 0)
            || (size == 4 && std::memcmp(begin, "+inf", 4) == 0))
        return qInf();
    if (size == 4 && std::memcmp(begin, "-inf", 4) == 0)
        return -qInf();
    return QString::fromUtf8(begin, int(size));
}

} // namespace

JsonParser::JsonParser(const char *data, qint64 size)
    : m_begin(data)
    , m_pos(data)
    , m_end(data + size)
{
}

JsonParser::JsonParser(QIODevice *device)
    : m_device(device)
    , m_seekBack(!device->isSequential() && !device->isTextModeEnabled())
{
    m_chunk.resize(int(ChunkSize));
    m_begin = m_pos = m_end = m_chunk.constData();
}

// Runs on return and while an exception unwinds, so the device always ends up right after
// the last byte the reader consumed.
JsonParser::~JsonParser()
{
    giveBackUnread();
}

QVariant JsonParser::parse(QIODevice *device)
{
    HOSTAPI_ASSERT(device, return QVariant());
    JsonParser parser(device);
    return parser.readValue(0);
}

QVariant JsonParser::parse(const QByteArray &text)
{
    JsonParser parser(text.constData(), text.size());
    return parser.readValue(0);
}

QVariant JsonParser::parseNoThrow(const QByteArray &text)
{
    try {
        return parse(text);
    } catch (const JsonParserException &error) {
        HostApi::LogService *log = QuorvexServiceApi();
        static const int category = log->registerCategory("Common.JsonParser");
        log->write(category, 3, __FILE__, __LINE__, "Common::JsonParser::parseNoThrow",
                   QString::fromUtf8(error.what()));
    }
    return QVariant();
}

// The next byte without consuming it, or -1 at the end of the input.
inline int JsonParser::peek()
{
    if (m_pos == m_end && !fill())
        return -1;
    return uchar(*m_pos);
}

// Replaces the fully consumed chunk with the next bytes of the device.
bool JsonParser::fill()
{
    if (!m_device)
        return false;
    advancePosition(m_begin, m_end, &m_linesBefore, &m_columnBefore);
    char *data = m_chunk.data();
    const qint64 size = m_device->read(data, ChunkSize);
    m_begin = m_pos = data;
    m_end = data + qMax<qint64>(size, 0);
    return size > 0;
}

// Random-access devices seek back over the bytes read ahead. Others, and devices in text mode
// (whose positions do not count the bytes as delivered), take them back in front of their
// buffer.
void JsonParser::giveBackUnread()
{
    if (!m_device || m_pos == m_end)
        return;
    if (m_seekBack) {
        m_device->seek(m_device->pos() - (m_end - m_pos));
        return;
    }
    for (const char *byte = m_end; byte != m_pos;)
        m_device->ungetChar(*--byte);
}

void JsonParser::fail(const QByteArray &message) const
{
    qint64 line = m_linesBefore;
    qint64 column = m_columnBefore;
    advancePosition(m_begin, m_pos, &line, &column);
    throw JsonParserException(message, int(qMin<qint64>(line + 1, INT_MAX)),
                              int(qMin<qint64>(column, INT_MAX)));
}

// White space, "//" comments up to and including their line feed. A '/' not followed by a
// second one is dropped with a warning and skipping stops at the byte after it, so a block
// comment's "*" is read next.
void JsonParser::skipWhiteSpace()
{
    for (;;) {
        while (m_pos != m_end && hasClass(*m_pos, Space))
            ++m_pos;
        const int byte = peek();
        if (byte < 0)
            return;
        if (hasClass(char(byte), Space))
            continue;
        if (byte != '/')
            return;
        ++m_pos;
        const int next = peek();
        if (next < 0)
            return;
        if (next != '/') {
            qWarning("I removed a '/' while parsing JSON file.");
            return;
        }
        ++m_pos;
        skipLineComment();
    }
}

void JsonParser::skipLineComment()
{
    for (;;) {
        const void *feed = std::memchr(m_pos, '\n', size_t(m_end - m_pos));
        if (feed) {
            m_pos = static_cast<const char *>(feed) + 1;
            return;
        }
        m_pos = m_end;
        if (!fill())
            return;
    }
}

// value := skip ( '{' object | '[' array | string | bare-token )
QVariant JsonParser::readValue(int depth)
{
    skipWhiteSpace();
    switch (peek()) {
    case '{':
        ++m_pos;
        return readObject(depth + 1);
    case '[':
        ++m_pos;
        return readArray(depth + 1);
    case '"':
        return readString(false);
    default:
        return readBareToken();
    }
}

// object := '{' skip ( '}' | ( skip name skip ':' skip value skip [','] )... skip '}' )
// The loop ends at the first byte after a member that is not a comma.
QVariantMap JsonParser::readObject(int depth)
{
    if (depth > MaxDepth)
        fail("Objects and arrays are nested more than " + QByteArray::number(MaxDepth)
             + " levels deep");
    QVariantMap map;
    skipWhiteSpace();
    if (peek() == '}') {
        ++m_pos;
        return map;
    }
    for (;;) {
        skipWhiteSpace();
        const QString name = readMemberName();
        skipWhiteSpace();
        if (peek() != ':')
            fail("Expected ':' after a member name: " + name.toUtf8());
        ++m_pos;
        skipWhiteSpace();
        map.insert(name, readValue(depth));
        skipWhiteSpace();
        if (peek() != ',')
            break;
        ++m_pos;
    }
    skipWhiteSpace();
    if (peek() != '}')
        fail("Expected '}' to close an object");
    ++m_pos;
    return map;
}

// array := '[' skip ( ']' | ( value skip [','] )... skip ']' )
// An empty slot is an empty bare token, so "[1,]" holds 1 and "".
QVariantList JsonParser::readArray(int depth)
{
    if (depth > MaxDepth)
        fail("Objects and arrays are nested more than " + QByteArray::number(MaxDepth)
             + " levels deep");
    QVariantList list;
    skipWhiteSpace();
    if (peek() == ']') {
        ++m_pos;
        return list;
    }
    for (;;) {
        list.append(readValue(depth));
        skipWhiteSpace();
        if (peek() != ',')
            break;
        ++m_pos;
    }
    skipWhiteSpace();
    if (peek() != ']')
        fail("Expected ']' to close an array");
    ++m_pos;
    return list;
}

// name := string | any-byte { letter-or-number-byte }
// The first byte of a bare name is taken whatever it is; the input must not end inside one.
QString JsonParser::readMemberName()
{
    const int first = peek();
    if (first == '"')
        return readString(true);
    if (first < 0)
        fail("End of file before end of string: ");
    m_scratch.clear();
    const char *start = m_pos++;
    for (;;) {
        while (m_pos != m_end && hasClass(*m_pos, NameChar))
            ++m_pos;
        if (m_pos != m_end)
            break;
        m_scratch.append(start, int(m_pos - start));
        if (!fill())
            fail("End of file before end of string: " + m_scratch);
        start = m_pos;
    }
    if (m_scratch.isEmpty())
        return sharedName(start, int(m_pos - start));
    m_scratch.append(start, int(m_pos - start));
    return sharedName(m_scratch.constData(), m_scratch.size());
}

// The text of a member name's bytes (UTF-8); ASCII names come from the cache when read before.
QString JsonParser::sharedName(const char *begin, int size)
{
    uint hash = 0;
    uchar high = 0;
    for (int i = 0; i < size; ++i) {
        hash = hash * 31 + uchar(begin[i]);
        high |= uchar(begin[i]);
    }
    if (high >= 0x80)
        return QString::fromUtf8(begin, size);
    QString &cached = m_names[hash % NameCacheSize];
    const QLatin1String name(begin, size);
    if (cached != name)
        cached = name;
    return cached;
}

// string := '"' { byte | '\' byte } '"'
// Escapes b, f, n, r and t stand for their control characters, any other escaped byte (u
// included, with a warning) for itself. Raw control bytes and line feeds are kept. The
// collected bytes are UTF-8. Called with the opening quote next.
QString JsonParser::readString(bool memberName)
{
    ++m_pos;
    m_scratch.clear();
    const char *start = m_pos;
    for (;;) {
        const char *special = start;
        while (special != m_end && !hasClass(*special, StringSpecial))
            ++special;
        if (special == m_end) {
            m_scratch.append(start, int(special - start));
            m_pos = special;
            if (!fill())
                fail("End of file before end of string: " + m_scratch);
            start = m_pos;
            continue;
        }
        m_pos = special + 1;
        if (*special == '"') {
            if (m_scratch.isEmpty()) {
                const int size = int(special - start);
                return memberName ? sharedName(start, size) : QString::fromUtf8(start, size);
            }
            m_scratch.append(start, int(special - start));
            return memberName ? sharedName(m_scratch.constData(), m_scratch.size())
                              : QString::fromUtf8(m_scratch.constData(), m_scratch.size());
        }
        m_scratch.append(start, int(special - start));
        const int escaped = peek();
        if (escaped < 0)
            fail("End of file before end of string: " + m_scratch);
        ++m_pos;
        switch (escaped) {
        case 'b': m_scratch.append('\b'); break;
        case 'f': m_scratch.append('\f'); break;
        case 'n': m_scratch.append('\n'); break;
        case 'r': m_scratch.append('\r'); break;
        case 't': m_scratch.append('\t'); break;
        case 'u':
            qWarning("don't support \\uxxxx char");
            m_scratch.append('u');
            break;
        default:
            m_scratch.append(char(escaped));
            break;
        }
        start = m_pos;
    }
}

// bare-token := { any byte but white space, ']', '}' and ',' }
QVariant JsonParser::readBareToken()
{
    m_scratch.clear();
    const char *start = m_pos;
    for (;;) {
        while (m_pos != m_end && !hasClass(*m_pos, TokenEnd))
            ++m_pos;
        if (m_pos != m_end || !m_device)
            break;
        m_scratch.append(start, int(m_pos - start));
        const bool more = fill();
        start = m_pos;
        if (!more)
            break;
    }
    if (m_scratch.isEmpty())
        return tokenValue(start, m_pos);
    m_scratch.append(start, int(m_pos - start));
    return tokenValue(m_scratch.constBegin(), m_scratch.constEnd());
}

} // namespace Common

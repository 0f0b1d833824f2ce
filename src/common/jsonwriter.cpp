#include "jsonwriter.h"

#include <logservice.h>

#include <QIODevice>
#include <QtNumeric>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace Common {

namespace {

// Text is collected and handed to a device in writes of about this size.
constexpr int FlushSize = 64 * 1024;
// First capacity of text collected in memory; it doubles as needed.
constexpr int InitialSize = 256;

// The largest double whose 15-digit form does not round up beyond the double range; larger
// ones are written with 17 digits so that they read back as themselves, not as infinity.
constexpr double LargestFifteenDigitDouble = 1.79769313486231e308;

// The letter after the backslash for each byte written escaped, 0 for bytes written as they
// are.
constexpr std::array<char, 128> makeEscapes()
{
    std::array<char, 128> escapes{};
    escapes['\\'] = '\\';
    escapes['"'] = '"';
    escapes['\b'] = 'b';
    escapes['\n'] = 'n';
    escapes['\f'] = 'f';
    escapes['\r'] = 'r';
    escapes['\t'] = 't';
    return escapes;
}

constexpr std::array<char, 128> escapes = makeEscapes();

// The text being written: kept in memory, or passed on to a device whenever FlushSize bytes
// have gathered.
class Output
{
public:
    explicit Output(QIODevice *device)
        : m_device(device)
    {
        grow(device ? FlushSize : InitialSize);
    }
    ~Output()
    {
        if (m_device && m_size)
            m_device->write(m_data, m_size);
    }
    Q_DISABLE_COPY(Output)

    // Room for `size` more bytes; commit() then says how many were used.
    char *reserve(int size)
    {
        if (m_capacity - m_size < size)
            makeRoom(size);
        return m_data + m_size;
    }
    void commit(char *end) { m_size = int(end - m_data); }

    void append(char byte) { *reserve(1) = byte; ++m_size; }
    void append(const char *bytes, int size)
    {
        std::memcpy(reserve(size), bytes, size_t(size));
        m_size += size;
    }
    template<int Size>
    void append(const char (&literal)[Size]) { append(literal, Size - 1); }
    void appendTabs(int count)
    {
        if (count > 0) {
            std::memset(reserve(count), '\t', size_t(count));
            m_size += count;
        }
    }

    QByteArray take()
    {
        m_buffer.resize(m_size);
        return m_buffer;
    }

private:
    void makeRoom(int size)
    {
        if (m_device && m_size) {
            m_device->write(m_data, m_size);
            m_size = 0;
            if (m_capacity >= size)
                return;
        }
        grow(qMax(m_size + size, 2 * m_capacity));
    }
    void grow(int capacity)
    {
        m_buffer.resize(capacity);
        m_data = m_buffer.data();
        m_capacity = capacity;
    }

    QIODevice *m_device;
    QByteArray m_buffer;
    char *m_data = nullptr;
    int m_size = 0;
    int m_capacity = 0;
};

bool isScalar(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::QString:
        return true;
    default:
        return false;
    }
}

// Escaped text is produced a block at a time, so the room reserved for it (at most two bytes
// per input unit) stays small whatever the length of the text.
constexpr int EscapeBlock = 4096;

char *escapeByte(char *dst, char byte)
{
    const char escape = uchar(byte) < 128 ? escapes[uchar(byte)] : 0;
    if (escape) {
        *dst++ = '\\';
        *dst++ = escape;
    } else {
        *dst++ = byte;
    }
    return dst;
}

void writeEscapedUtf8(Output &out, const QByteArray &utf8)
{
    for (int done = 0; done < utf8.size(); done += EscapeBlock) {
        const int block = qMin(EscapeBlock, utf8.size() - done);
        char *dst = out.reserve(2 * block);
        for (const char *byte = utf8.constData() + done, *end = byte + block; byte != end; ++byte)
            dst = escapeByte(dst, *byte);
        out.commit(dst);
    }
}

// UTF-8 of text with the escapes: ASCII is converted here, the rest from the first non-ASCII
// character on by QString.
void writeEscaped(Output &out, const QString &text)
{
    const ushort *chars = text.utf16();
    for (int done = 0; done < text.size(); done += EscapeBlock) {
        const int block = qMin(EscapeBlock, text.size() - done);
        char *dst = out.reserve(2 * block);
        for (int i = done; i < done + block; ++i) {
            if (chars[i] >= 128) {
                out.commit(dst);
                writeEscapedUtf8(out, text.midRef(i).toUtf8());
                return;
            }
            dst = escapeByte(dst, char(chars[i]));
        }
        out.commit(dst);
    }
}

// %g with 15 significant digits and an exponent of at least two digits, locale-independent,
// with ".0" added when the text would otherwise read back as an integer. Infinities and NaN
// have no JSON form; they are written as the reader's words inf, -inf and nan.
void writeDouble(Output &out, double value)
{
    if (qIsNaN(value)) {
        out.append("nan");
        return;
    }
    if (qIsInf(value)) {
        if (value < 0)
            out.append("-inf");
        else
            out.append("inf");
        return;
    }
    const int precision = std::fabs(value) > LargestFifteenDigitDouble ? 17 : 15;
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value,
                                                      std::chars_format::general, precision);
    const int size = int(result.ptr - text);
    out.append(text, size);
    if (!std::memchr(text, '.', size_t(size)) && !std::memchr(text, 'e', size_t(size)))
        out.append(".0");
}

void writeInt(Output &out, int value)
{
    char text[16];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    out.append(text, int(result.ptr - text));
}

void writeValue(Output &out, const QVariant &value, int indent, bool pretty);

void writeMap(Output &out, const QVariantMap &map, int indent, bool pretty)
{
    out.append('{');
    if (pretty)
        out.append('\n');
    for (auto it = map.cbegin(), end = map.cend(); it != end;) {
        if (pretty)
            out.appendTabs(indent + 1);
        out.append('"');
        writeEscaped(out, it.key());
        out.append("\": ");
        if (isScalar(it.value())) {
            writeValue(out, it.value(), 0, pretty);
        } else {
            if (pretty)
                out.append('\n');
            writeValue(out, it.value(), indent + 1, pretty);
        }
        if (++it != end)
            out.append(',');
        if (pretty)
            out.append('\n');
    }
    if (pretty)
        out.appendTabs(indent);
    out.append('}');
}

void writeList(Output &out, const QVariantList &list, int indent, bool pretty)
{
    out.append('[');
    for (int i = 0; i < list.size(); ++i) {
        const QVariant &element = list.at(i);
        if (i > 0)
            out.append(", ");
        if (i == 0 || !isScalar(element)) {
            if (pretty)
                out.append('\n');
            writeValue(out, element, indent + 1, pretty);
        } else {
            writeValue(out, element, 0, pretty);
        }
    }
    if (pretty) {
        out.append('\n');
        out.appendTabs(indent);
    }
    out.append(']');
}

void writeValue(Output &out, const QVariant &value, int indent, bool pretty)
{
    if (pretty)
        out.appendTabs(indent);
    switch (value.userType()) {
    case QMetaType::UnknownType:
        out.append("null");
        break;
    case QMetaType::Bool:
        if (*static_cast<const bool *>(value.constData()))
            out.append("true");
        else
            out.append("false");
        break;
    case QMetaType::Int:
        writeInt(out, *static_cast<const int *>(value.constData()));
        break;
    case QMetaType::Double:
        writeDouble(out, *static_cast<const double *>(value.constData()));
        break;
    case QMetaType::QString:
        out.append('"');
        writeEscaped(out, *static_cast<const QString *>(value.constData()));
        out.append('"');
        break;
    case QMetaType::QVariantMap:
        writeMap(out, *static_cast<const QVariantMap *>(value.constData()), indent, pretty);
        break;
    case QMetaType::QVariantList:
        writeList(out, *static_cast<const QVariantList *>(value.constData()), indent, pretty);
        break;
    default:
        qWarning("Cannot serialize QVariant of type %s in JSON", value.typeName());
        HostApi::reportAssertion("false", __FILE__, __LINE__, "Common::writeJson");
        break;
    }
}

} // namespace

void writeJson(const QVariant &value, QIODevice *device, int indent, bool pretty)
{
    HOSTAPI_ASSERT(device, return);
    Output out(device);
    writeValue(out, value, indent, pretty);
}

void writeJson(const QVariant &value, QIODevice *device)
{
    writeJson(value, device, 0, true);
}

void writeJsonCompact(const QVariant &value, QIODevice *device)
{
    writeJson(value, device, 0, false);
}

QByteArray writeJson(const QVariant &value)
{
    Output out(nullptr);
    writeValue(out, value, 0, false);
    return out.take();
}

} // namespace Common

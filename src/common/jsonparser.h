#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <array>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Common {

// Reads one JSON value of the module's dialect (docs/json-dialect.md) into a variant tree:
// invalid (null), bool, int, double, QString, QVariantList or QVariantMap (sorted by key; a
// later duplicate key replaces the earlier value).
//
// The dialect beyond JSON: "//" line comments, member names without quotes (a letter or
// number run), bare words read as strings, an escaped character other than b, f, n, r and t
// stands for itself, text after the value is not read. Backslash-u escapes are not decoded.
// Integers outside the 32-bit signed range are read as doubles, never wrapped to 32 bits.
//
// One JsonParser is the state of one call; nothing is shared between calls.
class JsonParser
{
public:
    // Objects and arrays nested deeper than this are refused with a JsonParserException, so
    // hostile text cannot exhaust the stack.
    static constexpr int MaxDepth = 1024;

    // Reads exactly one value from the device's current position; the device (not owned)
    // must be open for reading. Bytes after the value stay unread on the device. Throws
    // JsonParserException on a syntax error, leaving the device where reading stopped.
    static QVariant parse(QIODevice *device);
    // Reads one value from the start of text, as parse() of a read-only buffer over it.
    static QVariant parse(const QByteArray &text);
    // As parse(text), but a syntax error gives an invalid variant and a level-3 entry with the
    // error's message in the diagnostic log.
    static QVariant parseNoThrow(const QByteArray &text);

private:
    JsonParser(const char *data, qint64 size);
    explicit JsonParser(QIODevice *device);
    ~JsonParser();
    Q_DISABLE_COPY(JsonParser)

    QVariant readValue(int depth);
    QVariantMap readObject(int depth);
    QVariantList readArray(int depth);
    QString readString(bool memberName);
    QString readMemberName();
    QString sharedName(const char *begin, int size);
    QVariant readBareToken();
    void skipWhiteSpace();
    void skipLineComment();

    int peek();
    bool fill();
    void giveBackUnread();
    [[noreturn]] void fail(const QByteArray &message) const;

    // The bytes at hand: [m_begin, m_end) is the current chunk, m_pos the next unread byte.
    // A whole-text parse has one chunk; a device parse refills from the device.
    const char *m_begin = nullptr;
    const char *m_pos = nullptr;
    const char *m_end = nullptr;

    QIODevice *m_device = nullptr;
    bool m_seekBack = false;    // unread bytes go back by a seek, not by ungetChar()
    QByteArray m_chunk;
    // Position of m_begin: line feeds consumed before it and bytes since the last of them.
    qint64 m_linesBefore = 0;
    qint64 m_columnBefore = 0;

    QByteArray m_scratch;       // collects a string or token that needs copying

    // Member names read so far, by a hash of their bytes: objects of one kind repeat their
    // names, and a repeated name then shares the text read before instead of allocating it.
    static constexpr int NameCacheSize = 64;
    std::array<QString, NameCacheSize> m_names;
};

} // namespace Common

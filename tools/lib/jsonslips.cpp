#include "jsonslips.h"

#include <algorithm>

namespace {

const char byteOrderMark[] = "\xEF\xBB\xBF";

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'
        || c == '\xA0';
}

bool endsWord(char c)
{
    return isSpace(c) || c == ',' || c == ':' || c == '[' || c == ']' || c == '{' || c == '}'
        || c == '"';
}

// Walks the text once, keeping the line and whether the last token was a comma.
class SlipScanner
{
public:
    explicit SlipScanner(const QByteArray &text) : m_text(text) {}

    QStringList scan()
    {
        if (m_text.startsWith(byteOrderMark)) {
            m_hints.append(QStringLiteral("hint: the file starts with a UTF-8 byte-order mark, "
                                          "which the reader does not skip; save it without one"));
            m_at = 3;
        }
        while (m_at < m_text.size()) {
            const char c = m_text.at(m_at);
            if (isSpace(c))
                advance();
            else if (c == '"')
                skipString();
            else if (startsWith("//"))
                skipLineComment();
            else if (startsWith("/*"))
                blockComment();
            else if (c == ',')
                comma();
            else if (c == '}' || c == ']')
                close(c);
            else if (c == '{' || c == '[' || c == ':')
                open();
            else
                skipWord();
        }
        return m_hints;
    }

private:
    bool startsWith(const char *token) const { return m_text.mid(m_at, 2) == token; }

    void advance()
    {
        if (m_text.at(m_at) == '\n')
            ++m_line;
        ++m_at;
    }

    void skipString()
    {
        m_afterComma = false;
        advance();
        while (m_at < m_text.size() && m_text.at(m_at) != '"') {
            if (m_text.at(m_at) == '\\' && m_at + 1 < m_text.size())
                advance();
            advance();
        }
        if (m_at < m_text.size())
            advance();
    }

    void skipLineComment()
    {
        while (m_at < m_text.size() && m_text.at(m_at) != '\n')
            advance();
    }

    void blockComment()
    {
        m_hints.append(QStringLiteral("hint: line %1: \"/*\" starts a block comment, which the "
                                      "reader does not know; use \"//\" line comments")
                           .arg(m_line));
        m_at += 2;
        while (m_at < m_text.size() && !startsWith("*/"))
            advance();
        m_at = std::min(m_at + 2, int(m_text.size()));
    }

    void comma()
    {
        m_afterComma = true;
        m_commaLine = m_line;
        advance();
    }

    void close(char c)
    {
        if (m_afterComma && c == '}') {
            m_hints.append(QStringLiteral("hint: line %1: a comma right before \"}\" is not "
                                          "allowed; remove it")
                               .arg(m_commaLine));
        } else if (m_afterComma) {
            m_hints.append(QStringLiteral("hint: line %1: a comma right before \"]\" adds an "
                                          "empty string to the array; remove it")
                               .arg(m_commaLine));
        }
        m_afterComma = false;
        advance();
    }

    void open()
    {
        m_afterComma = false;
        advance();
    }

    void skipWord()
    {
        m_afterComma = false;
        advance();
        while (m_at < m_text.size() && !endsWord(m_text.at(m_at)))
            advance();
    }

    const QByteArray &m_text;
    QStringList m_hints;
    int m_at = 0;
    int m_line = 1;
    bool m_afterComma = false;
    int m_commaLine = 0;
};

} // namespace

QStringList jsonSlipHints(const QByteArray &text)
{
    return SlipScanner(text).scan();
}

#pragma once

#include <QByteArray>

#include <stdexcept>

namespace Common {

// A syntax error found by JsonParser. what() is the message (8-bit text); line is 1-based
// (line feeds consumed + 1) and column is the position on that line of the last byte the
// reader consumed (0 right after a line feed). Thrown by value, caught by reference.
class JsonParserException : public std::runtime_error
{
public:
    JsonParserException(const QByteArray &message, int line, int column);

    int line() const { return m_line; }
    int column() const { return m_column; }

private:
    int m_line;
    int m_column;
};

} // namespace Common

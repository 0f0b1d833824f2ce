#include "jsonparserexception.h"

namespace Common {

JsonParserException::JsonParserException(const QByteArray &message, int line, int column)
    : std::runtime_error(message.toStdString())
    , m_line(line)
    , m_column(column)
{
}

} // namespace Common

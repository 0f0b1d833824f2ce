#pragma once

#include <QString>

namespace Common {

// Levels of the host's diagnostic log used by the typed values.
enum JsonValueLogLevel {
    JsonValueWarning = 3,
    JsonValueError = 4
};

// Writes one entry under the category "Common.JsonValue", registered with the host log
// service on first use.
void writeJsonValueLog(JsonValueLogLevel level, const char *file, int line, const char *function,
                       const QString &text);

} // namespace Common

#define COMMON_JSONVALUE_LOG(level, text) \
    ::Common::writeJsonValueLog(level, __FILE__, __LINE__, Q_FUNC_INFO, text)

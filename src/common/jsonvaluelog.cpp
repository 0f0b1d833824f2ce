#include "jsonvaluelog.h"

#include <logservice.h>

namespace Common {

void writeJsonValueLog(JsonValueLogLevel level, const char *file, int line, const char *function,
                       const QString &text)
{
    HostApi::LogService *log = QuorvexServiceApi();
    static const int category = log->registerCategory("Common.JsonValue");
    log->write(category, level, file, line, function, text);
}

} // namespace Common

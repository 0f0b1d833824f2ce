#include "pluginlogline.h"

#include <ioutputchannel.h>
#include <logservice.h>

void pluginLogLine(HostApi::IOutputChannel *channel, const QString &source,
                   const QString &message, const QString &detail)
{
    const QString line = source + QLatin1String(": ") + message + QLatin1String(", ") + detail
        + QLatin1Char('\n');
    if (channel) {
        channel->append(line);
        return;
    }
    HostApi::LogService *log = QuorvexServiceApi();
    static const int category = log->registerCategory("Tessel.PluginOutput");
    log->write(category, 2, __FILE__, __LINE__, Q_FUNC_INFO, line.trimmed());
}

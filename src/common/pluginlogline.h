#pragma once

#include <QString>

namespace HostApi { class IOutputChannel; }

// Writes one line for plug-in authors: source + ": " + message + ", " + detail + "\n".
// Without a channel (before the plug-in is initialised) the line goes to the diagnostic log.
void pluginLogLine(HostApi::IOutputChannel *channel, const QString &source,
                   const QString &message, const QString &detail);

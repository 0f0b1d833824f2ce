#pragma once

#include "hostapi_global.h"

#include <QIcon>
#include <QString>

namespace HostApi {

// An icon from up to four image files: normal, active (hovered), disabled and selected
// (checked). An empty or unreadable path leaves its state to be derived from the normal one.
HOSTAPI_EXPORT QIcon buildIconWithStates(const QString &normal, const QString &active,
                                         const QString &disabled, const QString &selected);

} // namespace HostApi

#pragma once

#include "hostapi_global.h"

class QPaintDevice;

namespace HostApi {

// points (1/72 inch) in pixels of device, rounded.
HOSTAPI_EXPORT int pointsToPixels(const QPaintDevice &device, double points);

} // namespace HostApi

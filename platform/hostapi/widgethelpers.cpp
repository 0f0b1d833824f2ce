#include "widgethelpers.h"

#include <QPaintDevice>
#include <QtMath>

namespace HostApi {

int pointsToPixels(const QPaintDevice &device, double points)
{
    return qRound(points * device.logicalDpiY() / 72.0);
}

} // namespace HostApi

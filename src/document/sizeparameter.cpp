#include "sizeparameter.h"

#include <widgethelpers.h>

namespace {

const char PixelSuffix[] = "px";
const char PointSuffix[] = "pt";
constexpr int SuffixLength = 2;

} // namespace

SizeParameter SizeParameter::parse(const QString &text)
{
    SizeParameter size;
    QString number = text.simplified();
    if (number.isEmpty())
        return size;
    if (number.endsWith(QLatin1String(PointSuffix), Qt::CaseInsensitive)) {
        size.m_points = true;
        number.chop(SuffixLength);
    } else if (number.endsWith(QLatin1String(PixelSuffix), Qt::CaseInsensitive)) {
        number.chop(SuffixLength);
    }
    bool ok = false;
    size.m_number = number.trimmed().toInt(&ok, 10);
    size.m_state = ok && size.m_number >= 0 ? State::Valid : State::Invalid;
    return size;
}

int SizeParameter::pixels(const QPaintDevice &device) const
{
    if (!isValid())
        return 0;
    return m_points ? HostApi::pointsToPixels(device, m_number) : m_number;
}

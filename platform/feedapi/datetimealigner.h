#pragma once

#include "datetime.h"
#include "resolution.h"
#include "symbolrecord.h"

namespace FeedApi {

// Aligns date-times to the borders of the intervals of a resolution for an instrument. A
// daily interval runs from 00:00:00.000 to 23:59:59.999 UTC of its day.
class FEEDAPI_EXPORT DateTimeAligner
{
public:
    DateTimeAligner(const Resolution &resolution, const Common::SymbolRecord &record);

    // The first instant of the interval holding value; the null value stays null.
    Common::DateTime alignLeft(const Common::DateTime &value) const;
    // The last instant of the interval holding value; the null value stays null.
    Common::DateTime alignRight(const Common::DateTime &value) const;

private:
    Resolution m_resolution;
};

} // namespace FeedApi

#pragma once

#include "historyseriesspec.h"
#include "request.h"
#include "symbolrecord.h"
#include "timerange.h"

#include <QMap>
#include <QVariant>

namespace FeedApi {

// Asks for the bars of an instrument (the record from a SymbolResponse). The bars answered are
// those inside range; when itemsCount is positive and range.from is null, the last itemsCount
// bars up to range.to instead. A realtime request then gets the current day's bar again each
// time it changes. Flags are the caller's options; the library reads none of them.
class FEEDAPI_EXPORT HistorySeriesRequest : public Request
{
public:
    HistorySeriesRequest(const Common::SymbolRecord &record, const HistorySeriesSpec &spec,
                         bool realtime, int itemsCount, const TimeRange &range,
                         const QMap<int, QVariant> &flags)
        : m_record(record), m_spec(spec), m_realtime(realtime), m_itemsCount(itemsCount),
          m_range(range), m_flags(flags) {}

    Common::SymbolRecord record() const { return m_record; }
    HistorySeriesSpec spec() const { return m_spec; }
    bool isRealtime() const { return m_realtime; }
    int itemsCount() const { return m_itemsCount; }
    TimeRange range() const { return m_range; }
    QMap<int, QVariant> flags() const { return m_flags; }

private:
    Common::SymbolRecord m_record;
    HistorySeriesSpec m_spec;
    bool m_realtime;
    int m_itemsCount;
    TimeRange m_range;
    QMap<int, QVariant> m_flags;
};

} // namespace FeedApi

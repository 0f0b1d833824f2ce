#pragma once

#include "resolution.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

namespace FeedApi {

// The trading session a series covers; the default is the instrument's whole day.
struct Session
{
};

using ChartType = int;
using SettingsMap = QMap<QString, QVariant>;

// What series of an instrument is asked for: its resolution, a spec text, session, chart
// type and settings. The library reads the resolution only.
struct HistorySeriesSpec
{
    HistorySeriesSpec(const Resolution &resolution, const QByteArray &spec, const Session &session,
                      ChartType chartType, const SettingsMap &settings)
        : resolution(resolution), spec(spec), session(session), chartType(chartType),
          settings(settings) {}

    Resolution resolution;
    QByteArray spec;
    Session session;
    ChartType chartType;
    SettingsMap settings;
};

} // namespace FeedApi

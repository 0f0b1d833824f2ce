#pragma once

#include <datetime.h>
#include <market/marketstore.h>

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

// The day the test stores are made on: a Friday on which the March 2026 contracts expire.
inline const QDate MadeOn(2026, 3, 20);
inline constexpr quint32 Seed = 7;

inline QDateTime utc(const QDate &day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(day, QTime(hour, minute, second), Qt::UTC);
}

inline Common::DateTime at(const QDate &day, int hour = 0, int minute = 0)
{
    return Common::DateTime::fromQDateTime(utc(day, hour, minute));
}

// The last millisecond of day.
inline Common::DateTime endOf(const QDate &day)
{
    return Common::DateTime(Common::DateTime::fromQDate(day).date(), 235959999);
}

// The day of a bar as YYYYMMDD.
inline int dayOf(const FeedApi::Bar &bar)
{
    return int(bar.time / Common::DateTime::DateFactor);
}

// "count first..last" of bars, by day as YYYYMMDD; "0" when there are none.
inline QString span(const QVector<FeedApi::Bar> &bars)
{
    return bars.isEmpty() ? QStringLiteral("0")
                          : QStringLiteral("%1 %2..%3").arg(bars.size()).arg(dayOf(bars.first()))
                                .arg(dayOf(bars.last()));
}

// Makes dir/market.sqlite from seed as of day; fails the test when it cannot.
QString makeStore(const QString &dir, quint32 seed, const QDate &day);

// A SHA-1 over the schema version and every row of every table of an SQLite file, read
// through its own connection.
QByteArray tableChecksum(const QString &fileName);

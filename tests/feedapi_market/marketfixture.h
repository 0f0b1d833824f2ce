#pragma once

#include <market/marketstore.h>

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

// The day the test stores are made on: a Friday on which the March 2026 contracts expire.
inline const QDate MadeOn(2026, 3, 20);

inline QDateTime utc(const QDate &day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(day, QTime(hour, minute, second), Qt::UTC);
}

// Makes dir/market.sqlite from seed as of day; fails the test when it cannot.
QString makeStore(const QString &dir, quint32 seed, const QDate &day);

// A SHA-1 over every row of every table of an SQLite file, read through its own connection.
QByteArray tableChecksum(const QString &fileName);
// A SHA-1 over the bars of the symbols, by symbol and day.
QByteArray barChecksum(const QString &fileName, const QList<QByteArray> &symbols);

#pragma once

#include "historyresponse.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>
#include <QVector>

// Reads daily bars from the common "Date,Open,High,Low,Close,Volume" export: a header row
// (names in any case), then one bar per row with the date as yyyy-MM-dd, prices as decimal
// numbers and the volume as a whole number. Fields may be in double quotes ("" inside stands
// for one quote); CRLF line ends, a UTF-8 byte order mark and blank lines are accepted. Rows
// may come in any order; the bars come out oldest first. Every bad row is kept with its line
// number, so that a caller can report them all and write nothing. Prices must be above zero
// and the volume not below, as the store keeps them.
class BarsCsvReader
{
public:
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
    static constexpr int MaxLineLength = 512;
    // Errors kept for reporting; the ones after it are only counted.
    static constexpr int MaxErrors = 20;

    struct Error
    {
        int line = 0;   // 1-based; 0 for the file as a whole
        QString reason;
    };

    // Rows dated after lastDay are refused.
    explicit BarsCsvReader(const QDate &lastDay);

    // Reads a whole file's content; true when it holds a header, at least one bar and no bad
    // row. The text must not be longer than MaxFileSize.
    bool read(const QByteArray &text);

    QVector<FeedApi::Bar> bars() const { return m_bars; }
    // The first MaxErrors errors, in line order.
    QVector<Error> errors() const { return m_errors; }
    // All errors, including those not kept.
    int errorCount() const { return m_errorCount; }

private:
    bool readHeader(const QByteArray &line, int number);
    void readRow(const QByteArray &line, int number);
    bool readPrice(const char *name, const QByteArray &text, int number, double *value);
    void fail(int line, const QString &reason);

    QDate m_lastDay;
    QVector<FeedApi::Bar> m_bars;
    QHash<quint64, int> m_lineOfTime;
    QVector<Error> m_errors;
    int m_errorCount = 0;
};

#pragma once

#include <ioutputchannel.h>
#include <logservice.h>

#include <QString>
#include <QStringList>
#include <QVector>

// An output channel that keeps every line appended to it.
class RecordingChannel : public HostApi::IOutputChannel
{
public:
    void append(const QString &text) override { lines.append(text); }
    void clear() { lines.clear(); }

    QStringList lines;
};

// Collects the diagnostic log's entries while alive, then restores the previous sink.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QVector<HostApi::LogEntry> entries() const { return m_entries; }
    QStringList texts(const QByteArray &category = QByteArray()) const;
    void clear() { m_entries.clear(); }

private:
    QVector<HostApi::LogEntry> m_entries;
    HostApi::LogService::Sink m_previous;
};

// The folder of the test's checked-in data (TESSEL_TEST_DATA), with a trailing "/".
QString testDataPath();

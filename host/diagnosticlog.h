#pragma once

#include <logservice.h>

#include <QFile>
#include <QMutex>
#include <QString>

#include <cstdio>

// Where the host's diagnostic log goes while this object lives: each entry from a level on
// becomes one line, "TIME [category] level N file:line function: text", in the file FileName
// of a folder. Before a line would take the file past its size limit, the file becomes
// FileName + ".1", replacing the one before, and a new file starts. With an echo stream the
// lines also go there, without the time. A file that cannot be written is reported once on
// standard error, and its lines go there instead. Entries may come from any thread.
class DiagnosticLog
{
public:
    static constexpr const char *FileName = "tessel-host.log";
    static constexpr const char *PreviousSuffix = ".1";
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    // Appends to folder/FileName, taking the log service's entries; the service gets its
    // previous sink back on destruction.
    DiagnosticLog(const QString &folder, int level, qint64 maxFileSize = MaxFileSize);
    ~DiagnosticLog();

    // Where lines also go (not owned); null: nowhere.
    void setEcho(FILE *stream);
    QString fileName() const { return m_file.fileName(); }

private:
    Q_DISABLE_COPY(DiagnosticLog)

    void write(const HostApi::LogEntry &entry);
    void writeToFile(const QByteArray &line);
    void rotate();
    // Reports a problem of the file on standard error, the first one only.
    void report(const QString &problem);

    QMutex m_mutex;
    QFile m_file;
    int m_level;
    qint64 m_maxFileSize;
    FILE *m_echo = nullptr;
    bool m_reported = false;
    HostApi::LogService::Sink m_previousSink;
};

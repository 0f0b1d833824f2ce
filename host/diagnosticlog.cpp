#include "diagnosticlog.h"

#include <QDateTime>
#include <QDir>
#include <QMutexLocker>

DiagnosticLog::DiagnosticLog(const QString &folder, int level, qint64 maxFileSize)
    : m_file(QDir(folder).filePath(QLatin1String(FileName)))
    , m_level(level)
    , m_maxFileSize(maxFileSize)
{
    m_file.open(QIODevice::WriteOnly | QIODevice::Append);
    m_previousSink = QuorvexServiceApi()->setSink([this](const HostApi::LogEntry &entry) { write(entry); });
}

DiagnosticLog::~DiagnosticLog()
{
    QuorvexServiceApi()->setSink(m_previousSink);
}

void DiagnosticLog::setEcho(FILE *stream)
{
    QMutexLocker locker(&m_mutex);
    m_echo = stream;
}

void DiagnosticLog::write(const HostApi::LogEntry &entry)
{
    if (entry.level < m_level)
        return;
    const QByteArray line = HostApi::LogService::format(entry).toUtf8() + '\n';
    const QByteArray time = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
    QMutexLocker locker(&m_mutex);
    writeToFile(time + ' ' + line);
    if (m_echo) {
        std::fwrite(line.constData(), 1, size_t(line.size()), m_echo);
        std::fflush(m_echo);
    }
}

void DiagnosticLog::writeToFile(const QByteArray &line)
{
    if (m_file.isOpen() && m_file.size() > 0 && m_file.size() + line.size() > m_maxFileSize)
        rotate();
    if (m_file.isOpen() && m_file.write(line) == line.size() && m_file.flush())
        return;
    report(QStringLiteral("cannot write the diagnostic log %1: %2; its lines go to standard error")
               .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString()));
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

// Moves the file to FileName.1 and starts a new one; a file that cannot be moved grows on.
void DiagnosticLog::rotate()
{
    const QString fileName = m_file.fileName();
    const QString previous = fileName + QLatin1String(PreviousSuffix);
    QFile::remove(previous);
    if (!m_file.rename(previous)) {
        report(QStringLiteral("cannot move the diagnostic log %1 to %2: %3; it grows on")
                   .arg(QDir::toNativeSeparators(fileName), QDir::toNativeSeparators(previous),
                        m_file.errorString()));
    }
    m_file.setFileName(fileName);
    m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void DiagnosticLog::report(const QString &problem)
{
    if (m_reported)
        return;
    m_reported = true;
    std::fprintf(stderr, "tessel-host: %s\n", qUtf8Printable(problem));
}

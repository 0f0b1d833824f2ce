#include "logservice.h"

#include <QFileInfo>
#include <QMutexLocker>

#include <cstdio>

namespace HostApi {

int LogService::registerCategory(const QByteArray &name)
{
    QMutexLocker locker(&m_mutex);
    const auto it = m_ids.constFind(name);
    if (it != m_ids.constEnd())
        return it.value();
    const int id = m_names.size();
    m_names.append(name);
    m_thresholds.append(m_defaultThreshold);
    m_ids.insert(name, id);
    return id;
}

int LogService::categoryId(const QByteArray &name) const
{
    QMutexLocker locker(&m_mutex);
    return m_ids.value(name, -1);
}

QByteArray LogService::categoryName(int id) const
{
    QMutexLocker locker(&m_mutex);
    return id >= 0 && id < m_names.size() ? m_names.at(id) : QByteArray("unknown");
}

int LogService::threshold(int category) const
{
    QMutexLocker locker(&m_mutex);
    return category >= 0 && category < m_thresholds.size() ? m_thresholds.at(category)
                                                           : m_defaultThreshold;
}

void LogService::setThreshold(int category, int threshold)
{
    QMutexLocker locker(&m_mutex);
    if (category >= 0 && category < m_thresholds.size())
        m_thresholds[category] = threshold;
}

void LogService::setThresholds(int threshold)
{
    QMutexLocker locker(&m_mutex);
    m_defaultThreshold = threshold;
    m_thresholds.fill(threshold);
}

void LogService::write(int category, int level, const char *file, int line,
                       const char *function, const QString &text)
{
    LogEntry entry;
    entry.category = categoryName(category);
    entry.level = qBound(MinLevel, level, MaxLevel);
    entry.file = file;
    entry.line = line;
    entry.function = function;
    entry.text = text;

    Sink sink;
    {
        QMutexLocker locker(&m_mutex);
        sink = m_sink;
    }
    if (sink) {
        sink(entry);
        return;
    }
    const QByteArray line8 = format(entry).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line8.constData());
}

LogService::Sink LogService::setSink(Sink sink)
{
    QMutexLocker locker(&m_mutex);
    std::swap(m_sink, sink);
    return sink;
}

// "[category] level N file.cpp:42 function: text"
QString LogService::format(const LogEntry &entry)
{
    return QStringLiteral("[%1] level %2 %3:%4 %5: %6")
        .arg(QString::fromUtf8(entry.category))
        .arg(entry.level)
        .arg(QFileInfo(QString::fromUtf8(entry.file)).fileName())
        .arg(entry.line)
        .arg(QString::fromUtf8(entry.function), entry.text);
}

void reportAssertion(const char *condition, const char *file, int line, const char *function)
{
    LogService *log = QuorvexServiceApi();
    static const int category = log->registerCategory("Assert");
    log->write(category, 3, file, line, function, QString::fromUtf8(condition));
}

} // namespace HostApi

HostApi::LogService *QuorvexServiceApi()
{
    static HostApi::LogService service;
    return &service;
}

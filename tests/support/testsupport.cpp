#include "testsupport.h"

LogCapture::LogCapture()
{
    m_previous = QuorvexServiceApi()->setSink(
        [this](const HostApi::LogEntry &entry) { m_entries.append(entry); });
}

LogCapture::~LogCapture()
{
    QuorvexServiceApi()->setSink(m_previous);
}

QStringList LogCapture::texts(const QByteArray &category) const
{
    QStringList result;
    for (const HostApi::LogEntry &entry : m_entries) {
        if (category.isEmpty() || entry.category == category)
            result.append(entry.text);
    }
    return result;
}

QString testDataPath()
{
    QString path = qEnvironmentVariable("TESSEL_TEST_DATA");
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

#include "settings.h"

#include <QSettings>

namespace HostApi {

Settings::Settings(const QString &fileName, QObject *parent)
    : QObject(parent)
    , m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat))
{
}

Settings::~Settings() = default;

QString Settings::fileName() const
{
    return m_settings->fileName();
}

void Settings::setFileName(const QString &fileName)
{
    if (fileName == m_settings->fileName())
        return;
    m_settings->sync();
    m_settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
}

QVariant Settings::value(const QString &key, const QVariant &defaultValue) const
{
    return m_settings->value(key, defaultValue);
}

bool Settings::contains(const QString &key) const
{
    return m_settings->contains(key);
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    emit valueChanged(key, value);
}

void Settings::remove(const QString &key)
{
    m_settings->remove(key);
    emit valueChanged(key, QVariant());
}

void Settings::sync()
{
    m_settings->sync();
}

} // namespace HostApi

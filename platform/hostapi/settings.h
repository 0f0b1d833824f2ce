#pragma once

#include "hostapi_global.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

namespace HostApi {

// The host's settings store: an INI file in the application's data folder. Keys are
// "/"-separated paths ("features/webplugin.developer").
class HOSTAPI_EXPORT Settings : public QObject
{
    Q_OBJECT

public:
    explicit Settings(const QString &fileName, QObject *parent = nullptr);
    ~Settings() override;

    QString fileName() const;
    // Writes pending changes to the current file, then reads and writes fileName instead.
    void setFileName(const QString &fileName);

    QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    bool contains(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);
    void remove(const QString &key);
    void sync();

signals:
    // A key was set or removed (value invalid).
    void valueChanged(const QString &key, const QVariant &value);

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace HostApi

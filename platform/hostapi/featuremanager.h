#pragma once

#include "hostapi_global.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

// The host's optional features. Plug-ins register the names they know; the user turns them
// on in the host's settings dialog, stored as the setting "features/<name>" (default off).
class HOSTAPI_EXPORT FeatureManager : public QObject
{
    Q_OBJECT

public:
    static FeatureManager *instance();

    // Registers a name once; an empty name is refused.
    bool registerFeature(const QString &name);
    bool isRegistered(const QString &name) const { return m_known.contains(name); }
    // Registered names in registration order.
    QStringList features() const { return m_features; }

    // Whether a registered feature is turned on; an unregistered one never is.
    bool isEnabled(const QString &name) const;
    // Stores the user's choice for a registered feature; false for an unregistered one.
    bool setEnabled(const QString &name, bool enabled);

signals:
    void featureRegistered(const QString &name);
    void enabledChanged(const QString &name, bool enabled);

private:
    FeatureManager() = default;

    static QString settingsKey(const QString &name);

    QStringList m_features;
    QSet<QString> m_known;
};

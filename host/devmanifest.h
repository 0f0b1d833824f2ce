#pragma once

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The manifest of a plug-in folder as the module reads it: the tessel command line
// ("tessel json", beside the host) turns the manifest's dialect into JSON.
class DevManifest
{
    Q_DECLARE_TR_FUNCTIONS(DevManifest)

public:
    static constexpr const char *FileName = "plugin.spec";
    static constexpr const char *TesselProgram = "tessel";
    // How long reading may take.
    static constexpr int ReadTimeoutMilliseconds = 30000;

    // The tessel command beside the running host.
    static QString tesselPath();

    // Reads folder's manifest with the tessel command at tessel; false, with the reason in
    // error and this manifest unchanged, when it cannot.
    bool read(const QString &tessel, const QString &folder, QString *error);

    QJsonObject object() const { return m_object; }
    QString id() const { return m_object.value(QLatin1String("id")).toString(); }

    // What differs between two manifests, one text per member, in member order:
    // `name: "A" → "B"`, `icon: added "app"`, `hotkeys: removed`, and for members that are
    // objects on both sides the members added, removed and changed:
    // `actions: wave added, compact removed, greet changed`.
    static QStringList changes(const QJsonObject &before, const QJsonObject &after);

private:
    QJsonObject m_object;
};

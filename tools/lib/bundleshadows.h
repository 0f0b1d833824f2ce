#pragma once

#include <QList>
#include <QString>
#include <QVersionNumber>

class ScriptBundle;

// Two bundles holding the same plug-in id and version. Of equal versions the plug-in object
// loads the bundle it finds later (ScriptPlugin::chooseVersions), so that one shadows the
// other. Bundles are named by their folder or .wps file.
struct BundleShadow
{
    QString id;
    QVersionNumber version;
    QString shadowed;   // found earlier, not loaded
    QString loaded;     // found later

    // "'/p/a' is shadowed by '/p/a.wps': both hold plug-in 'x' version 1.0, and the host
    // loads the one it finds later"
    QString text() const;
};

// Reads the manifest of each bundle (in scan order, as findBundles gives them; nothing is
// logged) and pairs every bundle with the last bundle of the same id and version.
QList<BundleShadow> findShadows(const QList<ScriptBundle *> &bundles, const QString &theme,
                                const QString &locale);

// The shadows that involve the bundle at path (an absolute folder or .wps file path), among the
// bundles of its parent folder taken as a plug-in folder (its sub-folders, .wps files and
// "webplugins.xml").
QList<BundleShadow> shadowsAround(const QString &path, const QString &theme,
                                  const QString &locale);

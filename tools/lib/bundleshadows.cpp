#include "bundleshadows.h"

#include "silentchannel.h"

#include "bundle/findbundles.h"
#include "bundle/scriptbundle.h"
#include "bundle/securedbundle.h"
#include "plugin/scriptpluginspec.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A secured bundle stands for a folder beside its file; it is named by the file itself.
QString bundleName(const ScriptBundle *bundle)
{
    if (!dynamic_cast<const SecuredBundle *>(bundle))
        return bundle->path();
    const QFileInfo stem(bundle->path());
    const QStringList files = stem.dir().entryList(
        {stem.fileName() + QLatin1String(".wps")}, QDir::Files | QDir::System | QDir::Hidden);
    return stem.dir().filePath(files.value(0, stem.fileName() + QLatin1String(".wps")));
}

} // namespace

QString BundleShadow::text() const
{
    return QStringLiteral("'%1' is shadowed by '%2': both hold plug-in '%3' version %4, and the "
                          "host loads the one it finds later")
        .arg(shadowed, loaded, id, version.toString());
}

QList<BundleShadow> findShadows(const QList<ScriptBundle *> &bundles, const QString &theme,
                                const QString &locale)
{
    struct Held
    {
        QString id;
        QVersionNumber version;
        QString bundle;
    };
    SilentChannel silent;
    QList<Held> held;
    for (ScriptBundle *bundle : bundles) {
        const ScriptPluginSpec spec = ScriptPluginSpec::read(bundle, QStringLiteral("plugin.spec"),
                                                             theme, locale, &silent);
        if (!spec.id.isEmpty())
            held.append({spec.id, spec.version, bundleName(bundle)});
    }
    QList<BundleShadow> shadows;
    for (int i = 0; i < held.size(); ++i) {
        for (int later = held.size() - 1; later > i; --later) {
            if (held.at(later).id == held.at(i).id && held.at(later).version == held.at(i).version) {
                shadows.append({held.at(i).id, held.at(i).version, held.at(i).bundle,
                                held.at(later).bundle});
                break;
            }
        }
    }
    return shadows;
}

QList<BundleShadow> shadowsAround(const QString &path, const QString &theme,
                                  const QString &locale)
{
    SilentChannel silent;
    const QList<ScriptBundle *> bundles =
        findBundles(QString(), QFileInfo(path).absolutePath(), &silent);
    QList<BundleShadow> shadows;
    for (const BundleShadow &shadow : findShadows(bundles, theme, locale)) {
        if (shadow.shadowed == path || shadow.loaded == path)
            shadows.append(shadow);
    }
    qDeleteAll(bundles);
    return shadows;
}

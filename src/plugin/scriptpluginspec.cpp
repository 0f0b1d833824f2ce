#include "scriptpluginspec.h"

#include "scriptpluginspecreader.h"

ScriptPluginSpec ScriptPluginSpec::read(ScriptBundle *bundle, const QString &fileName,
                                        const QString &theme, const QString &locale,
                                        HostApi::IOutputChannel *log)
{
    return ScriptPluginSpecReader(bundle, theme, locale, log).read(fileName);
}

QIcon ScriptPluginSpec::icon(const QString &name) const
{
    return icons.value(name);
}

const PropertySpec *ScriptPluginSpec::findProperty(const QString &path) const
{
    const int dot = path.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return nullptr;
    const auto group = objects.constFind(path.left(dot));
    if (group == objects.constEnd())
        return nullptr;
    const QString id = path.mid(dot + 1);
    for (const PropertySpec &property : *group) {
        if (property.id == id)
            return &property;
    }
    return nullptr;
}

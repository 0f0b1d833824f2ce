#include "pluginkey.h"

QByteArray pluginKey(const QString &id, const QString &suffix, const QString &separator)
{
    QString key = QLatin1String("webplugin") + separator + id;
    if (!suffix.isEmpty())
        key += separator + suffix;
    return key.toLower().toUtf8();
}

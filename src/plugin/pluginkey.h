#pragma once

#include <QByteArray>
#include <QString>

// The module's one key builder: "webplugin" + separator + id, then separator + suffix when
// the suffix is not empty; lower-cased, as UTF-8. Template ids, hot-key parents and property
// page ids use "_", host feature names ".".
QByteArray pluginKey(const QString &id, const QString &suffix = QString(),
                     const QString &separator = QStringLiteral("_"));

#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The files of a new, small, working web plug-in, as `tessel init` writes them: a manifest with
// one action and its hot key, a page that sets its window's status through the bridge once it
// has loaded and answers the action, and the plug-in's icon.
class PluginScaffold
{
public:
    // The hot key of the plug-in's one action.
    static const char ActionHotKey[];

    PluginScaffold(const QString &id, const QString &name);

    // Bundle-relative file name → content.
    QMap<QString, QByteArray> files() const;

    // Whether id suits a new plug-in: letters, digits, '.', '-' and '_', starting with a letter
    // or digit, so that it reads the same in template ids, feature names and file names.
    static bool isPlainId(const QString &id);

private:
    QByteArray manifest() const;
    QByteArray page() const;
    QByteArray script() const;
    static QByteArray icon();

    QString m_id;
    QString m_name;
};

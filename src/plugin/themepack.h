#pragma once

#include <QByteArray>
#include <QString>

// The icons of one host theme: the binary resource file ":/tessel/themes/<theme>/resources.qcc"
// of the module's resource tree, registered so that its images answer under
// ":/tessel/images/" (back.png, forward.png). One pack is registered at a time; the bytes
// stay with the pack while Qt's resource system reads them.
class ThemePack
{
public:
    ThemePack() = default;
    // Unregisters the pack while the application exists.
    ~ThemePack();
    ThemePack(const ThemePack &) = delete;
    ThemePack &operator=(const ThemePack &) = delete;

    // Registers the pack of theme in place of the current one; false, with an assertion
    // report, when the module has no pack of that name or it is not a resource file (the
    // current pack then stays).
    bool load(const QString &theme);
    void unload();
    // The theme of the registered pack; empty when none is.
    QString theme() const { return m_theme; }

    static QString packPath(const QString &theme);

private:
    QString m_theme;
    QByteArray m_data;
};

#include "iconhelpers.h"

#include <QPixmap>

namespace HostApi {

namespace {

void addState(QIcon &icon, const QString &path, QIcon::Mode mode, QIcon::State state)
{
    if (path.isEmpty())
        return;
    const QPixmap pixmap(path);
    if (!pixmap.isNull())
        icon.addPixmap(pixmap, mode, state);
}

} // namespace

QIcon buildIconWithStates(const QString &normal, const QString &active, const QString &disabled,
                          const QString &selected)
{
    QIcon icon;
    addState(icon, normal, QIcon::Normal, QIcon::Off);
    addState(icon, active, QIcon::Active, QIcon::Off);
    addState(icon, disabled, QIcon::Disabled, QIcon::Off);
    addState(icon, selected, QIcon::Selected, QIcon::Off);
    addState(icon, selected, QIcon::Normal, QIcon::On);
    return icon;
}

} // namespace HostApi

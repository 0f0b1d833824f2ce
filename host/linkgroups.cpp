#include "linkgroups.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int SwatchSize = 12;

const struct { QRgb rgb; const char *name; } groups[LinkGroups::Count] = {
    {0xe53935, QT_TRANSLATE_NOOP("LinkGroups", "red")},
    {0x43a047, QT_TRANSLATE_NOOP("LinkGroups", "green")},
    {0x1e88e5, QT_TRANSLATE_NOOP("LinkGroups", "blue")},
    {0xfdd835, QT_TRANSLATE_NOOP("LinkGroups", "yellow")},
    {0x8e24aa, QT_TRANSLATE_NOOP("LinkGroups", "purple")},
    {0xfb8c00, QT_TRANSLATE_NOOP("LinkGroups", "orange")},
};

} // namespace

namespace LinkGroups {

bool isValid(int group)
{
    return group >= 0 && group <= Count;
}

QColor color(int group)
{
    return group >= 1 && group <= Count ? QColor(groups[group - 1].rgb) : QColor();
}

QString name(int group)
{
    if (group < 1 || group > Count)
        return QCoreApplication::translate("LinkGroups", "Not linked");
    return QCoreApplication::translate("LinkGroups", "Group %1 (%2)")
        .arg(group)
        .arg(QCoreApplication::translate("LinkGroups", groups[group - 1].name));
}

QIcon icon(int group)
{
    QPixmap pixmap(SwatchSize, SwatchSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QRect square(1, 1, SwatchSize - 2, SwatchSize - 2);
    if (const QColor fill = color(group); fill.isValid()) {
        painter.fillRect(square, fill);
    } else {
        painter.setPen(Qt::gray);
        painter.drawRect(square.adjusted(0, 0, -1, -1));
    }
    return QIcon(pixmap);
}

} // namespace LinkGroups

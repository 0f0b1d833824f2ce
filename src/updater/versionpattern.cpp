#include "versionpattern.h"

#include <QRegularExpression>
#include <QStringList>

namespace Tessel {
namespace Updater {

VersionPattern VersionPattern::fromString(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("\\A(?:(?:\\d+[.]){3}\\d+|(?:\\d+[.]){0,3}[*])\\z"));
    VersionPattern version;
    if (!pattern.match(text).hasMatch())
        return version;
    for (const QString &part : text.split(QLatin1Char('.'))) {
        if (part == QLatin1String("*")) {
            version.m_components.append(Wildcard);
            continue;
        }
        bool ok = false;
        const qint64 number = part.toLongLong(&ok);
        if (!ok)
            return VersionPattern();
        version.m_components.append(number);
    }
    return version;
}

QString VersionPattern::toString() const
{
    QStringList parts;
    for (qint64 component : m_components)
        parts.append(component == Wildcard ? QStringLiteral("*") : QString::number(component));
    return parts.join(QLatin1Char('.'));
}

bool VersionPattern::isWithin(const VersionPattern &from, const VersionPattern &to) const
{
    return lessOrEqual(from, *this) && lessOrEqual(*this, to);
}

bool VersionPattern::lessOrEqual(const VersionPattern &a, const VersionPattern &b)
{
    const int common = qMin(a.m_components.size(), b.m_components.size());
    for (int i = 0; i < common; ++i) {
        const qint64 left = a.m_components.at(i);
        const qint64 right = b.m_components.at(i);
        if (left == Wildcard || right == Wildcard)
            return true;
        if (left != right)
            return left < right;
    }
    return true;
}

} // namespace Updater
} // namespace Tessel

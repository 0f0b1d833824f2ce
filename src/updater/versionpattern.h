#pragma once

#include <QString>
#include <QVector>

namespace Tessel {
namespace Updater {

// A version or a version range end of the update table: four dot-separated numbers
// ("2.5.10.3"), or zero to three numbers each followed by a dot and then "*" ("2.*", "*").
// The whole text must match; "1.2.3.4junk" is not a version.
class VersionPattern
{
public:
    // Reads text; an unreadable text gives an invalid pattern.
    static VersionPattern fromString(const QString &text);

    bool isValid() const { return !m_components.isEmpty(); }
    QString toString() const;

    // Whether from <= this <= to, component by component: a wildcard on either side, or
    // running out of components on either side, makes the test hold.
    bool isWithin(const VersionPattern &from, const VersionPattern &to) const;

private:
    static constexpr qint64 Wildcard = -1;

    static bool lessOrEqual(const VersionPattern &a, const VersionPattern &b);

    QVector<qint64> m_components;
};

} // namespace Updater
} // namespace Tessel

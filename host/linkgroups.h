#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The host's symbol link groups: 0 is "not linked", 1 to Count are groups shown by colour.
// Documents in one group follow each other's symbol (LinkingSignal).
namespace LinkGroups {

constexpr int Count = 6;

bool isValid(int group);
// The group's colour; invalid for 0.
QColor color(int group);
// "Not linked", "Group 1 (red)", ...
QString name(int group);
// A small swatch of the group's colour; an outlined empty square for 0.
QIcon icon(int group);

} // namespace LinkGroups

#pragma once

#include <QString>
#include <QStringList>

// The number of single-character insertions, deletions, substitutions and swaps of two
// neighbours that turn a into b (the optimal string alignment distance), ignoring case.
int editDistance(const QString &a, const QString &b);

// The candidate nearest to name by editDistance, when it is near enough to be a slip: at most
// a third of name's length apart, and never more than 3. Of candidates equally near, the first.
// A null string when none is.
QString closestName(const QString &name, const QStringList &candidates);

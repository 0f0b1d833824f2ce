#include "editdistance.h"

#include <QVector>

#include <algorithm>

int editDistance(const QString &a, const QString &b)
{
    const QString s = a.toCaseFolded();
    const QString t = b.toCaseFolded();
    // Three rows of the distance table: two rows back (for swaps), the previous and the current.
    QVector<int> before(t.size() + 1), previous(t.size() + 1), current(t.size() + 1);
    for (int j = 0; j <= t.size(); ++j)
        previous[j] = j;
    for (int i = 1; i <= s.size(); ++i) {
        current[0] = i;
        for (int j = 1; j <= t.size(); ++j) {
            const int cost = s.at(i - 1) == t.at(j - 1) ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && s.at(i - 1) == t.at(j - 2) && s.at(i - 2) == t.at(j - 1))
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[t.size()];
}

QString closestName(const QString &name, const QStringList &candidates)
{
    const int limit = std::min(3, std::max(1, int(name.size()) / 3));
    QString best;
    int bestDistance = limit + 1;
    for (const QString &candidate : candidates) {
        const int distance = editDistance(name, candidate);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

#pragma once

#include "lintwarning.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

struct ManifestKey;
struct ManifestLevel;

// Checks a parsed manifest against its keys, level by level (top level, action, property page
// and binding, command, property definition, header control by its type), for what the reader
// passes over without a word: keys it does not know, with the known key of that level nearest
// by edit distance; values of another JSON type than the key's, which it ignores; key sequences
// that do not parse or are empty; property defaults and choices that do not fit the property's
// type. What the reader reports itself (unknown enum values and symbol types, version texts,
// collection members that are no object, property types) is left to it.
class ManifestKeys
{
public:
    // The warnings about the manifest, in the order of its keys; file names stay empty.
    QList<LintWarning> check(const QVariantMap &manifest);

private:
    void checkObject(const QVariantMap &map, const QString &path, const ManifestLevel &level);
    void checkValue(const QVariant &value, const QString &path, const ManifestKey &key);
    void checkTextList(const QVariant &value, const QString &path, const ManifestKey &key);
    void checkKeySequence(const QVariant &value, const QString &path, bool inList);
    void checkHeaderControl(const QVariant &value, const QString &path);
    void checkPropertyGroups(const QVariantMap &groups);
    void checkPropertyValues(const QVariantMap &definition, const QString &path);
    void checkTypedValue(const QVariant &value, const QString &path, const QString &type,
                         const QString &consequence);
    void unknownKey(const QString &key, const QString &path, const ManifestLevel &level);
    void wrongType(const QVariant &value, const QString &path, const QString &expected,
                   const QString &consequence);
    void warn(const QString &path, const QString &text);

    QList<LintWarning> m_warnings;
};

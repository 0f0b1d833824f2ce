#pragma once

#include "scriptbundle.h"

// A bundle that is a plain folder on disk. Symbolic links that lead out of the folder are
// treated as missing files.
class StandardBundle : public ScriptBundle
{
public:
    explicit StandardBundle(const QString &path);

    bool exists(const QString &name) const override;
    QByteArray read(const QString &name) const override;

private:
    // The file's canonical path when it exists inside the bundle, else an empty string.
    QString confinedPath(const QString &name) const;

    mutable QString m_canonicalRoot;   // resolved on first use: the folder may appear later
};

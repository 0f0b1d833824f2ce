#pragma once

#include "scriptbundle.h"

// A bundle that is a plain folder on disk. Only regular files inside the folder exist:
// symbolic links that lead out of it, folders, FIFOs, sockets and devices are treated as
// missing, with a line in the diagnostic log. A file over BundleLimits::MaxEntrySize reads as
// empty, also with a line.
class StandardBundle : public ScriptBundle
{
public:
    explicit StandardBundle(const QString &path);

    bool exists(const QString &name) const override;
    QByteArray read(const QString &name) const override;

private:
    // The file's canonical path when it is a regular file inside the bundle, else an empty
    // string.
    QString confinedPath(const QString &name) const;

    mutable QString m_canonicalRoot;   // resolved on first use: the folder may appear later
};

#pragma once

#include <QByteArray>
#include <QString>

// The files of one web plug-in, named by absolute paths under path() (or relative to it).
// A name that resolves outside the bundle's root does not exist and reads as empty.
class ScriptBundle
{
public:
    explicit ScriptBundle(const QString &path);
    virtual ~ScriptBundle();

    virtual bool exists(const QString &name) const = 0;
    // All bytes of the file; empty when it cannot be read.
    virtual QByteArray read(const QString &name) const = 0;

    QString path() const { return m_path; }
    // A relative name joined to the path with "/"; an absolute name unchanged.
    QString filePath(const QString &name) const;
    // A relative name as "file:///" + path + "/" + name; an absolute name unchanged.
    QString url(const QString &name) const;

protected:
    // The name relative to the bundle's root, or a null string when it leaves the root.
    QString relativeName(const QString &name) const;

private:
    Q_DISABLE_COPY(ScriptBundle)

    QString m_path;
};

#pragma once

#include "scriptbundle.h"

#include <memory>

class QBuffer;
class QuaZip;
namespace HostApi { class IOutputChannel; }

// A bundle held in one ".wps" secured file. The archive stands for a folder named like the
// file without its extension, beside it. The file is decoded and its zip opened once, in the
// constructor; the zip bytes stay in memory for the bundle's life. Entry names are matched
// ignoring case.
class SecuredBundle : public ScriptBundle
{
public:
    // With decode set the file is a secured container (built-in key); otherwise a plain zip.
    // The log channel is not owned and may be null.
    SecuredBundle(const QString &file, bool decode, HostApi::IOutputChannel *log);
    ~SecuredBundle() override;

    bool exists(const QString &name) const override;
    QByteArray read(const QString &name) const override;

private:
    static QString bundlePath(const QString &file);
    void log(const QString &message) const;
    // Selects the archive entry of a bundle name; false when the name has none.
    bool selectEntry(const QString &relative) const;

    QByteArray m_zipBytes;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QuaZip> m_zip;
    HostApi::IOutputChannel *m_log;
    const QString m_source;
};

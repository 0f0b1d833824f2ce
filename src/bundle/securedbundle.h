#pragma once

#include "scriptbundle.h"

#include <memory>

class ArchiveCache;
class BundleArchive;
namespace HostApi { class IOutputChannel; }

// A bundle held in one ".wps" secured file. The archive stands for a folder named like the
// file without its extension, beside it. The file is decoded and its zip opened in the
// constructor. Bundles that share an archive cache keep their opened archives within its
// budget and open the file again when theirs was dropped; a bundle without a shared cache
// keeps its archive for its whole life. Entry names are matched ignoring case.
class SecuredBundle : public ScriptBundle
{
public:
    // With decode set the file is a secured container (built-in key); otherwise a plain zip.
    // The log channel is not owned and may be null.
    SecuredBundle(const QString &file, bool decode, HostApi::IOutputChannel *log,
                  std::shared_ptr<ArchiveCache> cache = nullptr);
    ~SecuredBundle() override;

    bool exists(const QString &name) const override;
    QByteArray read(const QString &name) const override;

private:
    static QString bundlePath(const QString &file);
    void log(const QString &message, const QString &detail = QString()) const;
    // The opened archive; null once the file failed to open as one (it is not tried again).
    BundleArchive *archive() const;
    // Reads, decodes and opens the file, logging each failure.
    std::unique_ptr<BundleArchive> load() const;

    const QString m_file;
    const bool m_decode;
    HostApi::IOutputChannel *m_log;
    const QString m_source;
    const std::shared_ptr<ArchiveCache> m_cache;
    mutable bool m_failed = false;
};

#pragma once

#include "lintwarning.h"

#include "plugin/scriptpluginspec.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class ScriptBundle;
namespace HostApi { class IOutputChannel; }

// Reads the manifest (plugin.spec) of a plug-in folder or secured file (.wps) as the host does,
// then finds what the host passes over or meets only later: the steps `tessel lint` and
// `tessel pack` share.
class ManifestLint
{
public:
    static const char ManifestName[];

    // path: the absolute path of a folder or a .wps file. The channel gets the secured file's
    // own plug-in output lines; it is not owned and may be null.
    ManifestLint(const QString &path, const QString &theme, const QString &locale,
                 HostApi::IOutputChannel *bundleLog);
    ~ManifestLint();
    ManifestLint(const ManifestLint &) = delete;
    ManifestLint &operator=(const ManifestLint &) = delete;

    // Reads the manifest; false when the host would skip the bundle. Then failure() says why,
    // and readerLines() and hints() are what to show before that reason.
    bool read();
    QString failure() const { return m_failure; }
    // The reader's plug-in output lines ("specparser: ..."), without line feeds.
    QStringList readerLines() const { return m_readerLines; }
    // Hint lines about the dialect's common slips, when the manifest's text was refused.
    QStringList hints() const { return m_hints; }

    // After a successful read: the record, then every warning: the reader's lines, the keys
    // and value types, then what the host meets later.
    const ScriptPluginSpec &spec() const { return m_spec; }
    QList<LintWarning> warnings();

    // "warning: BUNDLE/FILE: KEY: TEXT", the file and key left out when empty.
    static QString warningLine(const QString &bundle, const LintWarning &warning);

private:
    // Why the secured file gives no bundle at all; a null string when it opens as one. Its
    // entry names go to m_fileNames.
    QString openSecuredFile();
    QStringList folderFileNames() const;

    const QString m_path;
    const bool m_isFolder;
    const QString m_theme;
    const QString m_locale;
    std::unique_ptr<ScriptBundle> m_bundle;
    ScriptPluginSpec m_spec;
    QList<LintWarning> m_readerWarnings;
    QStringList m_readerLines;
    QByteArray m_manifestText;
    QStringList m_hints;
    QStringList m_fileNames;
    QString m_failure;
};

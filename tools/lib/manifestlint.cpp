#include "manifestlint.h"

#include "jsonslips.h"
#include "manifestchecker.h"
#include "manifestkeys.h"
#include "silentchannel.h"

#include "bundle/bundlearchive.h"
#include "bundle/bundlelimits.h"
#include "bundle/regularfile.h"
#include "bundle/securedbundle.h"
#include "bundle/securedfile.h"
#include "bundle/standardbundle.h"
#include "common/jsonparser.h"
#include "common/jsonparserexception.h"
#include "plugin/scriptpluginspecreader.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

const char ManifestLint::ManifestName[] = "plugin.spec";

ManifestLint::ManifestLint(const QString &path, const QString &theme, const QString &locale,
                           HostApi::IOutputChannel *bundleLog)
    : m_path(path)
    , m_isFolder(QFileInfo(path).isDir())
    , m_theme(theme)
    , m_locale(locale)
{
    if (m_isFolder)
        m_bundle = std::make_unique<StandardBundle>(path);
    else
        m_bundle = std::make_unique<SecuredBundle>(path, true, bundleLog);
}

ManifestLint::~ManifestLint() = default;

bool ManifestLint::read()
{
    SilentChannel silent;
    ScriptPluginSpecReader reader(m_bundle.get(), m_theme, m_locale, &silent);
    QString problem;
    m_spec = reader.read(QLatin1String(ManifestName), &problem);
    for (const ScriptPluginSpecReader::Problem &line : reader.problems()) {
        m_readerLines.append(line.line);
        m_readerWarnings.append({QLatin1String(ManifestName), line.keyPath, line.line});
    }
    const QString manifest = m_bundle->filePath(QLatin1String(ManifestName));
    m_manifestText = m_bundle->read(manifest);
    const QString securedProblem = m_isFolder ? QString() : openSecuredFile();
    if (!m_spec.id.isEmpty())
        return true;

    if (!m_bundle->exists(manifest) && !securedProblem.isNull())
        problem = securedProblem;
    m_failure = problem;
    m_hints = jsonSlipHints(m_manifestText);
    return false;
}

QList<LintWarning> ManifestLint::warnings()
{
    QList<LintWarning> warnings = m_readerWarnings;
    try {
        const QVariant manifest = Common::JsonParser::parse(m_manifestText);
        for (LintWarning warning : ManifestKeys().check(manifest.toMap())) {
            warning.file = QLatin1String(ManifestName);
            warnings.append(warning);
        }
    } catch (const Common::JsonParserException &) {
        // The reader parsed the file it read itself; this text was read a moment later.
        warnings.append({QLatin1String(ManifestName), QString(),
                         QStringLiteral("the file changed while it was read; its keys are not "
                                        "checked")});
    }
    if (m_isFolder)
        m_fileNames = folderFileNames();
    warnings += ManifestChecker(m_spec, m_fileNames).check();
    return warnings;
}

QString ManifestLint::warningLine(const QString &bundle, const LintWarning &warning)
{
    QString line = QStringLiteral("warning: ") + bundle;
    if (!warning.file.isEmpty())
        line += QLatin1Char('/') + warning.file;
    if (!warning.keyPath.isEmpty())
        line += QLatin1String(": ") + warning.keyPath;
    return line + QLatin1String(": ") + warning.text;
}

QString ManifestLint::openSecuredFile()
{
    const RegularFile content = RegularFile::read(m_path, BundleLimits::MaxSecuredFileSize);
    if (!content.isValid())
        return QStringLiteral("the file cannot be read: ") + content.errorString();
    const SecuredFile::Decoded decoded = decodeSecured(content.bytes(), QByteArray());
    if (decoded.result != SecuredFile::Ok) {
        return QStringLiteral("the file cannot be decoded: ")
            + SecuredFile::resultText(decoded.result);
    }
    const BundleArchive archive(decoded.bytes);
    if (!archive.isOpen())
        return QStringLiteral("the decoded archive is refused: ") + archive.errorString();
    for (int i = 0; i < archive.count(); ++i)
        m_fileNames.append(archive.name(i));
    return QString();
}

QStringList ManifestLint::folderFileNames() const
{
    QStringList names;
    const QDir root(m_path);
    QDirIterator it(m_path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(root.relativeFilePath(it.next()));
    return names;
}

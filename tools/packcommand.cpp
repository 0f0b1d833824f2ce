#include "commands.h"

#include "commandline.h"
#include "folderzip.h"
#include "manifestlint.h"
#include "securedwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>

using namespace CommandLine;

namespace {

const char usage[] = "tessel pack [--key HEX] FOLDER OUT.wps";
const char helpText[] =
    "usage: tessel pack [--key HEX] FOLDER OUT.wps\n\n"
    "Writes the plug-in folder FOLDER as the secured bundle OUT.wps: the folder is zipped,\n"
    "compressed, scrambled with the key and stored with its SHA-1.\n"
    "The manifest is checked first, as 'tessel lint' checks it: a folder without plugin.spec,\n"
    "or one the host would skip, is not packed; warnings go to the error output and the\n"
    "folder is packed.\n\n"
    "  --key HEX   the key as hexadecimal digits (default: the key built into the module)\n"
    "  --help      show this text\n";

// Why the bundle cannot be written to out before anything is read; a null string when it can.
QString outputProblem(const QString &out)
{
    const QFileInfo parent(QFileInfo(out).path());
    if (!parent.exists())
        return QStringLiteral("the folder '%1' does not exist").arg(parent.filePath());
    if (!parent.isDir())
        return QStringLiteral("'%1' is not a folder").arg(parent.filePath());
    return QString();
}

} // namespace

int packCommand(const QStringList &arguments)
{
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")))
        return help(QString::fromLatin1(helpText));
    QByteArray key;
    QString message;
    if (!takeKey(&args, &key, &message))
        return usageError(QStringLiteral("pack"), message, QString::fromLatin1(usage));
    if (args.size() != 2 || args.at(0).startsWith(QLatin1String("--"))
        || args.at(1).startsWith(QLatin1String("--"))) {
        return usageError(QStringLiteral("pack"), QStringLiteral("expects FOLDER and OUT.wps"),
                          QString::fromLatin1(usage));
    }
    const QString folder = args.at(0);
    const QString out = args.at(1);

    if (!QFileInfo(folder).isDir())
        return failure(folder, QStringLiteral("not a folder"));
    if (!QFileInfo(QDir(folder).filePath(QLatin1String(ManifestLint::ManifestName))).isFile()) {
        return failure(folder, QStringLiteral("no %1: a plug-in folder holds its manifest at "
                                              "the top")
                                   .arg(QLatin1String(ManifestLint::ManifestName)));
    }
    const QString outProblem = outputProblem(out);
    if (!outProblem.isNull())
        return failure(out, outProblem);

    QTextStream err(stderr);
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    ManifestLint lint(absolute, QStringLiteral("black"), QLocale().name(), nullptr);
    if (!lint.read()) {
        for (const QString &line : lint.readerLines() + lint.hints())
            err << line << '\n';
        err.flush();
        return failure(folder, lint.failure() + QLatin1String("; the host skips this bundle"));
    }
    for (const LintWarning &warning : lint.warnings())
        err << ManifestLint::warningLine(QDir::cleanPath(folder), warning) << '\n';
    err.flush();

    QString error;
    const QByteArray zip = zipFolder(folder, &error);
    if (zip.isNull())
        return failure(folder, error);

    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly))
        return failure(out, file.errorString());
    const QByteArray secured = encodeSecured(zip, key);
    if (file.write(secured) != secured.size() || !file.commit())
        return failure(out, file.errorString());
    return Success;
}

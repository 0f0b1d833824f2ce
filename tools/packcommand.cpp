#include "commands.h"

#include "commandline.h"
#include "folderzip.h"
#include "securedwriter.h"

#include <QSaveFile>

using namespace CommandLine;

namespace {

const char usage[] = "tessel pack [--key HEX] FOLDER OUT.wps";
const char helpText[] =
    "usage: tessel pack [--key HEX] FOLDER OUT.wps\n\n"
    "Writes the plug-in folder FOLDER as the secured bundle OUT.wps: the folder is zipped,\n"
    "compressed, scrambled with the key and stored with its SHA-1.\n\n"
    "  --key HEX   the key as hexadecimal digits (default: the key built into the module)\n"
    "  --help      show this text\n";

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

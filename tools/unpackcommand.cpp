#include "commands.h"

#include "commandline.h"
#include "folderzip.h"

#include <bundle/bundlelimits.h>
#include <bundle/regularfile.h>
#include <bundle/securedfile.h>

using namespace CommandLine;

namespace {

const char usage[] = "tessel unpack [--key HEX] FILE.wps FOLDER";
const char helpText[] =
    "usage: tessel unpack [--key HEX] FILE.wps FOLDER\n\n"
    "Decodes the secured bundle FILE.wps exactly as the module does and extracts its files\n"
    "into FOLDER, which must not exist yet or be empty. An archive the host would refuse\n"
    "(over the size limits of a bundle, names repeated, differing only in case or not\n"
    "readable whole) and entries that would land outside FOLDER refuse the whole archive;\n"
    "on any failure, a short write included, nothing is written.\n\n"
    "  --key HEX   the key as hexadecimal digits (default: the key built into the module)\n"
    "  --help      show this text\n";

} // namespace

int unpackCommand(const QStringList &arguments)
{
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")))
        return help(QString::fromLatin1(helpText));
    QByteArray key;
    QString message;
    if (!takeKey(&args, &key, &message))
        return usageError(QStringLiteral("unpack"), message, QString::fromLatin1(usage));
    if (args.size() != 2 || args.at(0).startsWith(QLatin1String("--"))
        || args.at(1).startsWith(QLatin1String("--"))) {
        return usageError(QStringLiteral("unpack"), QStringLiteral("expects FILE.wps and FOLDER"),
                          QString::fromLatin1(usage));
    }
    const QString input = args.at(0);
    const QString folder = args.at(1);

    const RegularFile file = RegularFile::read(input, BundleLimits::MaxSecuredFileSize);
    if (!file.isValid())
        return failure(input, file.errorString());
    const SecuredFile::Decoded decoded = decodeSecured(file.bytes(), key);
    if (decoded.result != SecuredFile::Ok) {
        return failure(input, QStringLiteral("cannot decode: result %1, %2")
                                  .arg(decoded.result)
                                  .arg(SecuredFile::resultText(decoded.result)));
    }
    QString error;
    if (!extractZip(decoded.bytes, folder, &error))
        return failure(input, error);
    return Success;
}

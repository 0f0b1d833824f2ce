#include "commands.h"

#include "commandline.h"

#include "common/jsonparser.h"
#include "common/jsonparserexception.h"
#include "common/jsonwriter.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

using namespace CommandLine;

namespace {

const char usage[] = "tessel json [--compact] FILE|-";
const char helpText[] =
    "usage: tessel json [--compact] FILE|-\n\n"
    "Reads one JSON value in the plug-in dialect (// line comments, bare member names and\n"
    "words) from FILE, or from standard input for \"-\", as the host reads manifests, and\n"
    "writes it back on standard output, object members sorted by name. A syntax error is\n"
    "printed as FILE:LINE:COLUMN: MESSAGE.\n"
    "Exit status: 1 when FILE cannot be read or holds a syntax error, else 0.\n\n"
    "  --compact   write on one line (default: indented with tabs)\n"
    "  --help      show this text\n";

} // namespace

int jsonCommand(const QStringList &args)
{
    bool compact = false;
    QString fileName;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--help"))
            return help(QString::fromLatin1(helpText));
        if (arg == QLatin1String("--compact")) {
            compact = true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            return usageError(QStringLiteral("json"), QStringLiteral("unknown option ") + arg,
                              QString::fromLatin1(usage));
        } else if (!fileName.isNull()) {
            return usageError(QStringLiteral("json"), QStringLiteral("one FILE only"),
                              QString::fromLatin1(usage));
        } else {
            fileName = arg;
        }
    }
    if (fileName.isNull())
        return usageError(QStringLiteral("json"), QStringLiteral("FILE is missing"),
                          QString::fromLatin1(usage));

    QFile input;
    bool opened;
    if (fileName == QLatin1String("-")) {
        opened = input.open(stdin, QIODevice::ReadOnly);
    } else {
        input.setFileName(fileName);
        opened = input.open(QIODevice::ReadOnly);
    }
    if (!opened)
        return failure(fileName, input.errorString());

    QVariant value;
    try {
        value = Common::JsonParser::parse(&input);
    } catch (const Common::JsonParserException &error) {
        QTextStream(stderr) << fileName << ':' << error.line() << ':' << error.column() << ": "
                            << QString::fromUtf8(error.what()) << '\n';
        return BadInput;
    }
    if (input.error() != QFileDevice::NoError)
        return failure(fileName, input.errorString());

    QFile output;
    output.open(stdout, QIODevice::WriteOnly);
    Common::writeJson(value, &output, 0, !compact);
    output.write("\n", 1);
    return Success;
}

#include "commands.h"

#include "commandline.h"

#include "bundle/bundlelimits.h"
#include "common/jsonparser.h"
#include "common/jsonparserexception.h"
#include "common/jsonwriter.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

using namespace CommandLine;

namespace {

// The most input read: a manifest cannot be larger inside a bundle.
constexpr qint64 MaxInputSize = BundleLimits::MaxEntrySize;
// Bytes asked for at a time.
constexpr qint64 ChunkSize = 64 * 1024;
// Characters of a syntax error message printed; a message can quote much of the input.
constexpr int MaxMessageLength = 200;

const char usage[] = "tessel json [--compact] FILE|-";
const char helpText[] =
    "usage: tessel json [--compact] FILE|-\n\n"
    "Reads one JSON value in the plug-in dialect (// line comments, bare member names and\n"
    "words) from FILE, or from standard input for \"-\", as the host reads manifests, and\n"
    "writes it back on standard output, object members sorted by name. A syntax error is\n"
    "printed as FILE:LINE:COLUMN: MESSAGE. Input over %1, the largest manifest a bundle\n"
    "can hold, is refused.\n"
    "Exit status: 1 when FILE cannot be read or holds a syntax error, else 0.\n\n"
    "  --compact   write on one line (default: indented with tabs)\n"
    "  --help      show this text\n";

// All of input up to one byte over the limit; a null array when reading failed.
QByteArray readBounded(QFile *input)
{
    QByteArray bytes("");
    while (bytes.size() <= MaxInputSize) {
        const QByteArray chunk = input->read(qMin(ChunkSize, MaxInputSize + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return input->error() == QFileDevice::NoError ? bytes : QByteArray();
}

// The message, cut to MaxMessageLength characters with a note of what was left out.
QString shortened(const QString &message)
{
    if (message.size() <= MaxMessageLength)
        return message;
    const int cut = message.at(MaxMessageLength - 1).isHighSurrogate() ? MaxMessageLength - 1
                                                                         : MaxMessageLength;
    return message.left(cut)
        + QStringLiteral("... (%1 more characters)").arg(message.size() - cut);
}

} // namespace

int jsonCommand(const QStringList &args)
{
    bool compact = false;
    QString fileName;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--help"))
            return help(
                QString::fromLatin1(helpText).arg(BundleLimits::limitText(MaxInputSize)));
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

    const QByteArray bytes = readBounded(&input);
    if (bytes.isNull())
        return failure(fileName, input.errorString());
    if (bytes.size() > MaxInputSize) {
        return failure(fileName, QStringLiteral("larger than the input limit of %1")
                                     .arg(BundleLimits::limitText(MaxInputSize)));
    }
    QVariant value;
    try {
        value = Common::JsonParser::parse(bytes);
    } catch (const Common::JsonParserException &error) {
        QTextStream(stderr) << fileName << ':' << error.line() << ':' << error.column() << ": "
                            << shortened(QString::fromUtf8(error.what())) << '\n';
        return BadInput;
    }

    QFile output;
    output.open(stdout, QIODevice::WriteOnly);
    Common::writeJson(value, &output, 0, !compact);
    output.write("\n", 1);
    if (!output.flush())
        return failure(QStringLiteral("standard output"), output.errorString());
    return Success;
}

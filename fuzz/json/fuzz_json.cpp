// Reads the input as JSON three ways (from memory, from a random-access buffer, from a
// sequential device with short reads), which must agree on the value or the error and on
// what is left unread. A value read is then written compact and pretty, and each text is
// held to what the writer guarantees: it reads back, and the tree read back is written as the
// same compact text again. (Doubles are written with 15 significant digits, 17 near the
// largest double, so the tree read back may differ from the first one in a double's last
// bits; its text may not.)
// Seed corpus: corpus/.

#include "common/jsonparser.h"
#include "common/jsonparserexception.h"
#include "common/jsonwriter.h"

#include <jsontestutils.h>

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

// The value read, or the error with its position, plus what the device kept.
struct Outcome
{
    QString text;
    QByteArray unread;

    bool operator==(const Outcome &other) const
    {
        return text == other.text && unread == other.unread;
    }
};

Outcome read(QIODevice *device, const QByteArray &input)
{
    Outcome outcome;
    try {
        outcome.text = describeJson(device ? Common::JsonParser::parse(device)
                                       : Common::JsonParser::parse(input));
    } catch (const Common::JsonParserException &error) {
        outcome.text = QLatin1String("error ") + QString::fromUtf8(error.what()) + QLatin1Char('@')
            + QString::number(error.line()) + QLatin1Char(':') + QString::number(error.column());
    }
    if (device)
        outcome.unread = device->readAll();
    return outcome;
}

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_json: %s\n", what);
        std::abort();
    }
}

// The compact text of the tree that text reads as; aborts when text does not read.
QByteArray rewritten(const QByteArray &text)
{
    try {
        return Common::writeJson(Common::JsonParser::parse(text));
    } catch (const Common::JsonParserException &) {
        check(false, "written text does not read back");
    }
    return QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     int(size));
    const Outcome fromMemory = read(nullptr, input);

    QByteArray copy(input.constData(), input.size());
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    const Outcome fromBuffer = read(&buffer, input);
    TrickleDevice trickle(input, 3);
    const Outcome fromTrickle = read(&trickle, input);
    check(fromMemory.text == fromBuffer.text, "buffer and memory disagree");
    check(fromBuffer == fromTrickle, "sequential device and buffer disagree");
    check(input.endsWith(fromBuffer.unread), "unread bytes are not the input's tail");

    if (fromMemory.text.startsWith(QLatin1String("error ")))
        return 0;
    const QVariant value = Common::JsonParser::parse(input);
    const QByteArray compact = Common::writeJson(value);
    check(rewritten(compact) == compact, "compact text is not written again as itself");
    QByteArray pretty;
    QBuffer prettyBuffer(&pretty);
    prettyBuffer.open(QIODevice::WriteOnly);
    Common::writeJson(value, &prettyBuffer);
    check(rewritten(pretty) == compact, "pretty text is not written again as the compact text");
    return 0;
}

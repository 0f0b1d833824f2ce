// Reads the input as JSON three ways (from memory, from a random-access buffer, from a
// sequential device with short reads), which must agree on the value or the error and on
// what is left unread. A value read is then written compact and pretty, and each text is
// held to what the writer guarantees: it reads back, and the tree read back is written as the
// same compact text again. (Doubles are written with 15 significant digits, so the tree read
// back may differ from the first one in a double's last bits; its text may not.)
// Seed corpus: corpus/.

#include "common/jsonparser.h"
#include "common/jsonparserexception.h"
#include "common/jsonwriter.h"

#include <QBuffer>
#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A sequential device handing out at most a few bytes per read.
class TrickleDevice : public QIODevice
{
public:
    explicit TrickleDevice(const QByteArray &data)
        : m_data(data)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const int size = int(qMin<qint64>(qMin(3, m_data.size() - m_pos), maxSize));
        std::memcpy(data, m_data.constData() + m_pos, size_t(size));
        m_pos += size;
        return size;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    int m_pos = 0;
};

QString describe(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QStringLiteral("null");
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
        return QLatin1String("i") + QString::number(value.toInt());
    case QMetaType::Double:
        return QLatin1String("d") + QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QString:
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant &element : value.toList())
            parts.append(describe(element));
        return QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    case QMetaType::QVariantMap: {
        QStringList parts;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            parts.append(QLatin1Char('"') + it.key() + QLatin1String("\":") + describe(it.value()));
        return QLatin1Char('{') + parts.join(QLatin1Char(',')) + QLatin1Char('}');
    }
    default:
        std::abort();
    }
}

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
        outcome.text = describe(device ? Common::JsonParser::parse(device)
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
    TrickleDevice trickle(input);
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

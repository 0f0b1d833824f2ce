#include "jsontesthelpers.h"

#include <QtNumeric>

#include <cstring>

QString describe(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QStringLiteral("null");
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
        return QLatin1String("int:") + QString::number(value.toInt());
    case QMetaType::Double:
        return QLatin1String("double:") + QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QString:
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant &element : value.toList())
            parts.append(describe(element));
        return QLatin1Char('[') + parts.join(QLatin1String(", ")) + QLatin1Char(']');
    }
    case QMetaType::QVariantMap: {
        QStringList parts;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            parts.append(QLatin1Char('"') + it.key() + QLatin1String("\"=") + describe(it.value()));
        return QLatin1Char('{') + parts.join(QLatin1String(", ")) + QLatin1Char('}');
    }
    default:
        return QLatin1Char('<') + QLatin1String(value.typeName()) + QLatin1Char('>');
    }
}

namespace {

QString randomString(QRandomGenerator *random)
{
    // Characters the writer escapes, other controls, '/', ASCII, Latin-1, other BMP
    // characters and pairs of surrogates.
    static const QString pool = QStringLiteral("\"\\\b\f\n\r\t\x01\x1f/ az09:,{}[]\u00a0\u00e9\u0416\u20ac");
    QString text;
    const int length = random->bounded(12);
    for (int i = 0; i < length; ++i) {
        switch (random->bounded(4)) {
        case 0:
            text.append(QChar::fromLatin1(char(32 + random->bounded(95))));
            break;
        case 1:
            text.append(pool.at(random->bounded(pool.size())));
            break;
        case 2:
            text.append(QChar(ushort(0x100 + random->bounded(0xd700))));
            break;
        default:
            text.append(QChar::highSurrogate(0x10000 + random->bounded(0x100000)));
            text.append(QChar::lowSurrogate(0x10000 + random->bounded(0x100000)));
            break;
        }
    }
    return text;
}

double randomDouble(QRandomGenerator *random)
{
    switch (random->bounded(6)) {
    case 0: {
        static const double specials[] = {0.0, -0.0, 1.0, 0.1, 1e20, 1e-7, 4294967296.0,
                                          1.7976931348623157e308, 2.2250738585072014e-308,
                                          4.9406564584124654e-324, qInf(), -qInf()};
        return specials[random->bounded(int(sizeof specials / sizeof *specials))];
    }
    case 1:
        return double(random->bounded(-1000000, 1000000));
    default: {
        quint64 bits = random->generate64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return qIsFinite(value) ? value : random->generateDouble();
    }
    }
}

} // namespace

QVariant randomTree(QRandomGenerator *random, int depth)
{
    const int kinds = depth > 0 ? 7 : 5;
    switch (random->bounded(kinds)) {
    case 0:
        return QVariant();
    case 1:
        return random->bounded(2) == 1;
    case 2:
        return int(random->generate());
    case 3:
        return randomDouble(random);
    case 4:
        return randomString(random);
    case 5: {
        QVariantList list;
        const int size = random->bounded(6);
        for (int i = 0; i < size; ++i)
            list.append(randomTree(random, depth - 1));
        return list;
    }
    default: {
        QVariantMap map;
        const int size = random->bounded(6);
        for (int i = 0; i < size; ++i)
            map.insert(randomString(random), randomTree(random, depth - 1));
        return map;
    }
    }
}

namespace {

QStringList capturedWarnings;
QtMessageHandler previousHandler = nullptr;

void captureWarning(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg)
        capturedWarnings.append(text);
    else
        previousHandler(type, context, text);
}

} // namespace

WarningCapture::WarningCapture()
{
    capturedWarnings.clear();
    previousHandler = qInstallMessageHandler(captureWarning);
}

WarningCapture::~WarningCapture()
{
    qInstallMessageHandler(previousHandler);
}

QStringList WarningCapture::warnings() const
{
    return capturedWarnings;
}

TrickleDevice::TrickleDevice(const QByteArray &data, int piece)
    : m_data(data)
    , m_piece(piece)
{
    open(QIODevice::ReadOnly);
}

qint64 TrickleDevice::bytesAvailable() const
{
    return m_data.size() - m_pos + QIODevice::bytesAvailable();
}

qint64 TrickleDevice::readData(char *data, qint64 maxSize)
{
    const int size = int(qMin<qint64>(qMin(m_piece, m_data.size() - m_pos), maxSize));
    std::memcpy(data, m_data.constData() + m_pos, size_t(size));
    m_pos += size;
    return size;
}

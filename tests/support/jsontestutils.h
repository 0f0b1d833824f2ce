#pragma once

// Header-only, so that the JSON fuzz target shares it without the test support library.

#include <QIODevice>
#include <QStringList>
#include <QVariant>

#include <cstring>

// A typed text of a value tree, for comparing trees: types are kept (int 1 and double 1
// differ), doubles are shown with 15 significant digits.
inline QString describeJson(const QVariant &value)
{
    QStringList parts;
    switch (value.userType()) {
    case QMetaType::QVariantList:
        for (const QVariant &element : value.toList())
            parts.append(describeJson(element));
        return QLatin1Char('[') + parts.join(QLatin1String(", ")) + QLatin1Char(']');
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            parts.append(QLatin1Char('"') + it.key() + QLatin1String("\"=") + describeJson(it.value()));
        return QLatin1Char('{') + parts.join(QLatin1String(", ")) + QLatin1Char('}');
    }
    case QMetaType::Double:
        return QLatin1String("double:") + QString::number(value.toDouble(), 'g', 15);
    default:
        return QLatin1String(value.typeName()) + QLatin1Char(':') + value.toString();
    }
}

// A read-only sequential device over bytes that hands out at most `piece` bytes per read, so
// a reader meets many short reads and chunk ends.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(const QByteArray &data, int piece)
        : m_data(data)
        , m_piece(piece)
    {
        open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const int size = int(qMin<qint64>(qMin(m_piece, m_data.size() - m_pos), maxSize));
        std::memcpy(data, m_data.constData() + m_pos, size_t(size));
        m_pos += size;
        return size;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    int m_piece;
    int m_pos = 0;
};

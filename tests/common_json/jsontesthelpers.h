#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QRandomGenerator>
#include <QStringList>
#include <QVariant>

// A typed text of a value tree, for comparing trees in test failures: types are kept (int 1
// and double 1 differ), doubles are shown with 15 significant digits.
QString describe(const QVariant &value);

// A random tree of the types the JSON reader produces, at most `depth` containers deep.
QVariant randomTree(QRandomGenerator *random, int depth);

// Collects the text of every Qt warning while alive.
class WarningCapture
{
public:
    WarningCapture();
    ~WarningCapture();
    WarningCapture(const WarningCapture &) = delete;
    WarningCapture &operator=(const WarningCapture &) = delete;

    QStringList warnings() const;
};

// A read-only sequential device over bytes that hands out at most `piece` bytes per read, so
// a reader meets many short reads and chunk ends.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(const QByteArray &data, int piece);

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    int m_piece;
    int m_pos = 0;
};

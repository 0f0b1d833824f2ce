#include "commandline.h"

#include <QRegularExpression>
#include <QTextStream>

namespace CommandLine {

int failure(const QString &subject, const QString &reason)
{
    QTextStream(stderr) << "tessel: " << subject << ": " << reason << '\n';
    return BadInput;
}

int usageError(const QString &command, const QString &message, const QString &usage)
{
    QTextStream(stderr) << "tessel " << command << ": " << message << "\nusage: " << usage << '\n';
    return WrongUsage;
}

int help(const QString &text)
{
    QTextStream(stdout) << text;
    return Success;
}

bool takeKey(QStringList *args, QByteArray *key, QString *message)
{
    key->clear();
    const int at = args->indexOf(QStringLiteral("--key"));
    if (at < 0)
        return true;
    if (at + 1 >= args->size()) {
        *message = QStringLiteral("--key needs a value");
        return false;
    }
    const QString hex = args->at(at + 1);
    static const QRegularExpression wholeBytes(QStringLiteral("^([0-9a-fA-F]{2})+$"));
    if (!wholeBytes.match(hex).hasMatch()) {
        *message = QStringLiteral("--key takes an even number of hexadecimal digits");
        return false;
    }
    *key = QByteArray::fromHex(hex.toLatin1());
    args->erase(args->begin() + at, args->begin() + at + 2);
    return true;
}

} // namespace CommandLine

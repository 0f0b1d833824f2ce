#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Shared pieces of the command-line tool: messages and the options every command accepts.
namespace CommandLine {

enum Status { Success = 0, BadInput = 1, WrongUsage = 2 };

// Prints "tessel: SUBJECT: REASON" on stderr and returns BadInput.
int failure(const QString &subject, const QString &reason);
// Prints "tessel COMMAND: MESSAGE" and the usage line on stderr and returns WrongUsage.
int usageError(const QString &command, const QString &message, const QString &usage);
// Prints text on stdout and returns Success.
int help(const QString &text);

// Takes "--key HEX" out of args. An absent option leaves *key empty (the built-in key).
// Returns false with *message set when the value is missing or not whole bytes of hex.
bool takeKey(QStringList *args, QByteArray *key, QString *message);

} // namespace CommandLine

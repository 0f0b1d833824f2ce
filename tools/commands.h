#pragma once

#include <QStringList>

// Each command takes its arguments (without the program and command names) and returns the
// exit status: 0 success, 1 bad input, 2 wrong usage.
int packCommand(const QStringList &args);
int unpackCommand(const QStringList &args);
int lintCommand(const QStringList &args);
int jsonCommand(const QStringList &args);
int scanCommand(const QStringList &args);
int marketCommand(const QStringList &args);
int tableCommand(const QStringList &args);
int updateCommand(const QStringList &args);
int initCommand(const QStringList &args);

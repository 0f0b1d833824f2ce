#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// One run of a program; exitCode -1: it did not start, crashed or did not end in time.
struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The path of one of the build folder's programs (TESSEL_BUILD_DIR/bin).
QString buildProgram(const QString &name);

// Runs program with args to its end, input on its standard input, and collects what it
// wrote. The event loop runs meanwhile, so that servers of the test answer. process may be
// set up first: environment, working folder, an output file. A run is ended after two minutes.
ProgramRun runProgram(QProcess &process, const QString &program, const QStringList &args,
                      const QByteArray &input = QByteArray());

// The same, for a program of the build folder with a process of its own.
ProgramRun runBuildProgram(const QString &name, const QStringList &args,
                           const QByteArray &input = QByteArray());

#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// One run of a program of the build folder; exitCode -1: it did not end normally in time.
struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs program as an author does: headless, and without a runtime folder unless one is given.
inline ToolRun runTool(const QString &program, const QStringList &args, bool runtimeFolder = true)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!runtimeFolder)
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/") + program, args);
    ToolRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

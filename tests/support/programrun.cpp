#include "programrun.h"

#include <QEventLoop>
#include <QTimer>

namespace {

constexpr int RunTimeoutMs = 120000;

} // namespace

QString buildProgram(const QString &name)
{
    return qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/") + name;
}

ProgramRun runProgram(QProcess &process, const QString &program, const QStringList &args,
                      const QByteArray &input)
{
    ProgramRun run;
    QEventLoop loop;
    QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QTimer::singleShot(RunTimeoutMs, &loop, &QEventLoop::quit);
    process.start(program, args);
    if (!process.waitForStarted())
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

ProgramRun runBuildProgram(const QString &name, const QStringList &args, const QByteArray &input)
{
    QProcess process;
    return runProgram(process, buildProgram(name), args, input);
}

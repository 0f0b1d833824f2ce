#include "programrun.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// `tessel json` run as a process: exit status, standard output and standard error.
class tst_JsonCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();

private:
    QTemporaryDir m_dir;
};

void tst_JsonCommand::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const auto write = [this](const char *name, const QByteArray &content) {
        QFile file(m_dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write("good.json", "// settings\n{b: [1, 2.0, x], a: {\"c\": null}}\n");
    write("bad.json", "{\n  \"a\": [1,\n   2 3]\n}\n");
    write("unterminated.json", "[\"" + QByteArray(1000000, 'a'));
}

void tst_JsonCommand::run_data()
{
    QTest::addColumn<QStringList>("args");          // "@" stands for the data folder
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");            // "@" stands for the data folder

    const QByteArray pretty("{\n\t\"a\": \n\t{\n\t\t\"c\": null\n\t},\n\t\"b\": \n\t[\n\t\t1, 2.0, \"x\"\n\t]\n}\n");
    const auto row = [](const char *tag, const QStringList &args, int status, const QByteArray &out, const QByteArray &err = QByteArray(),
                        const QByteArray &input = QByteArray()) { QTest::newRow(tag) << args << input << status << out << err; };

    row("pretty", {"json", "@/good.json"}, 0, pretty);
    row("compact-after-file", {"json", "@/good.json", "--compact"}, 0, "{\"a\": {\"c\": null},\"b\": [1, 2.0, \"x\"]}\n");
    row("stdin", {"json", "--compact", "-"}, 0, "[1, {\"k\": \"v\"}]\n", QByteArray(), "[1, {k: v}] ignored");
    row("syntax-error", {"json", "@/bad.json"}, 1, QByteArray(), "@/bad.json:3:5: Expected ']' to close an array\n");
    row("missing-file", {"json", "@/none.json"}, 1, QByteArray(), "tessel: @/none.json: No such file or directory\n");
    row("directory", {"json", "@"}, 1, QByteArray());
    row("unknown-option", {"json", "--pretty", "@/good.json"}, 2, QByteArray());
    row("two-files", {"json", "@/good.json", "@/bad.json"}, 2, QByteArray());
    row("endless-input", {"json", "/dev/zero"}, 1, QByteArray(), "tessel: /dev/zero: larger than the input limit of 64 MiB\n");
    row("error-quoting-1-MB", {"json", "@/unterminated.json"}, 1, QByteArray(),
        "@/unterminated.json:1:1000002: End of file before end of string: " + QByteArray(166, 'a') + "... (999834 more characters)\n");
    // Output that does not reach its file is an error, not a success.
    row("output-device-full", {"json", "@/good.json"}, 1, QByteArray(), "tessel: standard output: No space left on device\n");
    row("help", {"json", "--help"}, 0, "usage: tessel json [--compact] FILE|-\n");
}

void tst_JsonCommand::run()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    args.replaceInStrings(QStringLiteral("@"), m_dir.path());
    err.replace('@', m_dir.path().toUtf8());

    QProcess process;
    if (QByteArray(QTest::currentDataTag()) == "output-device-full")
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    const ProgramRun run = runProgram(process, buildProgram(QStringLiteral("tessel")), args, input);
    QByteArray stdOut = run.out;
    const QByteArray stdErr = run.err;

    QCOMPARE(run.exitCode, status);
    if (QByteArray(QTest::currentDataTag()) == "help")
        stdOut.truncate(out.size());
    QCOMPARE(stdOut, out);
    if (status == 0 || !err.isEmpty()) {
        QCOMPARE(stdErr, err);
    } else {
        // Failures without a fixed text still say what went wrong, and bad input in one line.
        QVERIFY(!stdErr.isEmpty());
        if (status == 1)
            QCOMPARE(stdErr.count('\n'), 1);
    }
}

QTEST_GUILESS_MAIN(tst_JsonCommand)
#include "tst_jsoncommand.moc"

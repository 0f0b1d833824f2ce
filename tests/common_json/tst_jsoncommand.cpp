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
    void fullOutput();

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

    const QByteArray pretty("{\n\t\"a\": \n\t{\n\t\t\"c\": null\n\t},\n\t\"b\": \n\t[\n"
                            "\t\t1, 2.0, \"x\"\n\t]\n}\n");

    QTest::newRow("pretty") << QStringList{"json", "@/good.json"} << QByteArray() << 0
                            << pretty << QByteArray();
    QTest::newRow("compact-after-file")
        << QStringList{"json", "@/good.json", "--compact"} << QByteArray() << 0
        << QByteArray("{\"a\": {\"c\": null},\"b\": [1, 2.0, \"x\"]}\n") << QByteArray();
    QTest::newRow("stdin") << QStringList{"json", "--compact", "-"}
                           << QByteArray("[1, {k: v}] ignored") << 0
                           << QByteArray("[1, {\"k\": \"v\"}]\n") << QByteArray();
    QTest::newRow("syntax-error") << QStringList{"json", "@/bad.json"} << QByteArray() << 1
                                  << QByteArray()
                                  << QByteArray("@/bad.json:3:5: Expected ']' to close an array\n");
    QTest::newRow("missing-file") << QStringList{"json", "@/none.json"} << QByteArray() << 1
                                  << QByteArray()
                                  << QByteArray("tessel: @/none.json: No such file or directory\n");
    QTest::newRow("directory") << QStringList{"json", "@"} << QByteArray() << 1 << QByteArray()
                               << QByteArray();
    QTest::newRow("unknown-option") << QStringList{"json", "--pretty", "@/good.json"}
                                    << QByteArray() << 2 << QByteArray() << QByteArray();
    QTest::newRow("two-files") << QStringList{"json", "@/good.json", "@/bad.json"}
                               << QByteArray() << 2 << QByteArray() << QByteArray();
    QTest::newRow("endless-input") << QStringList{"json", "/dev/zero"} << QByteArray() << 1
                                   << QByteArray()
                                   << QByteArray("tessel: /dev/zero: larger than the input limit of 64 MiB\n");
    QTest::newRow("error-quoting-1-MB")
        << QStringList{"json", "@/unterminated.json"} << QByteArray() << 1 << QByteArray()
        << "@/unterminated.json:1:1000002: End of file before end of string: "
               + QByteArray(166, 'a') + "... (999834 more characters)\n";
    QTest::newRow("help") << QStringList{"json", "--help"} << QByteArray() << 0
                          << QByteArray("usage: tessel json [--compact] FILE|-\n") << QByteArray();
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
    process.start(qEnvironmentVariable("TESSEL_BUILD_DIR") + QLatin1String("/bin/tessel"), args);
    QVERIFY(process.waitForStarted());
    process.write(input);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished());
    QByteArray stdOut = process.readAllStandardOutput();
    const QByteArray stdErr = process.readAllStandardError();

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
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

// Output that does not reach its file is an error, not a success.
void tst_JsonCommand::fullOutput()
{
    QProcess process;
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(qEnvironmentVariable("TESSEL_BUILD_DIR") + QLatin1String("/bin/tessel"),
                  {QStringLiteral("json"), m_dir.filePath(QStringLiteral("good.json"))});
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(process.readAllStandardError(),
             QByteArray("tessel: standard output: No space left on device\n"));
}

QTEST_GUILESS_MAIN(tst_JsonCommand)
#include "tst_jsoncommand.moc"

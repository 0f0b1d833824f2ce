#include "bundletestutils.h"
#include "programrun.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// `tessel` run as an author does: headless, and without a runtime folder unless one is given.
ProgramRun tessel(const QStringList &args, bool runtimeFolder = true)
{
    QProcess process;
    if (!runtimeFolder) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        process.setProcessEnvironment(environment);
    }
    return runProgram(process, buildProgram(QStringLiteral("tessel")), args);
}

QStringList lines(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The lines of a lint run that start with prefix, without it.
QStringList linesAfter(const QString &text, const QString &prefix)
{
    QStringList found;
    for (const QString &line : lines(text)) {
        if (line.startsWith(prefix))
            found.append(line.mid(prefix.size()));
    }
    return found;
}

// A plug-in folder whose manifest holds an id, its entry page and the given members.
FileMap plugin(const QByteArray &members)
{
    const QByteArray more = members.isEmpty() ? QByteArray() : ",\n    " + members;
    return {{QStringLiteral("plugin.spec"),
             "{\n    id: \"p\",\n    entry: \"index.html\"" + more + "\n}\n"},
            {QStringLiteral("index.html"), "<html><body></body></html>"}};
}

} // namespace

class tst_LintCommand : public QObject
{
    Q_OBJECT

private slots:
    void keys_data();
    void keys();
    void refusedManifest_data();
    void refusedManifest();
    void shadows_data();
    void shadows();
    void headlessRun_data();
    void headlessRun();
};

// Each problem the reader passes over, or reports without a key, is one warning with its key
// path and, where a known key is near, the key meant. --strict fails on any of them.
void tst_LintCommand::keys_data()
{
    QTest::addColumn<QByteArray>("members");
    QTest::addColumn<QStringList>("warnings");   // "KEY: TEXT", after "warning: BUNDLE/plugin.spec: "
    QTest::addColumn<QString>("summaryLine");    // a line of the manifest's summary; empty: none checked

    const auto row = [](const char *name, const char *members, const QStringList &warnings, const char *line = "") {
        QTest::newRow(name) << QByteArray(members) << warnings << QString::fromUtf8(line);
    };
    row("clean", R"(name: "N", "name-ru_RU": "Н", "desc-it_IT": "D", hotkeys: ["Ctrl+Shift+F", "F9"],
        supportSymbolLinking: true, version: "1.2", features: ["charts"],
        header: [{id: "c", type: "ComboBox", options: ["a"], minwidth: 80}])", {}, "hot keys: Ctrl+Shift+F, F9");
    // A key sequence as a string is a list of that one sequence.
    row("hotkeys-string", R"(hotkeys: "F9")", {}, "hot keys: F9");
    row("hotkeys-one-element-list", R"(hotkeys: ["F9"])", {}, "hot keys: F9");
    row("action-hotkeys-string", R"(actions: {a: {name: "A", hotkeys: "Ctrl+K, Ctrl+C"}})", {}, "  a: \"A\", keys Ctrl+K, Ctrl+C");
    row("action-hotkeys-one-element-list", R"(actions: {a: {name: "A", hotkeys: ["Ctrl+K, Ctrl+C"]}})", {},
        "  a: \"A\", keys Ctrl+K, Ctrl+C");
    row("typo-top-level", R"(windowTitel: "W")",
        {R"(windowTitel: unknown key; did you mean "windowTitle"?)"});
    row("typo-swapped-letters", R"(entyr: "index.html")",
        {R"(entyr: unknown key; did you mean "entry"?)"});
    row("typo-in-action", R"(actions: {a: {name: "A", hotkey: "F5"}})",
        {R"(actions.a.hotkey: unknown key; did you mean "hotkeys"?)"});
    row("unknown-far-from-any-key", R"(colourScheme: "dark")",
        {"colourScheme: unknown key; the host ignores it"});
    row("typo-in-localised-key", R"("nmae-ru_RU": "Имя")",
        {R"(nmae-ru_RU: unknown key; did you mean "name-ru_RU"?)"});
    row("version-number", "version: 1.0",
        {R"(version: the number 1.0 where a string such as "1.0" is expected; the host reads it as 0.0)"});
    row("bool-as-string", R"(supportSymbolLinking: "true")",
        {R"(supportSymbolLinking: the string "true" where true or false is expected; the host ignores it)"});
    row("hotkeys-number", "hotkeys: 5",
        {R"(hotkeys: the number 5 where a key sequence ("Ctrl+Shift+F") or an array of them is expected; the host ignores it)"});
    row("key-sequence-misspelt", R"(hotkeys: "Ctl+Shift+H")",
        {R"(hotkeys: "Ctl+Shift+H" is not a key sequence; did you mean "Ctrl+Shift+H"?)"});
    row("key-sequence-unknown-key", R"(actions: {a: {hotkeys: ["F5", "Ctrl+Foo"]}})",
        {R"(actions.a.hotkeys[1]: "Ctrl+Foo" is not a key sequence; the host registers no key for it)"});
    row("key-sequence-trailing-comma", R"(hotkeys: "Ctrl+K, Ctrl+C,")",
        {R"(hotkeys: "Ctrl+K, Ctrl+C," is not a key sequence; did you mean "Ctrl+K, Ctrl+C"?)"});
    row("key-sequence-list-trailing-comma", R"(hotkeys: ["F5", "F6",])",
        {R"(hotkeys[2]: an empty key sequence (a comma right before "]" makes one); the host registers no key for it)"});
    row("key-sequence-empty", R"(actions: {a: {hotkeys: ""}})",
        {"actions.a.hotkeys: an empty key sequence; the host registers no key for it"});
    row("list-element-type", R"(features: ["a", 3])",
        {"features[1]: the number 3 where a string is expected; the host skips it"});
    row("list-trailing-comma", R"(features: ["a",])",
        {R"(features[1]: an empty string (a comma right before "]" makes one))"});
    row("binding-not-object", R"(propertyPages: {p: {name: "P", bindings: ["g.s"]}})",
        {R"(propertyPages.p.bindings[0]: the string "g.s" where an object is expected; the host skips it)"});
    row("typo-in-binding", R"(objects: {g: {s: {type: "string", default: ""}}},
        propertyPages: {p: {name: "P", bindings: [{bind: "g.s", type: "EditBox", tooltp: "t"}]}})",
        {R"(propertyPages.p.bindings[0].tooltp: unknown key; did you mean "tooltip"?)"});
    row("header-keys-by-type", R"(header: [{id: "c", type: "ComboBox", minwidht: "80px", value: "x"}])",
        {R"(header[0].minwidht: unknown key; did you mean "minwidth"?)",
         "header[0].value: unknown key; the host ignores it"});
    row("header-insert-symbol-parts",
        R"(header: [{id: "i", type: "InsertSymbolButton", button: {nme: "Add"}, dialog: {titel: "T"}}])",
        {R"(header[0].button.nme: unknown key; did you mean "name"?)",
         R"(header[0].dialog.titel: unknown key; did you mean "title"?)"});
    row("header-bool-as-string", R"(header: [{id: "b", type: "ToggleButton", value: "yes"}])",
        {R"(header[0].value: the string "yes" where true or false is expected; the host ignores it)"});
    row("header-entry-not-object", "header: [3]",
        {"header[0]: the number 3 where an object is expected; the host skips it"});
    row("default-whole-number-for-double", R"(objects: {g: {d: {type: "double", default: 5}}})",
        {R"(objects.g.d.default: the number 5 where type "double" expects a floating-point number such as 5.0; the host ignores it)"});
    row("default-string-for-bool", R"(objects: {g: {b: {type: "bool", default: "true"}}})",
        {R"(objects.g.b.default: the string "true" where type "bool" expects true or false; the host ignores it)"});
    row("default-not-a-colour", R"(objects: {g: {c: {type: "color", default: "#12345"}}})",
        {R"x(objects.g.c.default: the string "#12345" is not a colour such as "#336699", "rgb(51,102,153)" or "rgba(51,102,153,128)")x"});
    row("choice-of-other-type",
        R"(objects: {g: {e: {type: "int", default: 1, isSharedDefault: true, enum: {One: 1, Two: "2"}}}})",
        {R"(objects.g.e.enum.Two: the string "2" where type "int" expects a whole number; the host leaves out this choice)"});
    row("reader-line-then-typo",
        R"(objects: {g: {t: {type: "color", theme: {black: "#000000", whyte: "#ffffff"}}}})",
        {"objects.g.t.theme: specparser: failed to create property, 'black' or 'white' theme value is missing",
         R"(objects.g.t.theme.whyte: unknown key; did you mean "white"?)"});
    row("icon-not-file-names", "icons: {a: 3}",
        {"icons.a: the number 3 where a file name or an array of file names is expected; the icon has no image"});
    row("reader-enum", R"(openIn: "Symbol")",
        {"openIn: specparser: failed to read 'openIn', unknown enum value 'Symbol'"});
    row("reader-version", R"(version: "1.2.3")",
        {"version: specparser: failed to read version property: version='1.2.3', wrong format"});
    row("reader-collection-member", R"(actions: {a: "A"})",
        {"actions.a: specparser: failed to read object 'a' from 'actions', value is not object"});
    row("entry-case", R"(entry: "Index.html")",
        {"entry: 'Index.html' differs in case from the file 'index.html'; folders and .wps files "
         "disagree on case, so name it as it is spelt"});
}

void tst_LintCommand::keys()
{
    QFETCH(QByteArray, members);
    QFETCH(QStringList, warnings);

    QTemporaryDir dir;
    const QString bundle = dir.filePath(QStringLiteral("p"));
    QVERIFY(writeFiles(bundle, plugin(members)));
    const ProgramRun run = tessel({QStringLiteral("lint"), QStringLiteral("--strict"), bundle});
    QVERIFY2(run.exitCode == (warnings.isEmpty() ? 0 : 1), QByteArray(run.out + run.err).constData());
    QCOMPARE(linesAfter(run.out, QStringLiteral("warning: %1/plugin.spec: ").arg(bundle)), warnings);
    QCOMPARE(linesAfter(run.out, QStringLiteral("warning: ")).size(), warnings.size());
    QFETCH(QString, summaryLine);
    QVERIFY2(summaryLine.isEmpty() || lines(run.out).contains(summaryLine), qPrintable(run.out));
}

// A manifest the host skips: the reader's line, a hint per slip of the dialect, and the reason
// itself, never one that follows from the slip ("no plug-in id").
void tst_LintCommand::refusedManifest_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<QString>("readerLine");   // after "specparser: failed to load 'BUNDLE/plugin.spec"
    QTest::addColumn<QStringList>("hints");
    QTest::addColumn<QString>("reason");

    QTest::newRow("comma-before-brace") << QByteArray("{\n    id: \"x\",\n    name: \"y\",\n}\n")
        << "(5:0)', Expected ':' after a member name: }"
        << QStringList{"hint: line 3: a comma right before \"}\" is not allowed; remove it"}
        << "the manifest is not valid: Expected ':' after a member name: } (line 5, column 0)";
    QTest::newRow("byte-order-mark") << QByteArray("\xEF\xBB\xBF{id: \"x\"}\n") << "', wrong format"
        << QStringList{"hint: the file starts with a UTF-8 byte-order mark, which the reader does "
                       "not skip; save it without one"}
        << "the manifest is not a JSON object";
    QTest::newRow("block-comment") << QByteArray("/* The plug-in. */\n{id: \"x\"}\n")
        << "', wrong format"
        << QStringList{"hint: line 1: \"/*\" starts a block comment, which the reader does not "
                       "know; use \"//\" line comments"}
        << "the manifest is not a JSON object";
    QTest::newRow("slips-in-file-order")
        << QByteArray("{\n    id: \"x\", // a \"/*\" in a comment,]\n    features: [\"a\",],\n"
                      "    desc: \"a /* in a string,}\",\n    name: \"y\",\n}\n")
        << "(7:0)', Expected ':' after a member name: }"
        << QStringList{"hint: line 3: a comma right before \"]\" adds an empty string to the array; "
                       "remove it",
                       "hint: line 5: a comma right before \"}\" is not allowed; remove it"}
        << "the manifest is not valid: Expected ':' after a member name: } (line 7, column 0)";
    QTest::newRow("no-slip") << QByteArray("{id: \"x\" name: \"y\"}") << "(1:9)', Expected '}' to close an object"
        << QStringList() << "the manifest is not valid: Expected '}' to close an object (line 1, column 9)";
}

void tst_LintCommand::refusedManifest()
{
    QFETCH(QByteArray, manifest);
    QFETCH(QString, readerLine);
    QFETCH(QStringList, hints);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString bundle = dir.filePath(QStringLiteral("p"));
    QVERIFY(writeFiles(bundle, {{QStringLiteral("plugin.spec"), manifest}}));
    const ProgramRun run = tessel({QStringLiteral("lint"), bundle});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(lines(run.out), QStringList{"specparser: failed to load '" + bundle + "/plugin.spec"
                                         + readerLine} + hints);
    QCOMPARE(lines(run.err).filter(QStringLiteral("tessel: ")),
             QStringList{"tessel: " + bundle + ": " + reason + "; the host skips this bundle"});
}

// Two bundles of one id and version in a plug-in folder: the later one in the scan is loaded,
// and lint (of either) and scan say which shadows which.
void tst_LintCommand::shadows_data()
{
    QTest::addColumn<QByteArray>("packedVersion");   // of the .wps packed from the folder
    QTest::addColumn<bool>("shadowed");

    QTest::newRow("same-version") << QByteArray("1.0") << true;
    QTest::newRow("newer-version") << QByteArray("1.1") << false;
}

void tst_LintCommand::shadows()
{
    QFETCH(QByteArray, packedVersion);
    QFETCH(bool, shadowed);

    QTemporaryDir dir;
    const QString plugins = dir.filePath(QStringLiteral("plugins"));
    const QString folder = plugins + QStringLiteral("/chart");
    const QString secured = plugins + QStringLiteral("/chart.wps");
    const QString source = dir.filePath(QStringLiteral("source"));
    QVERIFY(writeFiles(source, plugin("version: \"" + packedVersion + "\"")));
    QVERIFY(writeFiles(folder, plugin("version: \"1.0\"")));
    QCOMPARE(tessel({QStringLiteral("pack"), source, secured}).exitCode, 0);

    const QString line = QStringLiteral("'%1' is shadowed by '%2': both hold plug-in 'p' version "
                                        "1.0, and the host loads the one it finds later")
                             .arg(folder, secured);
    const QStringList expected = shadowed ? QStringList{line} : QStringList();
    for (const QString &bundle : {folder, secured}) {
        const ProgramRun run = tessel({QStringLiteral("lint"), bundle});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(linesAfter(run.out, QStringLiteral("warning: %1: ").arg(bundle)), expected);
    }
    const ProgramRun scan = tessel({QStringLiteral("scan"), plugins});
    QCOMPARE(scan.exitCode, 0);
    QCOMPARE(lines(scan.out).filter(QStringLiteral(" is shadowed by ")), expected);
}

// Without a runtime folder and offscreen, a run writes nothing but its own lines: Qt's notes
// about the headless run are dropped. --version prints the project's version.
void tst_LintCommand::headlessRun_data()
{
    QTest::addColumn<QStringList>("args");      // "@" stands for a fresh plug-in folder
    QTest::addColumn<QString>("out");           // the whole output; empty: not compared

    QTest::newRow("version") << QStringList{"--version"}
                             << QStringLiteral("tessel " TESSEL_VERSION "\n");
    QTest::newRow("lint") << QStringList{"lint", "--strict", "@"} << QString();
    QTest::newRow("scan") << QStringList{"scan", "@/.."} << QString();
    QTest::newRow("init") << QStringList{"init", "p", "@/../q"}
                          << QStringLiteral("wrote plug-in 'p' to @/../q\n");
}

void tst_LintCommand::headlessRun()
{
    QFETCH(QStringList, args);
    QFETCH(QString, out);

    QTemporaryDir dir;
    const QString bundle = dir.filePath(QStringLiteral("p"));
    QVERIFY(writeFiles(bundle, plugin(QByteArray())));
    const ProgramRun run = tessel(args.replaceInStrings(QStringLiteral("@"), bundle), false);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    if (!out.isEmpty())
        QCOMPARE(QString::fromUtf8(run.out), out.replace(QLatin1Char('@'), bundle));
}

QTEST_GUILESS_MAIN(tst_LintCommand)
#include "tst_lintcommand.moc"

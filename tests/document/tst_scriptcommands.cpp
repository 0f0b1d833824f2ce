// Commands as pages see them: a real page activates _quorvex_bridge.commands and the test
// drives the host's undo stack, reading the signals the page got, the undo entries and the
// bound property.
#include "documentfixture.h"
#include "testsupport.h"

#include <document/scriptdocument.h>
#include <document/scriptwidget.h>

#include <document.h>

#include <QUndoStack>
#include <QtTest>

namespace {

// Records every command's redo and undo in window.events as "<id>:<signal>:<value as JSON>".
const QByteArray recorder =
    "<script>\n"
    "window.events = [];\n"
    "_quorvex_bridge.commands.forEach(function (c) {\n"
    "  c.redo.connect(function (v) { events.push(c.id + ':redo:' + JSON.stringify(v)); });\n"
    "  c.undo.connect(function (v) { events.push(c.id + ':undo:' + JSON.stringify(v)); });\n"
    "});\n"
    "</script>\n";

} // namespace

class tst_ScriptCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commands_data();
    void commands();

private:
    PluginFixture m_fixture;
};

void tst_ScriptCommands::initTestCase()
{
    m_fixture.addBundle(QStringLiteral("cmds"), {
        {QStringLiteral("plugin.spec"), manifest(QStringLiteral("cmds"),
            "objects: { look: { width: { type: \"int\", default: 1, undoText: \"Change width\" } } },"
            " commands: { edit: { undoText: \"Edit value\" }, plain: {},"
            " width: { bind: \"objects.look.width\", undoText: \"Width by command\" },"
            " ghost: { bind: \"objects.look.none\", undoText: \"Ghost\" } },")},
        {QStringLiteral("index.html"), page(recorder)}});
    m_fixture.start();
}

void tst_ScriptCommands::commands_data()
{
    QTest::addColumn<QString>("script");          // run with "c" as the commands by id
    QTest::addColumn<QStringList>("hostSteps");   // "undo" / "redo" on the host's stack
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("undoTexts");
    QTest::addColumn<int>("width");               // objects.look.width at the end
    QTest::addColumn<QStringList>("reports");     // assertion reports
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    QTest::newRow("manifest-order")
        << "window.order = _quorvex_bridge.commands.map(function (x) { return x.id; }).join();"
           " events.push(order)"
        << none << QStringList{"edit,ghost,plain,width"} << none << 1 << none << none;
    QTest::newRow("activate-redoes-at-once")
        << "c.edit.activate(5)" << none << QStringList{"edit:redo:5"} << QStringList{"Edit value"}
        << 1 << none << none;
    QTest::newRow("undo-then-redo-same-value")
        << "c.edit.activate(5)" << QStringList{"undo", "redo"}
        << QStringList{"edit:redo:5", "edit:undo:5", "edit:redo:5"} << QStringList{"Edit value"}
        << 1 << none << none;
    QTest::newRow("two-activations-two-entries")
        << "c.edit.activate(1); c.edit.activate({a: 'x'})" << QStringList{"undo", "undo"}
        << QStringList{"edit:redo:1", "edit:redo:{\"a\":\"x\"}", "edit:undo:{\"a\":\"x\"}",
                       "edit:undo:1"}
        << QStringList{"Edit value", "Edit value"} << 1 << none << none;
    QTest::newRow("entries-of-two-commands")
        << "c.edit.activate('a'); c.plain.activate(null)" << QStringList{"undo"}
        << QStringList{"edit:redo:\"a\"", "plain:redo:null", "plain:undo:null"}
        << QStringList{"Edit value", "plain"} << 1 << none << none;
    QTest::newRow("bound-changes-property")
        << "c.width.activate(7)" << none << none << QStringList{"Width by command"} << 7 << none
        << none;
    QTest::newRow("bound-undone-by-host")
        << "c.width.activate(7); c.width.activate(9)" << QStringList{"undo"} << none
        << QStringList{"Width by command", "Width by command"} << 7 << none << none;
    QTest::newRow("bound-missing-property")
        << "c.ghost.activate(3)" << none << none << none << 1
        << QStringList{"target"}
        << none;
    QTest::newRow("delete-refused")
        << "c.edit.deleteLater(); c.edit.activate(2)" << none << QStringList{"edit:redo:2"}
        << QStringList{"Edit value"} << 1 << none
        << QStringList{"bridge: failed to delete object, 'edit' belongs to the document"};
}

void tst_ScriptCommands::commands()
{
    QFETCH(QString, script);
    QFETCH(QStringList, hostSteps);
    QFETCH(QStringList, events);
    QFETCH(QStringList, undoTexts);
    QFETCH(int, width);
    QFETCH(QStringList, reports);
    QFETCH(QStringList, output);

    const OpenDocument open = m_fixture.open(QStringLiteral("cmds"));
    QVERIFY(open.script);
    PluginFixture::takeOutput();
    LogCapture capture;
    open.eval(QStringLiteral("var c = {}; _quorvex_bridge.commands.forEach(function (x) {"
                             " c[x.id] = x; }); ") + script);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QUndoStack *stack = open.script->widget()->undoStack();
    for (const QString &step : hostSteps) {
        if (step == QLatin1String("undo"))
            stack->undo();
        else
            stack->redo();
    }

    QCOMPARE(open.eval(QStringLiteral("events")).toStringList(), events);
    QStringList texts;
    for (int i = 0; i < stack->count(); ++i)
        texts.append(stack->text(i));
    QCOMPARE(texts, undoTexts);
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.objects.look.width.value")).toInt(), width);
    QCOMPARE(capture.texts("Assert"), reports);
    QCOMPARE(PluginFixture::takeOutput(), output);
}

QTEST_MAIN(tst_ScriptCommands)

#include "tst_scriptcommands.moc"

// The property tree as pages see it: a real page reads and writes _quorvex_bridge.objects and
// the test reads the values, the undo entries and the plug-in output the host got.
#include "documentfixture.h"
#include "testsupport.h"

#include <document/scriptdocument.h>
#include <document/scriptwidget.h>

#include <document.h>

#include <QUndoStack>
#include <QtTest>

class tst_PropertyScripts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pageScripts_data();
    void pageScripts();

private:
    PluginFixture m_fixture;
};

void tst_PropertyScripts::initTestCase()
{
    m_fixture.addBundle(QStringLiteral("props"), {
        {QStringLiteral("plugin.spec"), manifest(QStringLiteral("props"),
            "objects: {"
            " look: { rows: { type: \"int\", default: 20, undoText: \"Change rows\" },"
            "         back: { type: \"color\", theme: { black: \"#000000\", white: \"#ffffff\" } },"
            "         title: { font: \"bold 12pt \\\"Arial\\\"\" } },"
            " data: { layout: { type: \"json\", default: { columns: 3 } },"
            "         name: { type: \"string\" } } },")},
        {QStringLiteral("index.html"), page()}});
    m_fixture.start();
}

void tst_PropertyScripts::pageScripts_data()
{
    QTest::addColumn<QString>("script");          // run with "o" as _quorvex_bridge.objects
    QTest::addColumn<QString>("result");
    QTest::addColumn<QStringList>("undoTexts");
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    QTest::newRow("tree") << "o.objects.map(function (g) { return g.objectName + ':' "
                             "+ g.objects.map(function (p) { return p.objectName; }); }).join(';')"
                          << "data:layout,name;look:back,rows,title" << none << none;
    QTest::newRow("defaults-by-name")
        << "[o.look.rows.value, o.look.back.value, o.look.title.value, o.data.name.value,"
           " JSON.stringify(o.data.layout.value)].join(';')"
        << "20;rgb(0,0,0);bold 12pt \"arial\";;{\"columns\":3}" << none << none;
    QTest::newRow("value-write-has-undo") << "o.look.rows.value = '12'; o.look.rows.value"
                                          << "12" << QStringList{"Change rows"} << none;
    QTest::newRow("number-rounded") << "o.look.rows.setValue(2.6); o.look.rows.value" << "3"
                                    << none << none;
    QTest::newRow("colorCss-no-undo") << "o.look.back.colorCss = '#FF8000'; o.look.back.value"
                                      << "rgb(255,128,0)" << none << none;
    QTest::newRow("fontSize-no-undo") << "o.look.title.fontSize = 14; o.look.title.fontCss"
                                      << "bold 14pt \"arial\"" << none << none;
    QTest::newRow("changed-once-per-change")
        << "var n = 0; o.look.rows.changed.connect(function () { n++; });"
           " o.look.rows.value = 30; o.look.rows.value = 30; o.look.rows.setValue(31); n"
        << "2" << QStringList{"Change rows"} << none;
    QTest::newRow("json-from-array-refused")
        << "o.data.layout.value = [1]; JSON.stringify(o.data.layout.value)" << "{\"columns\":3}"
        << none
        << QStringList{"Property::setValue: could not convert value for a property, property: "
                       "'layout', expected property type: 8, got: 9",
                       "Property::setValue: an attempt was made to set invalid value for "
                       "property, property: 'layout', expected property type: 8, got: 9"};
    QTest::newRow("delete-refused") << "o.look.rows.deleteLater(); o.data.deleteLater(); 'asked'"
                                    << "asked" << none
                                    << QStringList{"bridge: failed to delete object, 'rows' "
                                                   "belongs to the document",
                                                   "bridge: failed to delete object, 'data' "
                                                   "belongs to the document"};
}

void tst_PropertyScripts::pageScripts()
{
    QFETCH(QString, script);
    QFETCH(QString, result);
    QFETCH(QStringList, undoTexts);
    QFETCH(QStringList, output);

    const OpenDocument open = m_fixture.open(QStringLiteral("props"));
    QVERIFY(open.script);
    PluginFixture::takeOutput();
    QCOMPARE(open.eval(QStringLiteral("var o = _quorvex_bridge.objects; ") + script).toString(),
             result);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.objects.look.rows.objectName")).toString(),
             QStringLiteral("rows"));

    const QUndoStack *stack = open.script->widget()->undoStack();
    QStringList texts;
    for (int i = 0; i < stack->count(); ++i)
        texts.append(stack->text(i));
    QCOMPARE(texts, undoTexts);
    QCOMPARE(PluginFixture::takeOutput(), output);
}

QTEST_MAIN(tst_PropertyScripts)

#include "tst_propertyscripts.moc"

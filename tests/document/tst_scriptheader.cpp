// The header row built from the manifest's "header": which controls are made and how the row
// is laid out, then each control's parameters and script interface as a real page uses it.
#include "headerfixture.h"
#include "testsupport.h"

#include <document/scriptdocument.h>
#include <document/scriptheader.h>
#include <document/scriptsymboledit.h>
#include <document/scriptwidget.h>

#include <document.h>
#include <documentcaptionbarautoshowcontroller.h>
#include <hotkeyaction.h>
#include <symboleditcontrol.h>
#include <widgethelpers.h>

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QtTest>

namespace {

// The row's layout items: widget class names ("[0]" for a widget of fixed width 0) and
// "spacer".
QString layoutOf(const QWidget *row)
{
    QStringList items;
    QLayout *layout = row->layout();
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->spacerItem()) {
            items.append(QStringLiteral("spacer"));
        } else if (const QWidget *widget = item->widget()) {
            QString name = QLatin1String(widget->metaObject()->className());
            if (widget->maximumWidth() == 0)
                name += QLatin1String("[0]");
            items.append(name);
        }
    }
    return items.join(QLatin1Char(','));
}

// A combo box's items: "-" for a separator, the text otherwise, "+icon" when it has one.
QString itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemData(i, Qt::AccessibleDescriptionRole).toString()
            == QLatin1String("separator")) {
            items.append(QStringLiteral("-"));
            continue;
        }
        items.append(box->itemText(i) + (box->itemIcon(i).isNull() ? "" : "+icon"));
    }
    return items.join(QLatin1Char(','));
}

// A menu's entries: "-" for a separator, the action's object name otherwise.
QString entriesOf(const QMenu *menu)
{
    QStringList entries;
    for (const QAction *action : menu->actions())
        entries.append(action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return entries.join(QLatin1Char(','));
}

QByteArray manyButtons(int count)
{
    QByteArrayList entries;
    for (int i = 0; i < count; ++i)
        entries.append("{id: \"b" + QByteArray::number(i) + "\", type: \"Button\"}");
    return '[' + entries.join(", ") + ']';
}

QWidget *controlWidget(const OpenDocument &open, int index)
{
    const QObjectList controls = open.script->scriptHeader()->controls();
    return index < controls.size() ? static_cast<ScriptControl *>(controls.at(index))->widget()
                                   : nullptr;
}

} // namespace

class tst_ScriptHeader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void factory_data();
    void factory();
    void comboBox_data();
    void comboBox();
    void button_data();
    void button();
    void symbolEdit_data();
    void symbolEdit();

private:
    std::unique_ptr<HeaderFixture> m_fixture;
};

void tst_ScriptHeader::init()
{
    if (!m_fixture)
        m_fixture.reset(new HeaderFixture);
    PluginFixture::takeOutput();
}

void tst_ScriptHeader::factory_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("controls");    // id:type, as the page reads them
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    QTest::newRow("every-type")
        << QByteArray("[{id: \"s\", type: \"SymbolEdit\"}, {id: \"c\", type: \"ComboBox\"},"
                      " {id: \"b\", type: \"Button\"}, {id: \"t\", type: \"ToggleButton\"},"
                      " {id: \"m\", type: \"MenuButton\"}, {id: \"i\", type: \"InsertSymbolButton\"}]")
        << "s:SymbolEdit,c:ComboBox,b:Button,t:ToggleButton,m:MenuButton,i:InsertSymbolButton"
        << "SymbolEditControl,QComboBox,QToolButton,QToolButton,QToolButton,QToolButton,spacer"
        << none;
    QTest::newRow("buttons-only-get-zero-width-box")
        << QByteArray("[{id: \"b\", type: \"Button\"}]") << "b:Button"
        << "QToolButton,spacer,QComboBox[0]" << none;
    QTest::newRow("empty-header") << QByteArray("[]") << "" << "spacer,QComboBox[0]" << none;
    QTest::newRow("empty-id")
        << QByteArray("[{type: \"Button\"}, {id: \"\", type: \"Button\"}, {id: 5, type: \"Button\"},"
                      " {id: \"ok\", type: \"Button\"}]")
        << "ok:Button" << "QToolButton,spacer,QComboBox[0]"
        << QStringList{"header: can't create control, empty id",
                       "header: can't create control, empty id",
                       "header: can't create control, empty id"};
    QTest::newRow("unknown-type")
        << QByteArray("[{id: \"x\", type: \"Slider\"}, {id: \"y\", type: \"button\"}, {id: \"z\"}]")
        << "" << "spacer,QComboBox[0]"
        << QStringList{"header: can't create control, unknown control type 'Slider'",
                       "header: can't create control, unknown control type 'button'",
                       "header: can't create control, unknown control type ''"};
    QTest::newRow("wrong-typed-parameters")
        << QByteArray("[{id: \"m\", type: \"MenuButton\", name: 5, icon: [1], tooltip: {},"
                      " actions: \"undo\", value: [], action: 3},"
                      " {id: \"c\", type: \"ComboBox\", options: 7, editable: \"yes\", minwidth: {}},"
                      " {id: \"s\", type: \"SymbolEdit\", value: 12, focusOnKeyPress: \"no\","
                      " useSymbolBuilder: [1], minwidth: null},"
                      " {id: \"i\", type: \"InsertSymbolButton\", button: \"x\", symbolEdit: 3,"
                      " dialog: [], dateEdit: 5, allowedSymbolTypes: 4}]")
        << "m:MenuButton,c:ComboBox,s:SymbolEdit,i:InsertSymbolButton"
        << "QToolButton,QComboBox,SymbolEditControl,QToolButton,spacer"
        << QStringList{"header: can't attach action, action 3 is not defined"};
    QTest::newRow("unknown-icons")
        << QByteArray("[{id: \"b\", type: \"Button\", icon: \"nosuch\"},"
                      " {id: \"c\", type: \"ComboBox\", options: [\"A|missing\", \"B|star\", \"C|\"]}]")
        << "b:Button,c:ComboBox" << "QToolButton,QComboBox,spacer"
        << QStringList{"header: can't find icon, icon 'nosuch' is not defined",
                       "header: can't find icon, icon 'missing' is not defined"};
    QStringList manyIds;
    QStringList manyWidgets;
    for (int i = 0; i < 200; ++i) {
        manyIds.append(QStringLiteral("b%1:Button").arg(i));
        manyWidgets.append(QStringLiteral("QToolButton"));
    }
    QTest::newRow("200-controls") << manyButtons(200) << manyIds.join(QLatin1Char(','))
                                  << manyWidgets.join(QLatin1Char(',')) + ",spacer,QComboBox[0]"
                                  << none;
}

void tst_ScriptHeader::factory()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, controls);
    QFETCH(QString, layout);
    QFETCH(QStringList, output);

    LogCapture capture;
    const OpenDocument open = m_fixture->open(header);
    QCOMPARE(PluginFixture::takeOutput(), output);
    QCOMPARE(capture.texts("Assert"), QStringList());
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.header.controls.map(function (c) {"
                                      " return c.objectName + ':' + c.type; }).join()")).toString(),
             controls);
    QWidget *row = open.script->scriptHeader()->widget();
    QCOMPARE(open.document->documentHeader(), row);
    QCOMPARE(layoutOf(row), layout);
}

void tst_ScriptHeader::comboBox_data()
{
    QTest::addColumn<QByteArray>("entry");      // members of the combo box's entry
    QTest::addColumn<QString>("script");        // run with "c" as the control
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("items");
    QTest::addColumn<int>("minWidth");          // -1: the box's own minimum
    QTest::addColumn<QStringList>("output");

    QWidget device;
    const int ninePoints = HostApi::pointsToPixels(device, 9);
    const QStringList none;
    QTest::newRow("minwidth-number") << QByteArray("minwidth: 120") << "" << "" << "" << 120 << none;
    QTest::newRow("minwidth-px") << QByteArray("minwidth: \"120px\"") << "" << "" << "" << 120 << none;
    QTest::newRow("minwidth-PX-spaced") << QByteArray("minwidth: \"  120  PX \"") << "" << "" << ""
                                        << 120 << none;
    QTest::newRow("minwidth-pt") << QByteArray("minwidth: \"9pt\"") << "" << "" << ""
                                 << ninePoints << none;
    QTest::newRow("minwidth-not-a-number")
        << QByteArray("minwidth: \"abc\"") << "" << "" << "" << -1
        << QStringList{"header: wrong parameter, 'minwidth' is not a size: abc"};
    QTest::newRow("minwidth-negative")
        << QByteArray("minwidth: -5") << "" << "" << "" << -1
        << QStringList{"header: wrong parameter, 'minwidth' is not a size: -5"};
    QTest::newRow("minwidth-empty") << QByteArray("minwidth: \" \"") << "" << "" << "" << -1 << none;
    QTest::newRow("option-forms")
        << QByteArray("options: [\"-\", \"Label|star\", \"plain\", \"a|star|more\", \"|star\", \"x|\"]")
        << "c.options.join(';')" << "-;Label|star;plain;a|star|more;|star;x|"
        << "-,Label+icon,plain,a+icon,+icon,x" << -1 << none;
    QTest::newRow("value-selects-exact-item")
        << QByteArray("options: [\"a\", \"b\"]") << "c.value = 'b'; c.value" << "b" << "a,b" << -1
        << none;
    QTest::newRow("value-missing-item-selects-none")
        << QByteArray("options: [\"a\", \"b\"]") << "c.value = 'B'; c.value" << "" << "a,b" << -1
        << none;
    QTest::newRow("editable-takes-any-text")
        << QByteArray("editable: true, options: [\"a\"]") << "c.value = 'free'; c.value" << "free"
        << "a" << -1 << none;
    QTest::newRow("options-written")
        << QByteArray("options: [\"a\"]") << "c.options = ['x', '-', 'y|star']; c.value" << "x"
        << "x,-,y+icon" << -1 << none;
    QTest::newRow("delete-refused")
        << QByteArray("options: [\"a\"]") << "c.deleteLater(); _quorvex_bridge.header.deleteLater(); 'asked'"
        << "asked" << "a" << -1
        << QStringList{"bridge: failed to delete object, 'c' belongs to the document",
                       "bridge: failed to delete object, 'header' belongs to the document"};
}

void tst_ScriptHeader::comboBox()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, script);
    QFETCH(QString, result);
    QFETCH(QString, items);
    QFETCH(int, minWidth);
    QFETCH(QStringList, output);

    const OpenDocument open = m_fixture->open("[{id: \"c\", type: \"ComboBox\", " + entry + "}]");
    auto *box = qobject_cast<QComboBox *>(controlWidget(open, 0));
    QVERIFY(box);
    if (!script.isEmpty()) {
        QCOMPARE(open.eval(QStringLiteral("var c = _quorvex_bridge.header.controls[0]; ") + script)
                     .toString(),
                 result);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(open.script->scriptHeader() && controlWidget(open, 0) == box);
    QCOMPARE(itemsOf(box), items);
    QCOMPARE(box->minimumWidth(), minWidth < 0 ? QComboBox().minimumWidth() : minWidth);
    QCOMPARE(PluginFixture::takeOutput(), output);
}

void tst_ScriptHeader::button_data()
{
    QTest::addColumn<QByteArray>("entry");      // members of the button's entry, besides the id "b"
    QTest::addColumn<QString>("script");        // run with "b" as the control
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("defaultAction"); // the document action the button shows
    QTest::addColumn<QString>("menu");          // entries; "none" without a menu
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    const QString noMenu = QStringLiteral("none");
    QTest::newRow("name-falls-back-to-id")
        << QByteArray("type: \"Button\"") << "b.value + ',' + b.type" << "false,Button" << ""
        << noMenu << none;
    QTest::newRow("toggle-value-true")
        << QByteArray("type: \"ToggleButton\", value: true") << "b.value" << "true" << ""
        << noMenu << none;
    QTest::newRow("action-over-value")
        << QByteArray("type: \"ToggleButton\", action: \"undo\", value: true") << "b.value"
        << "false" << "undo" << noMenu << none;
    QTest::newRow("manifest-action")
        << QByteArray("type: \"Button\", action: \"zoom\"") << "b.value" << "false" << "zoom"
        << noMenu << none;
    QTest::newRow("unknown-action-ignores-value")
        << QByteArray("type: \"ToggleButton\", action: \"nosuch\", value: true") << "b.value"
        << "false" << "" << noMenu
        << QStringList{"header: can't attach action, action nosuch is not defined"};
    QTest::newRow("menu-button")
        << QByteArray("type: \"MenuButton\", actions: [\"undo\", \"-\", \"nosuch\", \"zoom\"]")
        << "b.action.join()" << "undo,-,nosuch,zoom" << "" << "undo,-,zoom"
        << QStringList{"bridge: error building menu, action nosuch is not defined"};
    QTest::newRow("menu-action-written")
        << QByteArray("type: \"MenuButton\", actions: [\"undo\"]")
        << "b.action = ['redo', '-']; b.action.join()" << "redo,-" << "" << "redo,-" << none;
    QTest::newRow("plain-button-action-written")
        << QByteArray("type: \"Button\"") << "b.action = ['redo', 'nosuch']; b.action.join()"
        << "redo,nosuch" << "" << noMenu << none;
}

void tst_ScriptHeader::button()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, script);
    QFETCH(QString, result);
    QFETCH(QString, defaultAction);
    QFETCH(QString, menu);
    QFETCH(QStringList, output);

    const OpenDocument open = m_fixture->open("[{id: \"b\", " + entry + "}]");
    auto *button = qobject_cast<QToolButton *>(controlWidget(open, 0));
    QVERIFY(button);
    QCOMPARE(open.eval(QStringLiteral("var b = _quorvex_bridge.header.controls[0]; ") + script)
                 .toString(),
             result);

    if (defaultAction.isEmpty()) {
        QVERIFY(!button->defaultAction());
        QCOMPARE(button->text(), QStringLiteral("b"));
    } else {
        const ScriptDocument::ActionEntry *action = open.script->findAction(defaultAction);
        QVERIFY(action && action->hotkey);
        QCOMPARE(button->defaultAction(), static_cast<QAction *>(action->hotkey));
    }
    QCOMPARE(button->menu() ? entriesOf(button->menu()) : QStringLiteral("none"), menu);
    QCOMPARE(PluginFixture::takeOutput(), output);
}

void tst_ScriptHeader::symbolEdit_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("script");        // run with "s" as the first control
    QTest::addColumn<QString>("typed");         // typed into the first control, then Enter
    QTest::addColumn<int>("valueChanged");      // of the first control
    QTest::addColumn<QString>("tradingSymbol");

    const QByteArray one = "[{id: \"s\", type: \"SymbolEdit\", value: \"ES\"}]";
    QTest::newRow("equal-value-no-signal") << one << "s.value = 'ES'" << "" << 0 << "";
    QTest::newRow("new-value-signals-once") << one << "s.value = 'NQ'; s.value = 'NQ'" << "" << 1
                                            << "NQ";
    QTest::newRow("back-to-first-value") << one << "s.value = 'NQ'; s.value = 'ES'" << "" << 2
                                         << "ES";
    QTest::newRow("user-edit") << one << "" << "CL" << 1 << "CL";
    QTest::newRow("user-edit-same-symbol") << one << "" << "ES" << 0 << "";
    QTest::newRow("second-edit-not-followed")
        << QByteArray("[{id: \"s\", type: \"SymbolEdit\"}, {id: \"t\", type: \"SymbolEdit\"}]")
        << "_quorvex_bridge.header.controls[1].value = 'GC'" << "" << 0 << "";
}

void tst_ScriptHeader::symbolEdit()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, script);
    QFETCH(QString, typed);
    QFETCH(int, valueChanged);
    QFETCH(QString, tradingSymbol);

    const OpenDocument open = m_fixture->open(header);
    ScriptSymbolEdit *edit = open.script->scriptHeader()->symbolEdit();
    QVERIFY(edit);
    QSignalSpy changed(edit, &ScriptSymbolEdit::valueChanged);
    open.eval(QStringLiteral("var s = _quorvex_bridge.header.controls[0]; ") + script);
    if (!typed.isEmpty()) {
        QLineEdit *line = edit->control()->lineEdit();
        line->selectAll();
        QTest::keyClicks(line, typed);
        QTest::keyClick(line, Qt::Key_Return);
    }
    QCOMPARE(changed.count(), valueChanged);
    QCOMPARE(open.script->widget()->tradingConnectorSymbol(), tradingSymbol.toUtf8());

    SymbolEditControl *control = edit->control();
    const int width = HostApi::pointsToPixels(*control, 85.5);
    QCOMPARE(control->minimumWidth(), width);
    QCOMPARE(control->maximumWidth(), width);
    QVERIFY(open.document->findChild<HostApi::DocumentCaptionBarAutoShowController *>());
}

QTEST_MAIN(tst_ScriptHeader)

#include "tst_scriptheader.moc"

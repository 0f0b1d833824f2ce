// The header row built from the manifest's "header": which controls are made and how the row
// is laid out, then each control's parameters and script interface as a real page uses it, and
// the insert-symbol button's dialog driven as the user and the page drive it, with the data
// requests answered by the test backend.
#include "documentfixture.h"
#include "testsupport.h"

#include <bundle/standardbundle.h>
#include <document/scriptdocument.h>
#include <document/scriptheader.h>
#include <document/scriptinsertsymbolbutton.h>
#include <document/scriptsymboledit.h>
#include <document/scriptwidget.h>
#include <plugin/pluginkey.h>
#include <plugin/scriptplugin.h>
#include <plugin/scriptpluginspec.h>

#include <application.h>
#include <dialog.h>
#include <document.h>
#include <documentcaptionbarautoshowcontroller.h>
#include <hotkeyaction.h>
#include <symboleditcontrol.h>
#include <widgethelpers.h>

#include <chainrequest.h>
#include <chainresponse.h>
#include <errorresponse.h>
#include <requester.h>
#include <rerequestresponse.h>
#include <symbolrecord.h>
#include <symbolrequest.h>
#include <symbolresponse.h>
#include <testbackend.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <functional>

namespace {

const QByteArray insertHeader = "[{id: \"curve\", type: \"InsertSymbolButton\", button: {id: \"add\", name: \"Add\"},"
                                " symbolEdit: {focusOnKeyPress: false}}]";

const QString failed = QStringLiteral("Failed to resolve symbol \"ESZ4\"");
const QString historical = QStringLiteral("Historical symbols cannot be requested with specific date");
const QString unsuitable = QStringLiteral(
    "This symbol type is not suitable for this window. Please enter either Futures, Forex or Bond symbol");
const QString notAllowed = QStringLiteral("Cannot insert symbol with different type than main symbol");
const QString resolving = QStringLiteral("Resolving symbol...");

const QString pluginId = QStringLiteral("hdr");

// A record of "ESZ4" from "<type>[/<sub-type>]".
Common::SymbolRecord record(const QString &typeAndSubType)
{
    const QStringList parts = typeAndSubType.split(QLatin1Char('/'));
    Common::SymbolRecord result;
    result.setValue(Common::SymbolRecord::Symbol, Common::RecordData::fromByteString("ESZ4"));
    result.setValue(Common::SymbolRecord::SymbolType, Common::RecordData::fromInt32(parts.at(0).toInt()));
    if (parts.size() > 1)
        result.setValue(Common::SymbolRecord::SubType, Common::RecordData::fromInt32(parts.at(1).toInt()));
    return result;
}


// The row's layout items: widget class names ("[0]" for a widget of fixed width 0) and "spacer".
QString layoutOf(const QWidget *row)
{
    QStringList items;
    for (int i = 0; i < row->layout()->count(); ++i) {
        QLayoutItem *item = row->layout()->itemAt(i);
        if (item->spacerItem())
            items.append(QStringLiteral("spacer"));
        else if (const QWidget *widget = item->widget())
            items.append(widget->metaObject()->className() + QString(widget->maximumWidth() == 0 ? "[0]" : ""));
    }
    return items.join(QLatin1Char(','));
}

// A control's widget as text. A combo box: its items ("-" for a separator, "+icon" after an
// item with one), then " min:<width>" when the minimum width is not the box's own. A button:
// the object name of the document action it shows, or its text, then " menu:" and the object
// names of its menu's entries ("-" for a separator).
QString describe(const OpenDocument &open, QWidget *widget)
{
    QStringList parts;
    if (auto *box = qobject_cast<QComboBox *>(widget)) {
        for (int i = 0; i < box->count(); ++i) {
            const bool separator = box->itemData(i, Qt::AccessibleDescriptionRole).toString() == QLatin1String("separator");
            parts << (separator ? QStringLiteral("-") : box->itemText(i) + (box->itemIcon(i).isNull() ? "" : "+icon"));
        }
        const QString items = parts.join(QLatin1Char(','));
        return box->minimumWidth() == QComboBox().minimumWidth() ? items
                                                                 : items + QStringLiteral(" min:%1").arg(box->minimumWidth());
    }
    auto *button = qobject_cast<QToolButton *>(widget);
    if (!button)
        return QStringLiteral("no widget");
    QString text = button->text();
    if (QAction *action = button->defaultAction()) {
        const ScriptDocument::ActionEntry *entry = open.script->findAction(action->objectName());
        text = entry && static_cast<QAction *>(entry->hotkey) == action ? action->objectName() : QStringLiteral("foreign");
    }
    if (button->menu()) {
        for (const QAction *action : button->menu()->actions())
            parts << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
        text += QStringLiteral(" menu:") + parts.join(QLatin1Char(','));
    }
    return text;
}

} // namespace

class tst_ScriptHeader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void factory_data();
    void factory();
    void control_data();
    void control();
    void symbolEdit_data();
    void symbolEdit();
    void dialog_data();
    void dialog();
    void documentClosedWithDialogOpen();

private:
    OpenDocument openHeader(const QByteArray &header);
    void open();
    void run(const QString &steps);
    // The latest running requester of request type R.
    template <typename R>
    FeedApi::Requester *running() const;
    QString requests() const;
    QString status() const;

    PluginFixture m_plugins;
    QTemporaryDir m_manifests;
    std::unique_ptr<FeedApi::TestBackend> m_backend;
    OpenDocument m_open;
    QPointer<ScriptInsertSymbolButton> m_button;
    QStringList m_signals;
    Document m_otherDocument{QByteArray("other")};
    QWidget m_otherWindow;
};

// One plug-in ("hdr": an icon "star", an action "zoom"); each document gets its own header.
void tst_ScriptHeader::initTestCase()
{
    m_plugins.addBundle(pluginId, {
        {QStringLiteral("plugin.spec"), manifest(pluginId, "icons: { star: \"star.png\" }, actions: { zoom: { name: \"Zoom\","
                                                           " hotkeys: \"Ctrl+Shift+Z\" } },")},
        {QStringLiteral("star.png"), png(Qt::yellow)},
        {QStringLiteral("index.html"), page()}});
    m_plugins.start();
}

// A document of the plug-in whose header is read from header (JSON text) by the manifest reader.
OpenDocument tst_ScriptHeader::openHeader(const QByteArray &header)
{
    writeFiles(m_manifests.path(), {{QStringLiteral("plugin.spec"), manifest(pluginId, "header: " + header + ",")}});
    StandardBundle bundle(m_manifests.path());
    const QByteArray templateId = pluginKey(pluginId);
    ScriptPluginSpec spec = m_plugins.plugin()->catalogue().value(templateId);
    spec.header = ScriptPluginSpec::read(&bundle, QStringLiteral("plugin.spec"), QString(), QString(), nullptr).header;
    OpenDocument opened;
    opened.document.reset(new Document(templateId));
    opened.script = new ScriptDocument(m_plugins.plugin(), opened.document.get(), spec);
    opened.waitForLoad();
    return opened;
}

void tst_ScriptHeader::init()
{
    m_backend.reset(new FeedApi::TestBackend);
    m_signals.clear();
    PluginFixture::takeOutput();
}

void tst_ScriptHeader::cleanup()
{
    QApplication::setActiveWindow(nullptr);
    Application::instance()->setActiveDocument(nullptr);
    m_open = OpenDocument();
    m_backend.reset();
}

void tst_ScriptHeader::factory_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("controls");   // id:type, as the page reads them
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    const QString emptyId = QStringLiteral("header: can't create control, empty id");
    QTest::newRow("every-type")
        << QByteArray("[{id: \"s\", type: \"SymbolEdit\"}, {id: \"c\", type: \"ComboBox\"}, {id: \"b\", type: \"Button\"},"
                      " {id: \"t\", type: \"ToggleButton\"}, {id: \"m\", type: \"MenuButton\"}, {id: \"i\", type: \"InsertSymbolButton\"}]")
        << "s:SymbolEdit,c:ComboBox,b:Button,t:ToggleButton,m:MenuButton,i:InsertSymbolButton"
        << "SymbolEditControl,QComboBox,QToolButton,QToolButton,QToolButton,QToolButton,spacer" << none;
    QTest::newRow("buttons-only-get-zero-width-box") << QByteArray("[{id: \"b\", type: \"Button\"}]") << "b:Button"
                                                     << "QToolButton,spacer,QComboBox[0]" << none;
    QTest::newRow("empty-header") << QByteArray("[]") << "" << "spacer,QComboBox[0]" << none;
    QTest::newRow("empty-id")
        << QByteArray("[{type: \"Button\"}, {id: \"\", type: \"Button\"}, {id: 5, type: \"Button\"}, {id: \"ok\", type: \"Button\"}]")
        << "ok:Button" << "QToolButton,spacer,QComboBox[0]" << QStringList{emptyId, emptyId, emptyId};
    QTest::newRow("unknown-type")
        << QByteArray("[{id: \"x\", type: \"Slider\"}, {id: \"y\", type: \"button\"}, {id: \"z\"}]") << "" << "spacer,QComboBox[0]"
        << QStringList{"header: can't create control, unknown control type 'Slider'",
                       "header: can't create control, unknown control type 'button'",
                       "header: can't create control, unknown control type ''"};
    QTest::newRow("wrong-typed-parameters")
        << QByteArray("[{id: \"m\", type: \"MenuButton\", name: 5, icon: [1], tooltip: {}, actions: \"undo\", value: [], action: 3},"
                      " {id: \"c\", type: \"ComboBox\", options: 7, editable: \"yes\", minwidth: {}},"
                      " {id: \"s\", type: \"SymbolEdit\", value: 12, focusOnKeyPress: \"no\", useSymbolBuilder: [1], minwidth: null},"
                      " {id: \"i\", type: \"InsertSymbolButton\", button: \"x\", symbolEdit: 3, dialog: [], dateEdit: 5,"
                      " allowedSymbolTypes: 4}]")
        << "m:MenuButton,c:ComboBox,s:SymbolEdit,i:InsertSymbolButton" << "QToolButton,QComboBox,SymbolEditControl,QToolButton,spacer"
        << QStringList{"header: can't attach action, action 3 is not defined"};
    QTest::newRow("unknown-icons") << QByteArray("[{id: \"b\", type: \"Button\", icon: \"nosuch\"},"
                      " {id: \"c\", type: \"ComboBox\", options: [\"A|missing\", \"B|star\", \"C|\"]}]")
        << "b:Button,c:ComboBox" << "QToolButton,QComboBox,spacer"
        << QStringList{"header: can't find icon, icon 'nosuch' is not defined",
                       "header: can't find icon, icon 'missing' is not defined"};
    QByteArrayList entries;
    QStringList ids;
    for (int i = 0; i < 200; ++i) {
        entries.append("{id: \"b" + QByteArray::number(i) + "\", type: \"Button\"}");
        ids.append(QStringLiteral("b%1:Button").arg(i));
    }
    QTest::newRow("200-controls") << '[' + entries.join(", ") + ']' << ids.join(QLatin1Char(','))
                                  << QStringLiteral("QToolButton,").repeated(200) + "spacer,QComboBox[0]" << none;
}

void tst_ScriptHeader::factory()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, controls);
    QFETCH(QString, layout);
    QFETCH(QStringList, output);

    LogCapture capture;
    const OpenDocument open = openHeader(header);
    QCOMPARE(PluginFixture::takeOutput(), output);
    QCOMPARE(capture.texts("Assert"), QStringList());
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.header.controls.map(function (c) {"
                                      " return c.objectName + ':' + c.type; }).join()")).toString(), controls);
    QWidget *row = open.script->scriptHeader()->widget();
    QCOMPARE(open.document->documentHeader(), row);
    QCOMPARE(layoutOf(row), layout);
}

void tst_ScriptHeader::control_data()
{
    QTest::addColumn<QByteArray>("entry");   // the control's entry, besides its id "c"
    QTest::addColumn<QString>("script");     // run with "c" as the control
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("widget");     // as describe() gives it
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    const QByteArray box = "type: \"ComboBox\", ";
    const QByteArray a = box + "options: [\"a\"]";
    const QByteArray ab = box + "options: [\"a\", \"b\"]";
    const QString notASize = QStringLiteral("header: wrong parameter, 'minwidth' is not a size: ");
    QWidget device;
    const QString ninePoints = QStringLiteral(" min:%1").arg(HostApi::pointsToPixels(device, 9));
    QTest::newRow("minwidth-number") << box + "minwidth: 120" << "" << "" << " min:120" << none;
    QTest::newRow("minwidth-px") << box + "minwidth: \"120px\"" << "" << "" << " min:120" << none;
    QTest::newRow("minwidth-PX-spaced") << box + "minwidth: \"  120  PX \"" << "" << "" << " min:120" << none;
    QTest::newRow("minwidth-pt") << box + "minwidth: \"9pt\"" << "" << "" << ninePoints << none;
    QTest::newRow("minwidth-not-a-number") << box + "minwidth: \"abc\"" << "" << "" << "" << QStringList{notASize + "abc"};
    QTest::newRow("minwidth-negative") << box + "minwidth: -5" << "" << "" << "" << QStringList{notASize + "-5"};
    QTest::newRow("minwidth-empty") << box + "minwidth: \" \"" << "" << "" << "" << none;
    QTest::newRow("option-forms") << box + "options: [\"-\", \"Label|star\", \"plain\", \"a|star|more\", \"|star\", \"x|\"]"
                                  << "c.options.join(';')" << "-;Label|star;plain;a|star|more;|star;x|"
                                  << "-,Label+icon,plain,a+icon,+icon,x" << none;
    QTest::newRow("value-selects-exact-item") << ab << "c.value = 'b'; c.value" << "b" << "a,b" << none;
    QTest::newRow("value-missing-item-selects-none") << ab << "c.value = 'B'; c.value" << "" << "a,b" << none;
    QTest::newRow("editable-takes-any-text") << box + "editable: true, options: [\"a\"]" << "c.value = 'free'; c.value" << "free"
                                             << "a" << none;
    QTest::newRow("options-written") << a << "c.options = ['x', '-', 'y|star']; c.value" << "x" << "x,-,y+icon" << none;
    QTest::newRow("delete-refused") << a << "c.deleteLater(); _quorvex_bridge.header.deleteLater(); 'asked'" << "asked" << "a"
                                    << QStringList{"bridge: failed to delete object, 'c' belongs to the document",
                                                   "bridge: failed to delete object, 'header' belongs to the document"};

    // The insert-symbol dialog's title and date, the date as the page reads it.
    const QByteArray insert = "type: \"InsertSymbolButton\", ";
    const QString dialog = QStringLiteral("var d = c.date; c.dialogTitle + ' ' + [d.getFullYear(), d.getMonth() + 1, d.getDate()].join('-')");
    const QString today = QStringLiteral("Insert Curve ") + QDate::currentDate().toString(QStringLiteral("yyyy-M-d"));
    QTest::newRow("dialog-defaults") << insert + "button: {}" << dialog << today << "" << none;
    QTest::newRow("dialog-title-and-date") << insert + "dialog: {title: \"Pick\"}, dateEdit: {value: \"02.03.2021\"}" << dialog
                                           << "Pick 2021-3-2" << "" << none;
    QTest::newRow("dialog-date-in-another-format") << insert + "dateEdit: {value: \"2021-03-02\"}" << dialog << today << ""
        << QStringList{"header: wrong parameter, 'dateEdit' value is not a date: 2021-03-02"};
    QTest::newRow("allowed-unknown-names-left-out") << insert + "allowedSymbolTypes: [\"Nonsense\", \"futures\", \"'Bond'\"]"
        << dialog << today << "" << QStringList{"header: wrong parameter, 'Nonsense' is not a symbol type",
                                                 "header: wrong parameter, 'futures' is not a symbol type"};

    QTest::newRow("name-falls-back-to-id") << QByteArray("type: \"Button\"") << "c.value + ',' + c.type" << "false,Button" << "c"
                                           << none;
    QTest::newRow("toggle-value-true") << QByteArray("type: \"ToggleButton\", value: true") << "c.value" << "true" << "c" << none;
    QTest::newRow("action-over-value") << QByteArray("type: \"ToggleButton\", action: \"undo\", value: true") << "c.value"
                                       << "false" << "undo" << none;
    QTest::newRow("manifest-action") << QByteArray("type: \"Button\", action: \"zoom\"") << "c.value" << "false" << "zoom" << none;
    QTest::newRow("unknown-action-ignores-value") << QByteArray("type: \"ToggleButton\", action: \"nosuch\", value: true")
        << "c.value" << "false" << "c" << QStringList{"header: can't attach action, action nosuch is not defined"};
    QTest::newRow("menu-button") << QByteArray("type: \"MenuButton\", actions: [\"undo\", \"-\", \"nosuch\", \"zoom\"]")
                                 << "c.action.join()" << "undo,-,nosuch,zoom" << "c menu:undo,-,zoom"
                                 << QStringList{"bridge: error building menu, action nosuch is not defined"};
    QTest::newRow("menu-action-written") << QByteArray("type: \"MenuButton\", actions: [\"undo\"]")
                                         << "c.action = ['redo', '-']; c.action.join()" << "redo,-" << "c menu:redo,-" << none;
    QTest::newRow("plain-button-action-written") << QByteArray("type: \"Button\"")
                                                 << "c.action = ['redo', 'nosuch']; c.action.join()" << "redo,nosuch" << "c" << none;
}

void tst_ScriptHeader::control()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, script);
    QFETCH(QString, result);
    QFETCH(QString, widget);
    QFETCH(QStringList, output);

    const OpenDocument open = openHeader("[{id: \"c\", " + entry + "}]");
    const auto controlWidget = [&open] {
        return static_cast<ScriptControl *>(open.script->scriptHeader()->controls().value(0))->widget();
    };
    QWidget *made = controlWidget();
    QCOMPARE(open.eval(QStringLiteral("var c = _quorvex_bridge.header.controls[0]; ") + script).toString(), result);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(open.script->scriptHeader() && controlWidget() == made);
    QCOMPARE(describe(open, made), widget);
    QCOMPARE(PluginFixture::takeOutput(), output);
}

void tst_ScriptHeader::symbolEdit_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("script");     // run with "s" as the first control
    QTest::addColumn<QString>("typed");      // typed into the first control, then Enter
    QTest::addColumn<int>("valueChanged");   // of the first control
    QTest::addColumn<QString>("tradingSymbol");

    const QByteArray one = "[{id: \"s\", type: \"SymbolEdit\", value: \"ES\"}]";
    QTest::newRow("equal-value-no-signal") << one << "s.value = 'ES'" << "" << 0 << "";
    QTest::newRow("new-value-signals-once") << one << "s.value = 'NQ'; s.value = 'NQ'" << "" << 1 << "NQ";
    QTest::newRow("back-to-first-value") << one << "s.value = 'NQ'; s.value = 'ES'" << "" << 2 << "ES";
    QTest::newRow("user-edit") << one << "" << "CL" << 1 << "CL";
    QTest::newRow("user-edit-same-symbol") << one << "" << "ES" << 0 << "";
    QTest::newRow("second-edit-not-followed") << QByteArray("[{id: \"s\", type: \"SymbolEdit\"}, {id: \"t\", type: \"SymbolEdit\"}]")
                                              << "_quorvex_bridge.header.controls[1].value = 'GC'" << "" << 0 << "";
}

void tst_ScriptHeader::symbolEdit()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, script);
    QFETCH(QString, typed);
    QFETCH(int, valueChanged);
    QFETCH(QString, tradingSymbol);

    const OpenDocument open = openHeader(header);
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
    const int width = HostApi::pointsToPixels(*edit->control(), 85.5);
    QCOMPARE(edit->control()->minimumWidth(), width);
    QCOMPARE(edit->control()->maximumWidth(), width);
    QVERIFY(open.document->findChild<HostApi::DocumentCaptionBarAutoShowController *>());
}

void tst_ScriptHeader::open()
{
    m_open = openHeader(insertHeader);
    QVERIFY(m_open.script);
    m_button = qobject_cast<ScriptInsertSymbolButton *>(m_open.script->scriptHeader()->controls().value(0));
    QVERIFY(m_button);
    connect(m_button, &ScriptInsertSymbolButton::symbolAccepted, this, [this] { m_signals << "accepted"; });
    connect(m_button, &ScriptInsertSymbolButton::symbolRejected, this, [this] { m_signals << "rejected"; });
}

// Steps, '|'-separated, each "<name>[:<argument>]"; see the table.
void tst_ScriptHeader::run(const QString &steps)
{
    SymbolEditControl *edit = m_button->dialog()->findChild<SymbolEditControl *>();
    const auto click = [this](const char *name) {
        m_button->dialog()->findChild<QPushButton *>(QLatin1String(name))->click();
    };
    const auto activate = [this](Document *doc) {
        m_otherWindow.show();
        QApplication::setActiveWindow(&m_otherWindow);
        Application::instance()->setActiveDocument(doc);
    };
    // Answers go to the latest running request of their type.
    const auto answer = [this](FeedApi::Requester *requester, const auto &response) {
        QVERIFY(requester && m_backend->respond(requester, response));
    };
    const FeedApi::ErrorResponse error(FeedApi::ErrorResponse::UnknownSymbol, FeedApi::ErrorResponse::RequestError,
                                       QStringLiteral("test"));
    const QHash<QString, std::function<void(const QString &)>> table{
        {"show", [&](const QString &) { Application::instance()->setActiveDocument(m_open.document.get()); m_button->showDialog(); }},
        {"date", [&](const QString &days) { m_button->setDate(QDate::currentDate().addDays(days.toInt())); }},
        {"allowed", [&](const QString &names) { m_button->setAllowedSymbolTypes(names.split(QLatin1Char(';'))); }},
        {"type", [&](const QString &text) { edit->setSymbol(text.toUtf8()); }},
        {"ok", [&](const QString &) { click("okButton"); }},
        {"cancel", [&](const QString &) { click("cancelButton"); }},
        {"enter", [&](const QString &) { emit edit->editDone(edit->symbol(), SymbolEditControl::ReasonEnter); }},
        {"completion", [&](const QString &) { emit edit->editDone(edit->symbol(), SymbolEditControl::ReasonCompletion); }},
        {"editCancelled", [&](const QString &) { emit edit->editCancelled(); }},
        {"close", [&](const QString &) { m_button->closeDialog(); }},
        {"hide", [&](const QString &) { m_button->dialog()->hide(); }},
        {"error", [&](const QString &text) { m_button->setError(text); }},
        {"activateOther", [&](const QString &) { activate(&m_otherDocument); }},
        {"activateSame", [&](const QString &) { activate(m_open.document.get()); }},
        // "symbol:<type>[/<sub-type>]", "chain:<members, ','-separated>"
        {"symbol", [&](const QString &type) { answer(running<FeedApi::SymbolRequest>(), FeedApi::SymbolResponse(record(type))); }},
        {"chain", [&](const QString &members) {
             answer(running<FeedApi::ChainRequest>(),
                    FeedApi::ChainResponse(members.isEmpty() ? QList<QByteArray>() : members.toUtf8().split(',')));
         }},
        {"symbolError", [&](const QString &) { answer(running<FeedApi::SymbolRequest>(), error); }},
        {"chainError", [&](const QString &) { answer(running<FeedApi::ChainRequest>(), error); }},
        {"rerequest", [&](const QString &) { answer(running<FeedApi::Request>(), FeedApi::RerequestResponse()); }}};
    for (const QString &step : steps.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const auto found = table.constFind(step.section(QLatin1Char(':'), 0, 0));
        QVERIFY2(found != table.constEnd(), qPrintable(step));
        (*found)(step.section(QLatin1Char(':'), 1));
        QCoreApplication::sendPostedEvents();
    }
}

template <typename R>
FeedApi::Requester *tst_ScriptHeader::running() const
{
    const QList<FeedApi::Requester *> requesters = m_backend->running();
    for (auto it = requesters.crbegin(); it != requesters.crend(); ++it) {
        if ((*it)->requestAs<R>())
            return *it;
    }
    return nullptr;
}

// Every request started, blank-separated: the symbol of a lookup, "chain@<date>" of a chain
// request (the date as days from today, or "zero"; "+outright" when spreads are left out), with
// "*" while it runs.
QString tst_ScriptHeader::requests() const
{
    QStringList result;
    for (const FeedApi::TestBackend::Record &started : m_backend->records()) {
        QString text;
        if (const auto *lookup = dynamic_cast<const FeedApi::SymbolRequest *>(started.request.get())) {
            text = QString::fromUtf8(lookup->symbol());
        } else if (const auto *chain = dynamic_cast<const FeedApi::ChainRequest *>(started.request.get())) {
            const QDate date = chain->date().toQDate();
            text = QStringLiteral("chain@") + (chain->date().isNull() ? QStringLiteral("zero")
                                                                      : QString::number(QDate::currentDate().daysTo(date)))
                + (chain->isOutright() ? "+outright" : "");
        }
        result.append(text + (started.ended ? "" : "*"));
    }
    return result.join(QLatin1Char(' '));
}

// The status strip's text while the dialog shows it; empty otherwise.
QString tst_ScriptHeader::status() const
{
    const auto *label = m_button->dialog()->findChild<QLabel *>(QStringLiteral("statusLabel"));
    return label->isVisible() ? label->text() : QString();
}

void tst_ScriptHeader::dialog_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("requests");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("emitted");   // the button's signals, ','-separated
    QTest::addColumn<bool>("visible");

    const QString ok = QStringLiteral("show|type:ESZ4|ok|");
    const QString lookup = QStringLiteral("ESZ4");
    const QString chained = QStringLiteral("ESZ4 chain@0");
    const QString forex = "allowed:Futures;'Forex'|" + ok;
    // The checks of the resolved symbol, in order, and the chain that accepts it.
    QTest::newRow("futures-today") << ok + "symbol:3|chain:ESH5,ESM5" << chained << "" << "accepted" << false;
    QTest::newRow("futures-with-date") << ok + "date:-30|symbol:3|chain:ESH5" << "ESZ4 chain@-30" << "" << "accepted" << false;
    QTest::newRow("bond") << ok + "symbol:1|chain:A" << chained << "" << "accepted" << false;
    QTest::newRow("forward") << ok + "symbol:6|chain:A" << chained << "" << "accepted" << false;
    QTest::newRow("historical-with-date") << ok + "date:-1|symbol:27/3" << lookup << historical << "" << true;
    QTest::newRow("historical-with-date-before-type") << ok + "date:-1|symbol:28/14" << lookup << historical << "" << true;
    QTest::newRow("historical-today") << ok + "symbol:28/3|chain:A" << "ESZ4 chain@zero" << "" << "accepted" << false;
    QTest::newRow("historical-without-sub-type") << ok + "symbol:27" << lookup << unsuitable << "" << true;
    QTest::newRow("type-outside-the-table") << ok + "symbol:99" << lookup << unsuitable << "" << true;
    QTest::newRow("spread-with-date") << ok + "date:-1|symbol:17/3" << lookup
                                      << "User defined spreads cannot be requested with specific date" << "" << true;
    QTest::newRow("spread-invalid-sub-type-with-date") << ok + "date:-1|symbol:17" << lookup << unsuitable << "" << true;
    QTest::newRow("spread-today") << ok + "symbol:17/2|chain:A" << chained << "" << "accepted" << false;
    QTest::newRow("allowed-quotes-stripped-bond-refused") << forex + "symbol:1" << lookup << notAllowed << "" << true;
    QTest::newRow("allowed-quoted-forex") << forex + "symbol:2|chain:A" << chained << "" << "accepted" << false;
    QTest::newRow("allowed-by-sub-type") << "allowed:Futures|" + ok + "symbol:17/3|chain:A" << chained << "" << "accepted" << false;
    QTest::newRow("allowed-spread-by-sub-type") << "allowed:UserDefinedSpread|" + ok + "symbol:17/3" << lookup << notAllowed << "" << true;
    QTest::newRow("empty-chain") << ok + "symbol:3|chain:" << chained << "Cannot build curve with given parameters" << "" << true;
    QTest::newRow("symbol-error") << ok + "symbolError" << lookup << failed << "" << true;
    QTest::newRow("chain-error") << ok + "symbol:3|chainError" << chained << failed << "" << true;

    // Confirming.
    QTest::newRow("resolving") << ok << "ESZ4*" << resolving << "" << true;
    QTest::newRow("empty-symbol") << "show|type:|ok" << "" << "" << "" << true;
    QTest::newRow("blank-symbol") << "show|type:   |ok" << "" << "" << "" << true;
    QTest::newRow("symbol-trimmed") << "show|type: ESZ4 |ok" << "ESZ4*" << resolving << "" << true;
    QTest::newRow("enter-confirms") << "show|type:ESZ4|enter" << "ESZ4*" << resolving << "" << true;
    QTest::newRow("completion-does-not-confirm") << "show|type:ESZ4|completion" << "" << "" << "" << true;
    QTest::newRow("confirm-again-drops-lookup") << ok + "type:NQH5|ok" << "ESZ4 NQH5*" << resolving << "" << true;
    QTest::newRow("confirm-again-drops-chain") << ok + "symbol:3|type:NQH5|ok" << "ESZ4 chain@0 NQH5*" << resolving << "" << true;
    QTest::newRow("rerequest-of-lookup") << ok + "rerequest" << "ESZ4 ESZ4*" << resolving << "" << true;
    QTest::newRow("rerequest-of-chain") << ok + "symbol:3|rerequest" << "ESZ4 chain@0 ESZ4*" << resolving << "" << true;

    // Closing: each way emits one signal, except hiding by other means; closing stops requests.
    QTest::newRow("cancel") << "show|cancel" << "" << "" << "rejected" << false;
    QTest::newRow("edit-cancelled") << "show|editCancelled" << "" << "" << "rejected" << false;
    QTest::newRow("closeDialog") << "show|close" << "" << "" << "rejected" << false;
    QTest::newRow("other-document") << "show|activateOther" << "" << "" << "rejected" << false;
    QTest::newRow("same-document") << "show|activateSame" << "" << "" << "" << true;
    QTest::newRow("other-document-while-hidden") << "activateOther" << "" << "" << "" << false;
    QTest::newRow("hidden-otherwise") << ok + "hide" << lookup << "" << "" << false;
    QTest::newRow("close-after-acceptance") << ok + "symbol:3|chain:A|close" << chained << "" << "accepted,accepted" << false;
    QTest::newRow("reopening-clears-acceptance") << ok + "symbol:3|chain:A|show|cancel" << chained << "" << "accepted,rejected" << false;
    QTest::newRow("cancel-stops-lookup") << ok + "cancel" << lookup << "" << "rejected" << false;
    QTest::newRow("other-document-stops-chain") << ok + "symbol:3|activateOther" << chained << "" << "rejected" << false;

    // The page's own status texts.
    QTest::newRow("setError") << "show|error:Boom" << "" << "Boom" << "" << true;
    QTest::newRow("setError-empty-hides") << "show|error:Boom|error:" << "" << "" << "" << true;
}

void tst_ScriptHeader::dialog()
{
    QFETCH(QString, steps);
    QFETCH(QString, requests);
    QFETCH(QString, status);
    QFETCH(QString, emitted);
    QFETCH(bool, visible);

    open();
    run(steps);
    QCOMPARE(this->requests(), requests);
    QCOMPARE(this->status(), status);
    QCOMPARE(m_signals.join(QLatin1Char(',')), emitted);
    QCOMPARE(m_button->dialog()->isVisible(), visible);
    // Only an acceptance sets the symbol.
    QCOMPARE(m_button->symbol(), emitted.contains("accepted") ? QStringLiteral("ESZ4") : QString());
    QCOMPARE(PluginFixture::takeOutput(), QStringList());
}

// The host may close the document while the dialog is open and its lookup runs: the dialog
// goes with it, the lookup stops, and nothing is emitted.
void tst_ScriptHeader::documentClosedWithDialogOpen()
{
    open();
    run(QStringLiteral("show|type:ESZ4|ok"));
    const QPointer<HostApi::Dialog> dialog = m_button->dialog();
    QVERIFY(dialog->isVisible());
    m_open.document.reset();
    QVERIFY(!m_button && !dialog);
    QCOMPARE(m_backend->running().size(), 0);
    Application::instance()->setActiveDocument(&m_otherDocument);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_signals, QStringList());
}

QTEST_MAIN(tst_ScriptHeader)
#include "tst_scriptheader.moc"

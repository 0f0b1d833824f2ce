#include "testsupport.h"

#include <contextmenuaction.h>
#include <hotkey.h>
#include <hotkeyaction.h>
#include <hotkeyhelpers.h>
#include <hotkeyservice.h>

#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using KeyList = QList<QKeySequence>;

namespace {

QKeySequence key(const char *text)
{
    return QKeySequence::fromString(QString::fromLatin1(text), QKeySequence::PortableText);
}

} // namespace

// The helpers work on the application's hot-key service; every test uses its own parent ids,
// so tests do not see each other's hot keys.
class tst_HostApiHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void conflicts_data();
    void conflicts();
    void refusedIds_data();
    void refusedIds();
    void registrationYieldsAction();
    void repeatedRegistrationKeepsAction();
    void createdActionsFollowSequences();
    void autoToolTip();
    void actionPlacement();
    void groups();
};

// A hot key (context path, parent, id, sequences) is registered, then the widget-child hot
// key "mine" under askedParent asks for sequences.
void tst_HostApiHotKeys::conflicts_data()
{
    QTest::addColumn<QByteArray>("contextPath");
    QTest::addColumn<QByteArray>("parent");
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<KeyList>("registered");
    QTest::addColumn<QByteArray>("askedParent");
    QTest::addColumn<KeyList>("asked");
    QTest::addColumn<KeyList>("taken");

    const QByteArray widget = HostApi::IHotKeyService::WidgetChildContextPath;
    QTest::newRow("same-parent") << widget << QByteArray("p1") << QByteArray("other")
                                 << KeyList{key("Ctrl+K")} << QByteArray("p1")
                                 << KeyList{key("Ctrl+K")} << KeyList{key("Ctrl+K")};
    QTest::newRow("only-used-ones-reported")
        << widget << QByteArray("p2") << QByteArray("other") << KeyList{key("Ctrl+K"), key("F5")}
        << QByteArray("p2") << KeyList{key("F6"), key("F5"), key("Ctrl+K")}
        << KeyList{key("F5"), key("Ctrl+K")};
    QTest::newRow("different-parent") << widget << QByteArray("p3") << QByteArray("other")
                                      << KeyList{key("Ctrl+K")} << QByteArray("p3b")
                                      << KeyList{key("Ctrl+K")} << KeyList{};
    QTest::newRow("different-context-path") << QByteArray("application") << QByteArray("p4")
                                            << QByteArray("other") << KeyList{key("Ctrl+K")}
                                            << QByteArray("p4") << KeyList{key("Ctrl+K")}
                                            << KeyList{};
    QTest::newRow("same-id-is-not-a-conflict") << widget << QByteArray("p5") << QByteArray("mine")
                                               << KeyList{key("Ctrl+K")} << QByteArray("p5")
                                               << KeyList{key("Ctrl+K")} << KeyList{};
    QTest::newRow("empty-sequence-ignored") << widget << QByteArray("p6") << QByteArray("other")
                                            << KeyList{QKeySequence()} << QByteArray("p6")
                                            << KeyList{QKeySequence()} << KeyList{};
    QTest::newRow("repeated-ask-reported-once")
        << widget << QByteArray("p7") << QByteArray("other") << KeyList{key("Shift+F7")}
        << QByteArray("p7") << KeyList{key("Shift+F7"), key("Shift+F7")}
        << KeyList{key("Shift+F7")};
}

void tst_HostApiHotKeys::conflicts()
{
    QFETCH(QByteArray, contextPath);
    QFETCH(QByteArray, parent);
    QFETCH(QByteArray, id);
    QFETCH(KeyList, registered);
    QFETCH(QByteArray, askedParent);
    QFETCH(KeyList, asked);
    QFETCH(KeyList, taken);

    QVERIFY(HostApi::registerHotKey(contextPath, id, parent, registered, QStringLiteral("Other"),
                                    QString(), parent));
    KeyList found{key("Ctrl+Z")};   // filled, not appended to
    QCOMPARE(HostApi::isWidgetChildHotKeySequenceRegistered("mine", askedParent, asked, found),
             !taken.isEmpty());
    QCOMPARE(found, taken);
}

void tst_HostApiHotKeys::refusedIds_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QString>("report");
    QTest::newRow("dot-inside") << QByteArray("show.inspector") << QStringLiteral("!id.contains('.')");
    QTest::newRow("dot-only") << QByteArray(".") << QStringLiteral("!id.contains('.')");
    QTest::newRow("dot-last") << QByteArray("back.") << QStringLiteral("!id.contains('.')");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("!id.isEmpty()");
}

void tst_HostApiHotKeys::refusedIds()
{
    QFETCH(QByteArray, id);
    QFETCH(QString, report);
    LogCapture capture;
    QVERIFY(!HostApi::registerWidgetChildHotKey(id, "refused", {key("F9")}, QStringLiteral("x"),
                                                QString(), "refused"));
    QCOMPARE(capture.texts("Assert"), QStringList{report});
    QVERIFY(!HostApi::widgetChildHotKey(id, "refused"));
}

void tst_HostApiHotKeys::registrationYieldsAction()
{
    QIcon icon(QPixmap(4, 4));
    HostApi::HotKeyOptions options;
    options.icon = icon;
    options.checkable = true;
    HostApi::HotKeyAction *action = HostApi::registerWidgetChildHotKey(
        "toggle", "webplugin_reg", {key("Ctrl+T"), key("F2")}, QStringLiteral("Toggle"),
        QStringLiteral("Toggles it"), "webplugin_reg", options);
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("Toggle"));
    QCOMPARE(action->statusTip(), QStringLiteral("Toggles it"));
    QCOMPARE(action->icon().cacheKey(), icon.cacheKey());
    QVERIFY(action->isCheckable());
    QVERIFY(action->isEnabled());
    QCOMPARE(action->shortcuts(), KeyList({key("Ctrl+T"), key("F2")}));
    QCOMPARE(action->shortcutContext(), Qt::WidgetWithChildrenShortcut);

    HostApi::HotKey *hotKey = HostApi::widgetChildHotKey("toggle", "webplugin_reg");
    QVERIFY(hotKey);
    QCOMPARE(action->hotKey(), hotKey);
    QCOMPARE(hotKey->action(), action);
    QCOMPARE(hotKey->path(), QByteArray("actionWidget.webplugin_reg.toggle"));
    QCOMPARE(hotKey->groupId(), QByteArray("webplugin_reg"));
}

void tst_HostApiHotKeys::repeatedRegistrationKeepsAction()
{
    HostApi::HotKeyAction *first = HostApi::registerWidgetChildHotKey(
        "again", "webplugin_again", {key("F3")}, QStringLiteral("One"), QString(), "g");
    HostApi::HotKeyAction *second = HostApi::registerWidgetChildHotKey(
        "again", "webplugin_again", {key("F4")}, QStringLiteral("Two"), QString(), "g");
    QCOMPARE(second, first);
    QCOMPARE(first->text(), QStringLiteral("Two"));
    QCOMPARE(first->shortcuts(), KeyList{key("F4")});
    // The new sequence does not conflict with the hot key's own former one.
    KeyList taken;
    QVERIFY(!HostApi::isWidgetChildHotKeySequenceRegistered("other", "webplugin_again",
                                                            {key("F3")}, taken));
}

void tst_HostApiHotKeys::createdActionsFollowSequences()
{
    HostApi::HotKeyAction *registered = HostApi::registerWidgetChildHotKey(
        "back", "webplugin_follow", {key("Alt+Left")}, QStringLiteral("Back"), QString(), "g");
    QObject documentObject;
    HostApi::HotKeyAction *created = registered->createAction(&documentObject);
    QVERIFY(created);
    QVERIFY(created != registered);
    QCOMPARE(created->parent(), &documentObject);
    QCOMPARE(created->text(), QStringLiteral("Back"));
    created->setText(QStringLiteral("Document back"));

    registered->hotKey()->setSequences({key("Ctrl+Left")});
    QCOMPARE(created->shortcuts(), KeyList{key("Ctrl+Left")});
    QCOMPARE(registered->shortcuts(), KeyList{key("Ctrl+Left")});
    QCOMPARE(created->text(), QStringLiteral("Document back"));

    QSignalSpy triggered(created, &QAction::triggered);
    created->trigger();
    QCOMPARE(triggered.count(), 1);
}

void tst_HostApiHotKeys::autoToolTip()
{
    HostApi::HotKeyAction *action = HostApi::registerWidgetChildHotKey(
        "tip", "webplugin_tip", {key("Shift+F7")}, QStringLiteral("Show &Inspector"), QString(),
        "g");
    action->setAutoToolTip(true);
    const QString shortcut = key("Shift+F7").toString(QKeySequence::NativeText);
    QCOMPARE(action->toolTip(), QStringLiteral("Show Inspector (") + shortcut + QLatin1Char(')'));
    action->setText(QStringLiteral("Inspect"));
    QCOMPARE(action->toolTip(), QStringLiteral("Inspect (") + shortcut + QLatin1Char(')'));
    action->setAutoToolTip(false);
    QCOMPARE(action->toolTip(), QStringLiteral("Inspect"));
}

void tst_HostApiHotKeys::actionPlacement()
{
    HostApi::HotKeyAction *registered = HostApi::registerWidgetChildHotKey(
        "place", "webplugin_place", {key("F8")}, QStringLiteral("Place"), QString(), "g");
    QWidget widget;
    HostApi::HotKeyAction *action = registered->createAction(&widget);
    QToolBar toolBar;
    QToolButton button;
    action->addToWidget(&widget);
    action->addToToolBar(&toolBar);
    action->addToToolButton(&button);
    QVERIFY(widget.actions().contains(action));
    QVERIFY(toolBar.actions().contains(action));
    QCOMPARE(button.defaultAction(), action);

    ContextMenuActionList list{ContextMenuAction::separator(1)};
    action->addToContextMenuActionList(list, 1);
    QCOMPARE(list.size(), 2);
    QVERIFY(list.first().isSeparator());
    QCOMPARE(list.last().action(), action);
    QVERIFY(!list.last().isOwned());
    QCOMPARE(list.last().place(), 1);
}

void tst_HostApiHotKeys::groups()
{
    HostApi::HotKeyService service;
    QVERIFY(service.registerGroup({"webplugin_a", QStringLiteral("A"), QStringLiteral("a"), {}}));
    QVERIFY(service.registerGroup({"webplugin_a", QStringLiteral("A2"), QString(), "parent"}));
    QCOMPARE(service.groups().size(), 1);
    QCOMPARE(service.group("webplugin_a").name, QStringLiteral("A2"));
    QCOMPARE(service.group("webplugin_a").parent, QByteArray("parent"));
    QVERIFY(!service.group("webplugin_b").isValid());
    LogCapture capture;
    QVERIFY(!service.registerGroup(HostApi::HotKeyGroup()));
    QCOMPARE(capture.texts("Assert"), QStringList{QStringLiteral("group.isValid()")});
}

QTEST_MAIN(tst_HostApiHotKeys)
#include "tst_hostapi_hotkeys.moc"

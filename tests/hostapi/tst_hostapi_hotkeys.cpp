#include "testsupport.h"

#include <contextmenuaction.h>
#include <hotkey.h>
#include <hotkeyaction.h>
#include <hotkeyhelpers.h>
#include <hotkeyservice.h>

#include <QSignalSpy>
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

// A hot key (context path, id, sequences) is registered under the row's parent, then the
// widget-child hot key "mine" under that parent (or another one) asks for sequences.
void tst_HostApiHotKeys::conflicts_data()
{
    QTest::addColumn<QByteArray>("contextPath");
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<KeyList>("registered");
    QTest::addColumn<bool>("sameParent");
    QTest::addColumn<KeyList>("asked");
    QTest::addColumn<KeyList>("taken");

    const QByteArray widget = HostApi::IHotKeyService::WidgetChildContextPath;
    QTest::newRow("only-used-ones-reported")
        << widget << QByteArray("other") << KeyList{key("Ctrl+K"), key("F5")} << true
        << KeyList{key("F6"), key("F5"), key("Ctrl+K")} << KeyList{key("F5"), key("Ctrl+K")};
    QTest::newRow("different-parent") << widget << QByteArray("other") << KeyList{key("Ctrl+K")}
                                      << false << KeyList{key("Ctrl+K")} << KeyList{};
    QTest::newRow("different-context-path") << QByteArray("application") << QByteArray("other")
                                            << KeyList{key("Ctrl+K")} << true
                                            << KeyList{key("Ctrl+K")} << KeyList{};
    QTest::newRow("same-id-is-not-a-conflict") << widget << QByteArray("mine")
                                               << KeyList{key("Ctrl+K")} << true
                                               << KeyList{key("Ctrl+K")} << KeyList{};
    QTest::newRow("empty-sequence-ignored") << widget << QByteArray("other")
                                            << KeyList{QKeySequence()} << true
                                            << KeyList{QKeySequence()} << KeyList{};
    QTest::newRow("repeated-ask-reported-once")
        << widget << QByteArray("other") << KeyList{key("Shift+F7")} << true
        << KeyList{key("Shift+F7"), key("Shift+F7")} << KeyList{key("Shift+F7")};
}

void tst_HostApiHotKeys::conflicts()
{
    QFETCH(QByteArray, contextPath);
    QFETCH(QByteArray, id);
    QFETCH(KeyList, registered);
    QFETCH(bool, sameParent);
    QFETCH(KeyList, asked);
    QFETCH(KeyList, taken);

    const QByteArray parent = QByteArray("conflicts-") + QTest::currentDataTag();
    QVERIFY(HostApi::registerHotKey(contextPath, id, parent, registered, QStringLiteral("Other"),
                                    QString(), parent));
    KeyList found{key("Ctrl+Z")};   // filled, not appended to
    QCOMPARE(HostApi::isWidgetChildHotKeySequenceRegistered(
                 "mine", sameParent ? parent : parent + "-other", asked, found),
             !taken.isEmpty());
    QCOMPARE(found, taken);
}

void tst_HostApiHotKeys::refusedIds_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QString>("report");
    QTest::newRow("dot-inside") << QByteArray("show.inspector") << QStringLiteral("!id.contains('.')");
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
    HostApi::HotKeyOptions options;
    options.checkable = true;
    HostApi::HotKeyAction *action = HostApi::registerWidgetChildHotKey(
        "toggle", "webplugin_reg", {key("Ctrl+T"), key("F2")}, QStringLiteral("Toggle"),
        QStringLiteral("Toggles it"), "webplugin_reg", options);
    QVERIFY(action);
    QCOMPARE(action->statusTip(), QStringLiteral("Toggles it"));
    QVERIFY(action->isCheckable());
    QCOMPARE(action->shortcuts(), KeyList({key("Ctrl+T"), key("F2")}));
    QCOMPARE(action->shortcutContext(), Qt::WidgetWithChildrenShortcut);

    HostApi::HotKey *hotKey = HostApi::widgetChildHotKey("toggle", "webplugin_reg");
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
    QVERIFY(created && created != registered);
    QCOMPARE(created->parent(), &documentObject);
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
    QToolButton button;
    action->addToToolButton(&button);
    QCOMPARE(button.defaultAction(), action);

    ContextMenuActionList list{ContextMenuAction::separator(1)};
    action->addToContextMenuActionList(list, 1);
    QCOMPARE(list.size(), 2);
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

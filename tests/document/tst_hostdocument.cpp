// The host's side of a document window (platform/hostapi): the document while it is destroyed,
// its widget and caption-bar actions, symbol linking, dialogs that remember their geometry, symbol drops, the context menu and
// the document widget's standard actions.
#include "testsupport.h"

#include <actionwidget.h>
#include <application.h>
#include <contextdata.h>
#include <contextmenu.h>
#include <dialog.h>
#include <document.h>
#include <hotkey.h>
#include <hotkeyaction.h>
#include <hotkeyhelpers.h>
#include <iconhelpers.h>
#include <linkingsignal.h>
#include <settings.h>
#include <symboldraganddrop.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

namespace {

// A document widget that records its hooks and offers fixed context-menu entries.
class RecordingWidget : public ActionWidget
{
public:
    explicit RecordingWidget(Document *doc, const ContextMenuActionList &entries = {})
        : ActionWidget(doc), m_entries(entries)
    {
        initActions();
    }

    void fillContextData(ContextData *context) override { context->setSymbolContext("IBM"); }
    ContextMenuActionList contextMenuActions(ContextData *context) override
    {
        hooks << QStringLiteral("menu:") + QString::fromUtf8(context->symbol());
        return m_entries;
    }
    void objectAttach() override { hooks << QStringLiteral("attach"); }

    QStringList hooks;

protected:
    void actionsInitialized() override { hooks << QStringLiteral("initialized"); }
    void documentActiveChanged(bool active) override { hooks << QStringLiteral("active:%1").arg(active); }
    void copyHook() override { hooks << QStringLiteral("copy"); }
    void refreshHook() override { hooks << QStringLiteral("refresh"); }

private:
    ContextMenuActionList m_entries;
};

// Reads the whole document while it is destroyed.
class TitleReader : public QObject
{
public:
    TitleReader(Document *doc, QString *seen) : QObject(doc), m_doc(doc), m_seen(seen) {}
    ~TitleReader() override
    {
        *m_seen = m_doc->title() + m_doc->statusText();
        m_doc->setTitle(QStringLiteral("changed while going away"));
    }

private:
    Document *m_doc;
    QString *m_seen;
};

} // namespace

class tst_HostDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void childrenSeeWholeDocument();
    void documentObjectAndCaptionBar();
    void linking_data();
    void linking();
    void dialogGeometry_data();
    void dialogGeometry();
    void symbolDrops_data();
    void symbolDrops();
    void contextMenu();
    void standardActions();
    void standardHotKeysKeepUserSequences();
    void iconStates();

private:
    QTemporaryDir m_data;
};

void tst_HostDocument::initTestCase()
{
    Application::instance()->setAppDataPath(m_data.path());
}

void tst_HostDocument::childrenSeeWholeDocument()
{
    QString seen;
    auto *doc = new Document("webplugin_x");
    doc->setTitle("Title");
    doc->setStatusText(" ok");
    new TitleReader(doc, &seen);
    QSignalSpy titles(doc, &AbstractDocument::titleChanged);
    QSignalSpy destroyed(doc, &QObject::destroyed);
    delete doc;
    QCOMPARE(seen, QStringLiteral("Title ok"));
    QCOMPARE(titles.count(), 0);
    QCOMPARE(destroyed.count(), 1);
}

void tst_HostDocument::documentObjectAndCaptionBar()
{
    Document doc("webplugin_x");
    {
        RecordingWidget widget(&doc);
        doc.setDocumentObject(&widget);
        QCOMPARE(widget.hooks, (QStringList{"initialized", "attach"}));
        QCOMPARE(doc.undoStack(), widget.undoStack());
    }
    QCOMPARE(doc.documentObject(), nullptr);

    QSignalSpy added(&doc, &Document::captionBarUserActionAdded);
    auto *action = new QAction(QStringLiteral("A"));
    doc.addCaptionBarUserAction(action);
    doc.addCaptionBarUserAction(action);
    doc.addCaptionBarUserAction(nullptr);
    QCOMPARE(added.count(), 1);
    QCOMPARE(doc.captionBarUserActions(), QList<QAction *>{action});
    delete action;
    QVERIFY(doc.captionBarUserActions().isEmpty());
}

void tst_HostDocument::linking_data()
{
    QTest::addColumn<int>("senderGroup");
    QTest::addColumn<int>("receiverGroup");
    QTest::addColumn<bool>("notify");
    QTest::addColumn<bool>("delivered");

    QTest::newRow("same-group") << 2 << 2 << true << true;
    QTest::newRow("other-group") << 2 << 3 << true << false;
    QTest::newRow("unlinked") << 0 << 0 << true << false;
    QTest::newRow("no-notification") << 1 << 1 << false << false;
}

void tst_HostDocument::linking()
{
    QFETCH(int, senderGroup);
    QFETCH(int, receiverGroup);
    QFETCH(bool, notify);
    QFETCH(bool, delivered);
    LinkingSignal sender;
    LinkingSignal receiver;
    sender.setGroup(senderGroup);
    receiver.setGroup(receiverGroup);
    QSignalSpy senderHeard(&sender, &LinkingSignal::activated);
    QSignalSpy receiverHeard(&receiver, &LinkingSignal::activated);

    sender.activate("NQ H4", notify);
    QCOMPARE(senderHeard.count(), 0);
    QCOMPARE(receiverHeard.count(), delivered ? 1 : 0);
    QCOMPARE(receiver.symbol(), delivered ? QByteArray("NQ H4") : QByteArray());
}

void tst_HostDocument::dialogGeometry_data()
{
    QTest::addColumn<int>("laterVersion");
    QTest::addColumn<bool>("remember");
    QTest::addColumn<bool>("restored");

    QTest::newRow("restored") << 1 << true << true;
    QTest::newRow("other-version") << 2 << true << false;
    QTest::newRow("not-remembered") << 1 << false << false;
}

void tst_HostDocument::dialogGeometry()
{
    QFETCH(int, laterVersion);
    QFETCH(bool, remember);
    QFETCH(bool, restored);
    const QString name = QStringLiteral("geometry-") + QString::fromLatin1(QTest::currentDataTag());
    {
        HostApi::Dialog first(nullptr, QStringLiteral("First"), Qt::Tool, 1, 13, remember);
        first.setGeometryName(name);
        first.show();
        first.resize(401, 203);
        first.hide();
    }
    QCOMPARE(Application::instance()->settings()->contains(QStringLiteral("dialogs/%1/geometry").arg(name)), remember);

    HostApi::Dialog later(nullptr, QStringLiteral("Later"), Qt::Tool, laterVersion, 0, true);
    later.setGeometryName(name);
    later.show();
    QCOMPARE(later.size() == QSize(401, 203), restored);
}

void tst_HostDocument::symbolDrops_data()
{
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<QByteArray>>("symbols");

    QTest::newRow("first-only") << false << QByteArray("AAPL\nMSFT") << QList<QByteArray>{"AAPL"};
    QTest::newRow("all-utf8") << true << QByteArray("\xc3\x9c" "BS\r\n\n MSFT ") << QList<QByteArray>{"\xc3\x9c" "BS", "MSFT"};
    QTest::newRow("one-bad-line-refuses-all") << true << QByteArray("AAPL\nMS\x07" "FT") << QList<QByteArray>();
    QTest::newRow("too-many-lines") << true << QByteArray(2001, '\n') << QList<QByteArray>();
}

void tst_HostDocument::symbolDrops()
{
    QFETCH(bool, multiple);
    QFETCH(QByteArray, text);
    QFETCH(QList<QByteArray>, symbols);
    Document doc("webplugin_x");
    QWidget target;
    HostApi::SymbolDragAndDrop drops(nullptr, &doc, multiple);
    drops.addWatchedObject(&target);
    QSignalSpy dropped(&drops, &HostApi::SymbolDragAndDrop::dropSymbol);
    QMimeData mime;
    mime.setText(QString::fromUtf8(text));
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QCOMPARE(enter.isAccepted(), !symbols.isEmpty());
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    QList<QByteArray> received;
    for (const QList<QVariant> &arguments : qAsConst(dropped))
        received << arguments.first().toByteArray();
    QCOMPARE(received, symbols);

    std::unique_ptr<QMimeData> made(HostApi::SymbolDragAndDrop::createMimeData({"ES H4", "CL"}));
    QCOMPARE(HostApi::SymbolDragAndDrop::symbolsOf(made.get()), (QList<QByteArray>{"ES H4", "CL"}));
}

// Entries of lower places come first; owned entries go with the menu; from the keyboard the
// first real entry is selected.
void tst_HostDocument::contextMenu()
{
    Document doc("webplugin_x");
    QAction later(QStringLiteral("Later"));
    QPointer<QAction> owned = new QAction(QStringLiteral("Owned"));
    RecordingWidget widget(&doc, {ContextMenuAction(&later, false, 2), ContextMenuAction::separator(1),
                                  ContextMenuAction(owned, true, 1)});
    QMenu *menu = HostApi::ContextMenu::instance()->show(&widget, QContextMenuEvent::Keyboard,
                                                        QPoint(10, 10), nullptr);
    QVERIFY(menu);
    QCOMPARE(widget.hooks.last(), QStringLiteral("menu:IBM"));
    QCOMPARE(menu->actions().size(), 3);
    QVERIFY(menu->actions().at(0)->isSeparator());
    QCOMPARE(menu->actions().at(1), owned.data());
    QCOMPARE(menu->actions().at(2), &later);
    QCOMPARE(menu->activeAction(), owned.data());
    menu->close();
    QTRY_VERIFY(owned.isNull());

    RecordingWidget empty(&doc);
    QCOMPARE(HostApi::ContextMenu::instance()->show(&empty, QContextMenuEvent::Mouse, QPoint(), nullptr), nullptr);
}

void tst_HostDocument::standardActions()
{
    Document doc("webplugin_x");
    RecordingWidget widget(&doc);
    doc.setDocumentObject(&widget);
    const QList<QByteArray> ids = {"showPropertiesDialog", "cut", "copy", "paste", "selectAll",
                                   "undo", "redo", "showHelp", "refresh"};
    for (const QByteArray &id : ids)
        QVERIFY2(widget.actions().contains(widget.hotKeyAction(id)), id.constData());
    QCOMPARE(widget.hotKeyAction("copy")->shortcut(), QKeySequence(QKeySequence::Copy));

    widget.undoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    widget.hotKeyAction("undo")->trigger();
    QCOMPARE(widget.undoStack()->index(), 0);
    widget.hotKeyAction("redo")->trigger();
    QCOMPARE(widget.undoStack()->index(), 1);

    QSignalSpy help(&widget, &ActionWidget::helpRequested);
    widget.setHelpTag(QStringLiteral("topic"));
    widget.hotKeyAction("showHelp")->trigger();
    widget.hotKeyAction("copy")->trigger();
    widget.hotKeyAction("refresh")->trigger();
    doc.setActive(true);
    QCOMPARE(help.first().first().toString(), QStringLiteral("topic"));
    QCOMPARE(widget.hooks.mid(2), (QStringList{"copy", "refresh", "active:1"}));
}

// The standard hot keys are registered once; a user's own key sequences stay for widgets
// created later.
void tst_HostDocument::standardHotKeysKeepUserSequences()
{
    Document doc("webplugin_x");
    RecordingWidget first(&doc);
    HostApi::HotKey *hotKey = HostApi::widgetChildHotKey("paste", QByteArray());
    QVERIFY(hotKey);
    hotKey->setSequences({QKeySequence(QStringLiteral("Ctrl+Shift+V"))});
    RecordingWidget second(&doc);
    QCOMPARE(second.hotKeyAction("paste")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+V")));
    QCOMPARE(first.hotKeyAction("paste")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+V")));
    hotKey->setSequences(QKeySequence::keyBindings(QKeySequence::Paste));
}

void tst_HostDocument::iconStates()
{
    QTemporaryDir dir;
    const QString normal = dir.path() + QStringLiteral("/n.png");
    const QString active = dir.path() + QStringLiteral("/a.png");
    QImage image(8, 8, QImage::Format_ARGB32);
    for (const auto &[file, colour] : {std::pair(normal, Qt::red), std::pair(active, Qt::green)}) {
        image.fill(colour);
        QVERIFY(image.save(file));
    }

    const QIcon icon = HostApi::buildIconWithStates(normal, active, QString(), dir.path() + "/missing.png");
    QCOMPARE(icon.pixmap(8, 8, QIcon::Normal).toImage().pixelColor(1, 1), QColor(Qt::red));
    QCOMPARE(icon.pixmap(8, 8, QIcon::Active).toImage().pixelColor(1, 1), QColor(Qt::green));
    QVERIFY(HostApi::buildIconWithStates(QString(), QString(), QString(), QString()).isNull());
}

QTEST_MAIN(tst_HostDocument)
#include "tst_hostdocument.moc"

#include "testsupport.h"

#include <dateedit.h>
#include <document.h>
#include <documentcaptionbarautoshowcontroller.h>
#include <interactiveobject.h>
#include <isymbolsearchservice.h>
#include <propertyobject.h>
#include <servicelocator.h>
#include <symboleditcontrol.h>
#include <symboleditcontrolactivationhelper.h>
#include <undopropertycommand.h>
#include <widgethelpers.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

namespace {

// Offers two symbols for "CL" and none for anything else.
class FakeSearch : public QObject, public HostApi::ISymbolSearchService
{
    Q_OBJECT
    Q_INTERFACES(HostApi::ISymbolSearchService)

public:
    QList<HostApi::SymbolMatch> findSymbols(const QString &text, int) const override
    {
        if (text != QLatin1String("CL"))
            return {};
        return {{"CLZ27", QStringLiteral("Crude Oil Dec 2027")},
                {"CL#", QStringLiteral("Crude Oil continuous")}};
    }
};

} // namespace

class tst_HostApiInputs : public QObject
{
    Q_OBJECT

private slots:
    // The control shows "CLZ27"; typed replaces it, then each key goes where the user's
    // would: to the completion popup while it is shown, else to the line edit.
    void editing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<bool>("allowEmpty");
        QTest::addColumn<QStringList>("popup");
        QTest::addColumn<int>("reasons");   // of editDone; -1: editCancelled; 0: nothing
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<bool>("editing");
        const int enter = Qt::Key_Return;
        const int down = Qt::Key_Down;
        const int escape = Qt::Key_Escape;
        const QStringList cl{QStringLiteral("CLZ27  Crude Oil Dec 2027"),
                             QStringLiteral("CL#  Crude Oil continuous")};
        QTest::newRow("enter") << "gcg27" << QList<int>{enter} << false << QStringList() << 1 << QByteArray("GCG27") << false;
        QTest::newRow("keypad enter") << "gcg27" << QList<int>{Qt::Key_Enter} << false << QStringList() << 1 << QByteArray("GCG27") << false;
        QTest::newRow("blanks around") << " esh28 " << QList<int>{enter} << false << QStringList() << 1 << QByteArray("ESH28") << false;
        QTest::newRow("inner blank kept") << "clz27 c80" << QList<int>{enter} << false << QStringList() << 1 << QByteArray("CLZ27 C80") << false;
        QTest::newRow("escape restores") << "gc" << QList<int>{escape} << false << QStringList() << -1 << QByteArray("CLZ27") << false;
        QTest::newRow("empty refused") << "" << QList<int>{enter} << false << QStringList() << 0 << QByteArray() << false;
        QTest::newRow("blank refused") << "  " << QList<int>{enter} << false << QStringList() << 0 << QByteArray() << true;
        QTest::newRow("empty allowed") << "" << QList<int>{enter} << true << QStringList() << 1 << QByteArray() << false;
        QTest::newRow("first completion") << "cl" << QList<int>{down, enter} << false << cl << 2 << QByteArray("CLZ27") << false;
        QTest::newRow("second completion") << "cl" << QList<int>{down, down, enter} << false << cl << 2 << QByteArray("CL#") << false;
        QTest::newRow("enter in popup keeps text") << "cl" << QList<int>{enter} << false << cl << 1 << QByteArray("CL") << false;
        QTest::newRow("escape closes popup only") << "cl" << QList<int>{escape} << false << cl << 0 << QByteArray("CL") << true;
        QTest::newRow("second escape restores") << "cl" << QList<int>{escape, escape} << false << cl << -1 << QByteArray("CLZ27") << false;
    }

    void editing()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, keys);
        QFETCH(bool, allowEmpty);
        QFETCH(QStringList, popup);
        QFETCH(int, reasons);
        QFETCH(QByteArray, symbol);
        FakeSearch search;
        auto *locator = HostApi::ServiceLocator::instance();
        locator->registerService<HostApi::ISymbolSearchService>(&search);
        QWidget parent;
        auto *control = new SymbolEditControl(&parent);
        control->setSymbol("clz27");
        control->setAllowEmptySymbols(allowEmpty);
        control->lineEdit()->clear();
        QTest::keyClicks(control->lineEdit(), typed);
        locator->unregisterService<HostApi::ISymbolSearchService>();

        QAbstractItemView *list = control->findChild<QCompleter *>()->popup();
        QStringList shown;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            shown << list->model()->index(row, 0).data().toString();
        QCOMPARE(shown, popup);
        QCOMPARE(list->isVisible(), !popup.isEmpty());
        QSignalSpy done(control, &SymbolEditControl::editDone);
        QSignalSpy cancelled(control, &SymbolEditControl::editCancelled);
        for (int key : keys)
            QTest::keyClick(list->isVisible() ? static_cast<QWidget *>(list) : control->lineEdit(), Qt::Key(key));
        QCOMPARE(cancelled.count(), reasons == -1 ? 1 : 0);
        QCOMPARE(done.count(), reasons > 0 ? 1 : 0);
        if (reasons > 0)
            QCOMPARE(done.first(), (QVariantList{symbol, reasons}));
        QCOMPARE(control->symbol(), symbol);
        QTEST(control->isEditing(), "editing");
    }

    // Tree "objects" → "g" → "q" (int, 4) under a document object.
    void changeWithUndoByPath_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QVariant>("oldValue");
        QTest::addColumn<int>("newValue");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("afterUndo");
        QTest::addColumn<int>("reports");
        QTest::newRow("found") << QByteArray("objects.g.q") << QVariant() << 9 << true << 4 << 0;
        QTest::newRow("given old value") << QByteArray("objects.g.q") << QVariant(1) << 9 << true << 1 << 0;
        QTest::newRow("equal value") << QByteArray("objects.g.q") << QVariant() << 4 << false << 4 << 0;
        QTest::newRow("missing key") << QByteArray("objects.g.x") << QVariant() << 9 << false << 4 << 1;
        QTest::newRow("compound, not a property") << QByteArray("objects.g") << QVariant() << 9 << false << 4 << 1;
        QTest::newRow("empty path") << QByteArray() << QVariant() << 9 << false << 4 << 1;
    }

    void changeWithUndoByPath()
    {
        QFETCH(QByteArray, path);
        QFETCH(QVariant, oldValue);
        QFETCH(int, newValue);
        QFETCH(bool, changed);
        InteractiveObject root;
        CompoundObject objects;
        CompoundObject group;
        PropertyObject q;
        q.setTypeName("int");
        root.addProperty("objects", &objects);
        objects.addProperty("g", &group);
        group.addProperty("q", &q);
        q.setValue(4);
        LogCapture log;
        QCOMPARE(UndoPropertyCommand::changeWithUndo(QStringLiteral("Set q"), &root, path, newValue,
                                                     oldValue),
                 changed);
        QTEST(log.texts().size(), "reports");
        QCOMPARE(root.undoStack()->count(), changed ? 1 : 0);
        QCOMPARE(q.value(), QVariant(changed ? newValue : 4));
        root.undoStack()->undo();
        QTEST(q.value().toInt(), "afterUndo");
    }

    // started: the control's text after the key; empty: the key was left alone.
    void activation_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("started");
        QTest::newRow("plain child") << "plain" << int(Qt::Key_A) << 0 << "A";
        QTest::newRow("shift") << "plain" << int(Qt::Key_B) << int(Qt::ShiftModifier) << "B";
        QTest::newRow("digit in the widget itself") << "widget" << int(Qt::Key_7) << 0 << "7";
        QTest::newRow("grandchild added later") << "late" << int(Qt::Key_C) << 0 << "C";
        QTest::newRow("read-only combo box") << "combo" << int(Qt::Key_D) << 0 << "D";
        QTest::newRow("control modifier") << "plain" << int(Qt::Key_A) << int(Qt::ControlModifier) << "";
        QTest::newRow("space") << "plain" << int(Qt::Key_Space) << 0 << "";
        QTest::newRow("line edit") << "edit" << int(Qt::Key_A) << 0 << "";
        QTest::newRow("editable combo box") << "editableCombo" << int(Qt::Key_A) << 0 << "";
        QTest::newRow("spin box") << "spin" << int(Qt::Key_1) << 0 << "";
    }

    void activation()
    {
        QFETCH(QString, target);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, started);
        Document document("tmpl");
        QWidget header;
        auto *control = new SymbolEditControl(&header);
        control->setSymbol("CLZ27");
        new HostApi::SymbolEditControlActivationHelper(control, &document);
        // Set after the helper exists, then filled: the helper follows both.
        QWidget widget;
        widget.setObjectName(QStringLiteral("widget"));
        document.setDocumentWidget(&widget);
        auto *plain = new QWidget(&widget);
        plain->setObjectName(QStringLiteral("plain"));
        (new QWidget(plain))->setObjectName(QStringLiteral("late"));
        (new QLineEdit(&widget))->setObjectName(QStringLiteral("edit"));
        (new QComboBox(&widget))->setObjectName(QStringLiteral("combo"));
        auto *editable = new QComboBox(&widget);
        editable->setEditable(true);
        editable->setObjectName(QStringLiteral("editableCombo"));
        (new QSpinBox(&widget))->setObjectName(QStringLiteral("spin"));

        QWidget *receiver = target == widget.objectName() ? &widget : widget.findChild<QWidget *>(target);
        QTest::keyClick(receiver, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(control->isEditing(), !started.isEmpty());
        QCOMPARE(control->lineEdit()->text(), started.isEmpty() ? QStringLiteral("CLZ27") : started);
    }

    // Both controls start editing; those not kept end with Escape; deleteFirst then deletes
    // the first one.
    void captionBarFollowsEditing_data()
    {
        QTest::addColumn<bool>("first");
        QTest::addColumn<bool>("second");
        QTest::addColumn<bool>("deleteFirst");
        QTest::addColumn<bool>("forced");
        QTest::newRow("none") << false << false << false << false;
        QTest::newRow("first") << true << false << false << true;
        QTest::newRow("second") << false << true << false << true;
        QTest::newRow("both") << true << true << false << true;
        QTest::newRow("editing one deleted") << true << false << true << false;
        QTest::newRow("other one still editing") << true << true << true << true;
    }

    void captionBarFollowsEditing()
    {
        QFETCH(bool, first);
        QFETCH(bool, second);
        QFETCH(bool, deleteFirst);
        Document document("tmpl");
        QWidget header;
        QList<SymbolEditControl *> controls{new SymbolEditControl(&header), new SymbolEditControl(&header)};
        new HostApi::DocumentCaptionBarAutoShowController({controls[0], controls[1]}, &document);
        for (SymbolEditControl *control : controls)
            control->startEditing(QStringLiteral("G"));
        QVERIFY(document.isCaptionBarForced());
        if (!first)
            QTest::keyClick(controls[0]->lineEdit(), Qt::Key_Escape);
        if (!second)
            QTest::keyClick(controls[1]->lineEdit(), Qt::Key_Escape);
        if (deleteFirst) {
            delete controls[0];
            QCoreApplication::processEvents();
        }
        QTEST(document.isCaptionBarForced(), "forced");
    }

    void pointsToPixels_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("pixels");
        QTest::newRow("header width at 96 dpi") << 96 << 85.5 << 114;
        QTest::newRow("9pt at 96 dpi") << 96 << 9.0 << 12;
        QTest::newRow("72 dpi is one to one") << 72 << 10.0 << 10;
        QTest::newRow("half rounds up") << 120 << 7.5 << 13;
        QTest::newRow("144 dpi doubles") << 144 << 85.5 << 171;
    }

    void pointsToPixels()
    {
        QFETCH(int, dpi);
        QFETCH(double, points);
        QImage device(1, 1, QImage::Format_RGB32);
        device.setDotsPerMeterY(qRound(dpi / 0.0254));
        QCOMPARE(device.logicalDpiY(), dpi);
        QTEST(HostApi::pointsToPixels(device, points), "pixels");
    }

    // Days relative to today.
    void todayButton_data()
    {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("result");
        QTest::newRow("today in range") << -30 << 30 << -5 << true << 0;
        QTest::newRow("range ends before today") << -30 << -2 << -20 << true << -2;
        QTest::newRow("range starts after today") << 3 << 30 << 20 << true << 3;
        QTest::newRow("disabled") << -30 << 30 << -5 << false << -5;
    }

    void todayButton()
    {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, start);
        QFETCH(bool, enabled);
        QFETCH(int, result);
        const QDate today = QDate::currentDate();
        DateEdit edit;
        edit.setCalendarPopup(true);
        edit.setDateRange(today.addDays(min), today.addDays(max));
        edit.setDate(today.addDays(start));
        edit.addDecorator(std::make_shared<DateEditTodayButton>(enabled));
        edit.resize(200, 24);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        auto *button = edit.findChild<QToolButton *>(QStringLiteral("todayButton"));
        // Over the edit's right half, clear of the calendar arrow.
        QVERIFY(edit.rect().contains(button->geometry()));
        QVERIFY(button->geometry().left() > edit.width() / 2);
        QVERIFY(button->geometry().right() < edit.width() - 8);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(edit.date(), today.addDays(result));
    }
};

QTEST_MAIN(tst_HostApiInputs)
#include "tst_hostapi_inputs.moc"

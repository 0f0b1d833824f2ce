#include "testsupport.h"

#include <document.h>
#include <interactiveobject.h>
#include <isymbolsearchservice.h>
#include <propertyobject.h>
#include <servicelocator.h>
#include <symboleditcontrol.h>
#include <symboleditcontrolactivationhelper.h>
#include <undopropertycommand.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
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

};

QTEST_MAIN(tst_HostApiInputs)
#include "tst_hostapi_inputs.moc"

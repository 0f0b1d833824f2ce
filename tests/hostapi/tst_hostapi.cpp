#include "testsupport.h"

#include <appearancemanager.h>
#include <application.h>
#include <contextdata.h>
#include <contextmenuaction.h>
#include <doctemplate.h>
#include <doctemplateservice.h>
#include <document.h>
#include <favoritesservice.h>
#include <featuremanager.h>
#include <formulaoutputservice.h>
#include <hotkey.h>
#include <hotkeyaction.h>
#include <hotkeyhelpers.h>
#include <hotkeyservice.h>
#include <interactiveobject.h>
#include <ifavoritesservice.h>
#include <ipropertypageregistry.h>
#include <isymbolsearchservice.h>
#include <ithemeservice.h>
#include <outputchannel.h>
#include <propertyobject.h>
#include <propertypage.h>
#include <propertypageregistry.h>
#include <secretstore.h>
#include <servicelocator.h>
#include <serviceregistry.h>
#include <settings.h>
#include <symboleditcontrol.h>
#include <symboleditcontrolactivationhelper.h>
#include <themestyle.h>
#include <undopropertycommand.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QWebView>
#include <QtTest>

#include <functional>
#include <memory>

// An interface nobody registers.
class IUnknownService
{
public:
    virtual ~IUnknownService() = default;
};

Q_DECLARE_INTERFACE(IUnknownService, "com.quorvex.test.IUnknownService/1.0")

using KeyList = QList<QKeySequence>;
using Attempt = std::function<bool()>;  // true: the stand-in accepted it
Q_DECLARE_METATYPE(Attempt)

namespace {

QKeySequence key(const char *text)
{
    return QKeySequence::fromString(QString::fromLatin1(text), QKeySequence::PortableText);
}

HostApi::DocTemplate *docTemplate(const QByteArray &id)
{
    return new HostApi::DocTemplate(nullptr, id, QString(), QIcon(), QIcon(), 0, QString(), 0, {}, nullptr, nullptr, {}, false);
}

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

// root "tmpl" → "objects" → "g" → "q" (int) and "p" (typed per test; not held when the test
// adds it its own way). The root is a document object (undo) or a plain compound (no undo).
struct Tree
{
    explicit Tree(const QByteArray &type, bool document = true, bool holdP = true)
        : root(document ? new InteractiveObject : new CompoundObject)
    {
        root->setTypeName("tmpl");
        p.setTypeName(type);
        q.setTypeName("int");
        root->addProperty("objects", &objects);
        objects.addProperty("g", &group);
        group.addProperty("q", &q);
        if (holdP)
            group.addProperty("p", &p);
    }

    std::unique_ptr<CompoundObject> root;
    CompoundObject objects;
    CompoundObject group;
    PropertyObject p;
    PropertyObject q;
};

// The JSON form as the host's files give it back (numbers as doubles).
QVariant throughText(const QVariant &json)
{
    const QByteArray text = QJsonDocument(QJsonArray{QJsonValue::fromVariant(json)}).toJson();
    return QJsonDocument::fromJson(text).array().first().toVariant();
}

QVariantMap nestedMap(int levels)
{
    QVariantMap map;
    for (int i = 1; i < levels; ++i)
        map = QVariantMap{{QStringLiteral("a"), map}};
    return map;
}

QStringList undoTexts(const QUndoStack *stack)
{
    QStringList texts;
    for (int i = 0; i < stack->count(); ++i)
        texts << stack->text(i);
    return texts;
}

// Edits q with a spin box and p (bool) with a boolean combo box; one editor's path is wrong.
class TestPage : public HostApi::PropertyPage
{
public:
    TestPage() : HostApi::PropertyPage(QIcon())
    {
        size->setProperty("dataKey", "objects.g.q");
        size->setProperty("undoText", "Resize");
        flag->addItems({QStringLiteral("False"), QStringLiteral("True")});
        flag->setProperty("dataType", "boolean");
        flag->setProperty("dataKey", "objects.g.p");
        missing->setProperty("dataKey", "objects.g.missing");
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(size);
        layout->addWidget(flag);
        layout->addWidget(missing);
        init();
        initPage();
    }

    QSpinBox *size = new QSpinBox;
    QComboBox *flag = new QComboBox;
    QLineEdit *missing = new QLineEdit;

protected:
    void initPage() override {}
};

} // namespace

// The shell stand-in as the module uses it: its services, property objects and pages, and the
// symbol edit control. Every test gets an empty data folder; the hot-key helpers work on the
// application's service, and every test uses its own parent ids.
class tst_HostApi : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dataDir;

private slots:
    void init()
    {
        m_dataDir = std::make_unique<QTemporaryDir>();
        Application::instance()->setAppDataPath(m_dataDir->path());
    }

    // Written before the folder goes, so that nothing recreates it later.
    void cleanup()
    {
        CompoundObject::appearanceManager()->setCurrentTheme(AppearanceManager::BlackTheme);
        Application::instance()->settings()->sync();
    }

    void jsonRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("json");
        const QVariantMap map{{"a", 1.5}, {"b", QVariantList{true}}};
        QTest::newRow("bool") << QByteArray("bool") << QVariant(true) << QVariant(true);
        QTest::newRow("int") << QByteArray("int") << QVariant(-42) << QVariant(-42);
        QTest::newRow("double") << QByteArray("double") << QVariant(2.5) << QVariant(2.5);
        QTest::newRow("string") << QByteArray("QString") << QVariant("a \"b\"") << QVariant("a \"b\"");
        QTest::newRow("map") << QByteArray("QVariantMap") << QVariant(map) << QVariant(map);
        QFont font(QStringLiteral("Sans"), 12, QFont::Bold);
        QTest::newRow("font") << QByteArray("QFont") << QVariant(font)
                              << QVariant(QVariantMap{{"_type", "QFont"}, {"family", "Sans"}, {"pointSize", 12},
                                                      {"bold", true}, {"italic", false}});
        QTest::newRow("colour") << QByteArray("QColor") << QVariant(QColor(255, 128, 0, 64)) << QVariant("#40ff8000");
        QTest::newRow("invalid-colour") << QByteArray("QColor") << QVariant(QColor()) << QVariant("");
    }

    void jsonRoundTrip()
    {
        QFETCH(QByteArray, type);
        QFETCH(QVariant, value);
        Tree saved(type);
        saved.p.setValue(value);
        saved.q.setValue(7);
        QTEST(saved.p.objectToJson(), "json");

        LogCapture capture;
        Tree restored(type);
        restored.root->objectFromJson(throughText(saved.root->objectToJson()), 0);
        QCOMPARE(restored.p.value(), value);
        QCOMPARE(restored.p.value().userType(), value.userType());
        QCOMPARE(restored.q.value(), QVariant(7));
        QVERIFY(capture.entries().isEmpty());
    }

    void restoreSkipsWhatDoesNotFit_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QVariant>("group");
        QTest::addColumn<QStringList>("reports");
        auto row = [](const char *name, const char *type, const QVariant &form, const char *report) {
            QTest::newRow(name) << QByteArray(type) << QVariant(QVariantMap{{"p", form}, {"q", 7.0}})
                                << QStringList{"property 'objects.g.p': value not restored: " + QString::fromUtf8(report)};
        };
        const QString mib(1024 * 1024, QLatin1Char('x'));
        row("bool-from-string", "bool", "yes", "expected a boolean, got QString");
        row("int-huge", "int", 1e20, "expected an integer from -2147483648 to 2147483647, got 1e+20");
        row("int-fraction", "int", 2.5, "expected an integer from -2147483648 to 2147483647, got 2.5");
        row("double-from-string", "double", "1", "expected a finite number, got QString");
        row("string-over-limit", "QString", QString(mib + 'x'), "the string is longer than 1048576 bytes");
        row("map-65-levels", "QVariantMap", nestedMap(65), "the map is nested deeper than 64 levels");
        row("map-over-limit", "QVariantMap", QVariantMap{{"a", mib}}, "the map is longer than 1048576 bytes");
        row("font-size-zero", "QFont", QVariantMap{{"family", "Sans"}, {"pointSize", 0}}, "expected a point size from 1 to 1000, got 0");
        row("font-size-huge", "QFont", QVariantMap{{"family", "Sans"}, {"pointSize", 1001}},
            "expected a point size from 1 to 1000, got 1001");
        row("font-family-number", "QFont", QVariantMap{{"family", 3}, {"pointSize", 9}},
            "expected a font map of family, pointSize, bold and italic");
        row("colour-name", "QColor", "red", "expected a colour as #aarrggbb, got 'red'");
        QTest::newRow("map-64-levels") << QByteArray("QVariantMap") << QVariant(QVariantMap{{"p", nestedMap(64)}, {"q", 7}})
                                       << QStringList();
        QTest::newRow("unknown-key") << QByteArray("int") << QVariant(QVariantMap{{"q", 7}, {"zzz", 1}})
                                     << QStringList{"property 'objects.g': unknown key 'zzz' skipped"};
        QTest::newRow("group-not-a-map") << QByteArray("int") << QVariant("x")
                                         << QStringList{"property 'objects.g': expected a map, got QString"};
    }

    // The rest is restored, through setValue (the notifier reports it).
    void restoreSkipsWhatDoesNotFit()
    {
        QFETCH(QByteArray, type);
        QFETCH(QVariant, group);
        QFETCH(QStringList, reports);
        Tree tree(type);
        QSignalSpy changed(tree.root->notifier(), &ObjectNotifier::objectChanged);
        LogCapture capture;
        tree.root->objectFromJson(QVariantMap{{"objects", QVariantMap{{"g", group}}}}, 0);
        QCOMPARE(capture.texts("Properties"), reports);
        QCOMPARE(tree.p.value().isValid(), reports.isEmpty());
        const bool restored = group.userType() == QMetaType::QVariantMap;
        QCOMPARE(tree.q.value(), restored ? QVariant(7) : QVariant());
        QCOMPARE(changed.isEmpty(), !restored);
    }

    void securedValue_data()
    {
        QTest::addColumn<QByteArray>("keyFile");   // written over the key before restoring
        QTest::addColumn<bool>("openToOthers");
        QTest::addColumn<QString>("storeReport");
        QTest::newRow("same-key") << QByteArray() << false << QString();
        QTest::newRow("other-key") << QByteArray(32, 'k') << false << "a value was not sealed under the key %1";
        QTest::newRow("open-to-others") << QByteArray() << true << "the key file %1 is open to other users";
        QTest::newRow("short-key") << QByteArray(31, 'k') << false << "the key file %1 does not hold a key of 32 bytes";
    }

    void securedValue()
    {
        QFETCH(QByteArray, keyFile);
        QFETCH(bool, openToOthers);
        QFETCH(QString, storeReport);
        Tree saved("QString");
        saved.p.setStoredEncrypted(true);
        saved.p.setValue(QStringLiteral("hunter2"));
        const QVariant json = throughText(saved.root->objectToJson());
        QVERIFY(!QJsonDocument::fromVariant(json).toJson().contains("hunter2"));
        const QString keyFileName = HostApi::SecretStore::defaultKeyFileName();
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QVERIFY(QFile::exists(keyFileName) && !(QFile::permissions(keyFileName) & others));

        QFile file(keyFileName);
        if (!keyFile.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(keyFile) == keyFile.size());
        file.close();
        if (openToOthers)
            QVERIFY(file.setPermissions(file.permissions() | QFile::ReadOther));
        Tree restored("QString");
        restored.p.setStoredEncrypted(true);
        LogCapture capture;
        restored.root->objectFromJson(json, 0);
        const bool opened = storeReport.isEmpty();
        QCOMPARE(restored.p.value(), opened ? QVariant("hunter2") : QVariant());
        QCOMPARE(capture.texts("SecretStore"), opened ? QStringList() : QStringList{storeReport.arg(keyFileName)});
        QCOMPARE(capture.texts("Properties"), opened ? QStringList() : QStringList{"property 'objects.g.p': value not "
                                                                                  "restored: the sealed value cannot be opened"});
    }

    // q (4) changed directly (null path) or by its path from the document object. An equal value
    // adds nothing; without a document there is no undo entry; a path to no property is reported.
    void changeWithUndo_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("document");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("oldValue");   // given by path; undo restores it
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("reports");
        const QByteArray direct, q("objects.g.q");
        const QStringList edit{"Edit"};
        QTest::newRow("equal-value") << direct << true << QVariant(4) << "Edit" << QVariant() << false << QStringList() << 0;
        QTest::newRow("same-number-other-type") << direct << true << QVariant(4.0) << "Edit" << QVariant() << true << edit << 0;
        QTest::newRow("new-value") << direct << true << QVariant(2) << "Edit" << QVariant() << true << edit << 0;
        QTest::newRow("empty-text") << direct << true << QVariant(2) << QString() << QVariant() << true
                                    << QStringList{"Changed document content"} << 0;
        QTest::newRow("no-undo-stack") << direct << false << QVariant(2) << "Edit" << QVariant() << true << QStringList() << 0;
        QTest::newRow("path") << q << true << QVariant(9) << "Edit" << QVariant() << true << edit << 0;
        QTest::newRow("path-old-value") << q << true << QVariant(9) << "Edit" << QVariant(1) << true << edit << 0;
        QTest::newRow("path-equal-value") << q << true << QVariant(4) << "Edit" << QVariant() << false << QStringList() << 0;
        QTest::newRow("path-missing-key") << QByteArray("objects.g.x") << true << QVariant(9) << "Edit" << QVariant() << false
                                          << QStringList() << 1;
        QTest::newRow("path-to-compound") << QByteArray("objects.g") << true << QVariant(9) << "Edit" << QVariant() << false
                                          << QStringList() << 1;
        QTest::newRow("path-empty") << QByteArray("") << true << QVariant(9) << "Edit" << QVariant() << false << QStringList() << 1;
    }

    void changeWithUndo()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, document);
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QFETCH(QVariant, oldValue);
        QFETCH(bool, changed);
        QFETCH(QStringList, entries);

        Tree tree("int", document);
        tree.q.setValue(4);
        QSignalSpy notified(tree.root->notifier(), &ObjectNotifier::objectChanged);
        LogCapture log;
        QCOMPARE(path.isNull() ? UndoPropertyCommand::changeWithUndo(&tree.q, value, text)
                               : UndoPropertyCommand::changeWithUndo(text, tree.root.get(), path, value, oldValue),
                 changed);
        QTEST(int(log.texts().size()), "reports");
        QCOMPARE(tree.q.value(), changed ? value : QVariant(4));
        QCOMPARE(notified.count(), changed ? 1 : 0);
        QUndoStack *stack = tree.root->undoStack();
        QCOMPARE(undoTexts(stack), entries);
        if (!entries.isEmpty()) {
            stack->undo();
            QCOMPARE(tree.q.value(), oldValue.isValid() ? oldValue : QVariant(4));
            stack->redo();
            QCOMPARE(tree.q.value(), value);
        }
    }

    void sharedDefault_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("autoDefault");
        QTest::addColumn<bool>("secured");
        QTest::addColumn<QString>("expected");   // "chosen": the user sets it
        QTest::addColumn<QString>("nextDocument");
        QTest::addColumn<QStringList>("reports");
        const QVariantMap v2{{"version", 2}, {"value", "stored"}};
        const QVariantMap v1{{"version", 1}, {"value", "stored"}};
        QTest::newRow("manifest") << QVariant() << false << false << "manifest" << "manifest" << QStringList();
        QTest::newRow("stored") << QVariant(v2) << false << false << "stored" << "stored" << QStringList();
        QTest::newRow("other-version") << QVariant(v1) << false << false << "manifest" << "manifest"
                                       << QStringList{"property 'objects.g.p': stored default of "
                                                      "version 1 ignored, the property has version 2"};
        QTest::newRow("set-not-auto") << QVariant() << false << false << "chosen" << "manifest" << QStringList();
        QTest::newRow("auto-default") << QVariant() << true << false << "chosen" << "chosen" << QStringList();
        QTest::newRow("auto-default-sealed") << QVariant() << true << true << "chosen" << "chosen" << QStringList();
    }

    void sharedDefault()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, autoDefault);
        QFETCH(bool, secured);
        QFETCH(QString, expected);
        const QString key = QStringLiteral("propertyDefaults/tmpl/objects/g/p");
        HostApi::Settings *settings = Application::instance()->settings();
        if (stored.isValid())
            settings->setValue(key, stored);
        auto add = [&](Tree &tree) {
            tree.p.setStoredEncrypted(secured);
            tree.group.addDefaultProperty("p", &tree.p, QStringLiteral("manifest"), {}, autoDefault, 2);
        };
        LogCapture capture;
        {
            Tree tree("QString", true, false);
            add(tree);
            QTEST(capture.texts("Properties"), "reports");
            if (expected == QLatin1String("chosen"))
                tree.p.setValue(expected);
            QCOMPARE(tree.p.value().toString(), expected);
        }
        if (secured)
            QCOMPARE(settings->value(key).toMap().value("value").toMap().keys(), QStringList{"_secret"});
        Tree next("QString", true, false);
        add(next);
        QTEST(next.p.value().toString(), "nextDocument");
    }

    void pageEdits_data()
    {
        QTest::addColumn<bool>("spinBox");   // else the boolean combo box
        QTest::addColumn<int>("edit");       // spin box value or combo box index
        QTest::addColumn<bool>("apply");     // else cancel
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("flag");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("spin-apply") << true << 14 << true << 14 << false << QStringList{"Resize"};
        QTest::newRow("spin-cancel") << true << 14 << false << 10 << false << QStringList();
        QTest::newRow("spin-same-value") << true << 10 << true << 10 << false << QStringList();
        QTest::newRow("spin-beyond-99") << true << 1000 << true << 1000 << false << QStringList{"Resize"};
        QTest::newRow("boolean-apply") << false << 1 << true << 10 << true << QStringList{"Changed properties"};
        QTest::newRow("boolean-cancel") << false << 1 << false << 10 << false << QStringList();
    }

    void pageEdits()
    {
        QFETCH(bool, spinBox);
        QFETCH(int, edit);
        QFETCH(bool, apply);
        QFETCH(int, size);
        QFETCH(bool, flag);
        Tree tree("bool");
        tree.p.setValue(false);
        tree.q.setValue(10);
        TestPage page;
        LogCapture capture;
        page.setObject(tree.root.get(), false);
        QCOMPARE(capture.texts("Properties"), QStringList{"no property at 'objects.g.missing', its editor is disabled"});
        QVERIFY(!page.missing->isEnabled());
        QCOMPARE(qMakePair(page.size->value(), page.flag->currentIndex()), qMakePair(10, 0));

        if (spinBox)
            page.size->setValue(edit);
        else
            page.flag->setCurrentIndex(edit);
        QCOMPARE(page.isModified(), spinBox ? edit != 10 : edit != 0);
        if (apply)
            QVERIFY(page.apply());
        else
            page.cancel();
        QVERIFY(!page.isModified());
        QCOMPARE(tree.q.value(), QVariant(size));
        QCOMPARE(tree.p.value(), QVariant(flag));
        QTEST(undoTexts(tree.root->undoStack()), "entries");

        // Undo shows the old value in the editor again.
        tree.root->undoStack()->undo();
        QCOMPARE(qMakePair(page.size->value(), page.flag->currentIndex()), qMakePair(10, 0));
    }

    // A page shown for one object after another follows only the last; a destroyed object
    // is let go.
    void pageRebindsToNewObject()
    {
        Tree first("bool");
        Tree second("bool");
        first.q.setValue(1);
        second.q.setValue(2);
        TestPage page;
        LogCapture capture;
        page.setObject(first.root.get(), false);
        page.setObject(second.root.get(), true);
        QCOMPARE(page.size->value(), 2);
        QVERIFY(!page.size->isEnabled());
        first.q.setValue(5);
        QCOMPARE(page.size->value(), 2);
        second.q.setValue(6);
        QCOMPARE(page.size->value(), 6);

        second.root.reset();
        QVERIFY(!page.object());
        QVERIFY(!page.apply());
    }

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
        const QStringList cl{QStringLiteral("CLZ27  Crude Oil Dec 2027"), QStringLiteral("CL#  Crude Oil continuous")};
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
        QTest::newRow("control modifier") << "plain" << int(Qt::Key_A) << int(Qt::ControlModifier) << "";
        QTest::newRow("space") << "plain" << int(Qt::Key_Space) << 0 << "";
        QTest::newRow("web page") << "page" << int(Qt::Key_A) << 0 << "";
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
        (new QWebView(&widget))->setObjectName(QStringLiteral("page"));

        QWidget *receiver = target == widget.objectName() ? &widget : widget.findChild<QWidget *>(target);
        QTest::keyClick(receiver, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(control->isEditing(), !started.isEmpty());
        QCOMPARE(control->lineEdit()->text(), started.isEmpty() ? QStringLiteral("CLZ27") : started);
    }

    void locator()
    {
        LogCapture capture;
        const HostApi::ServiceRegistry registry;
        QCOMPARE(registry.locator(), HostApi::ServiceLocator::instance());
        QVERIFY(registry.service<HostApi::IHotKeyService>());
        QVERIFY(registry.service<HostApi::IFormulaOutputService>());
        QVERIFY(registry.service<HostApi::IDocTemplateService>());
        QVERIFY(registry.service<HostApi::IPropertyPageRegistry>());
        QVERIFY(registry.service<HostApi::IFavoritesService>());
        QVERIFY(registry.service<HostApi::IThemeService>());
        QVERIFY(capture.entries().isEmpty());

        QVERIFY(!HostApi::ServiceLocator().service<IUnknownService>());
        QVERIFY(!HostApi::ServiceRegistry(nullptr).service<HostApi::IHotKeyService>());
        QCOMPARE(capture.texts("Assert"), (QStringList{"Service not found", "0 != m_locator", "0 != m_locator"}));
        QCOMPARE(capture.entries().first().level, 3);
    }

    // A feature is on once registered and turned on in the settings.
    void features()
    {
        HostApi::Settings *settings = Application::instance()->settings();
        FeatureManager *features = FeatureManager::instance();
        const QString name = QStringLiteral("webplugin.developer");
        settings->setValue(QStringLiteral("features/") + name, true);
        QVERIFY(!features->isEnabled(name) && !features->setEnabled(name, false));
        QVERIFY(features->registerFeature(name) && features->registerFeature(name));
        QVERIFY(features->isEnabled(name));
        QVERIFY(features->setEnabled(name, false));
        QCOMPARE(settings->value(QStringLiteral("features/") + name), QVariant(false));
    }

    // Each refused registration keeps what was there and reports the failed condition.
    void refusals_data()
    {
        QTest::addColumn<Attempt>("attempt");
        QTest::addColumn<QString>("report");

        QTest::newRow("feature-empty") << Attempt([] { return FeatureManager::instance()->registerFeature({}); }) << "!name.isEmpty()";
        QTest::newRow("channel-empty-id") << Attempt([] { return HostApi::FormulaOutputService().registerChannel({}, "Z"); })
                                          << "!id.isEmpty()";
        QTest::newRow("template-empty-id") << Attempt([] { return HostApi::DocTemplateService().registerTemplate(docTemplate({})); })
                                           << "!docTemplate->id().isEmpty()";
        QTest::newRow("template-repeated-id") << Attempt([] {
            HostApi::DocTemplateService service;
            service.registerTemplate(docTemplate("webplugin_a"));
            return service.registerTemplate(docTemplate("webplugin_a")) || service.templates().size() != 1;
        }) << "0 == this->docTemplate(docTemplate->id())";
        QTest::newRow("page-repeated-id") << Attempt([] {
            HostApi::PropertyPageRegistry registry;
            auto *first = new TestPage;
            registry.registerPage("webplugin_a_page", first);
            QPointer<HostApi::PropertyPage> refused = new TestPage;
            return registry.registerPage("webplugin_a_page", refused) || refused || registry.page("webplugin_a_page") != first;
        }) << "!m_pages.contains(id)";
        QTest::newRow("group-invalid") << Attempt([] { return HostApi::HotKeyService().registerGroup({}); }) << "group.isValid()";
        const auto hotKey = [](const QByteArray &id) {
            return Attempt([id] {
                return HostApi::registerWidgetChildHotKey(id, "refused", {key("F9")}, "x", {}, "refused")
                    || HostApi::widgetChildHotKey(id, "refused");
            });
        };
        QTest::newRow("hotkey-dot-inside") << hotKey("show.inspector") << "!id.contains('.')";
        QTest::newRow("hotkey-empty-id") << hotKey({}) << "!id.isEmpty()";
    }

    void refusals()
    {
        QFETCH(Attempt, attempt);
        QFETCH(QString, report);

        LogCapture capture;
        QVERIFY(!attempt());
        QCOMPARE(capture.texts("Assert"), QStringList{report});
    }

    // Registered again, a channel is the same one, with its text; empty appends add nothing.
    void outputChannel()
    {
        HostApi::FormulaOutputService service;
        HostApi::IOutputChannel *writer = service.registerChannel("webpluginoutput", "Plugin Output");
        writer->append(QStringLiteral("a: b, c\n"));
        writer->append(QString());
        HostApi::OutputChannel *again = service.registerChannel("webpluginoutput", "Output");
        QCOMPARE(again, writer);
        QCOMPARE(service.channel(QStringLiteral("webpluginoutput")), again);
        again->append(QStringLiteral("d: e, f\n"));
        QCOMPARE(again->text(), QStringLiteral("a: b, c\nd: e, f\n"));
        QCOMPARE(service.channels().size(), 1);
    }

    // Nothing keeps a pointer to a destroyed document or widget.
    void lifetimes()
    {
        Document doc("webplugin_sample");
        auto *widget = new QWidget;
        doc.setDocumentWidget(widget);
        QCOMPARE(doc.documentWidget(), widget);
        delete widget;
        QVERIFY(!doc.documentWidget());

        ContextData context;
        HostApi::FavoritesService favorites;
        {
            Document gone("x");
            context.setDocument(&gone);
            favorites.addDocument(&doc);
            favorites.addDocument(&gone);
            favorites.addDocument(&doc);
            QCOMPARE(favorites.documents(), QList<Document *>({&doc, &gone}));
        }
        QVERIFY(!context.document());
        QCOMPARE(favorites.documents(), QList<Document *>({&doc}));
    }

    void themeStyle()
    {
        AppearanceManager *appearance = Application::instance()->appearanceManager();
        QStyle *style = HostApi::ServiceLocator::instance()->service<HostApi::IThemeService>()->style();
        QVERIFY(style);
        const auto base = [style] { return QColor::fromRgba(QRgb(style->styleHint(QStyle::StyleHint(ThemeStyle::BaseColorHint)))); };
        appearance->setCurrentTheme(AppearanceManager::WhiteTheme);
        QCOMPARE(base(), QColor(Qt::white));
        appearance->setCurrentTheme(AppearanceManager::BlackTheme);
        QVERIFY(base().lightness() < 64);
    }

    // A hot key (context path, id, sequences) is registered under the row's parent, then the
    // widget-child hot key "mine" under that parent (or another one) asks for sequences.
    void hotKeyConflicts_data()
    {
        QTest::addColumn<QByteArray>("contextPath");
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<KeyList>("registered");
        QTest::addColumn<bool>("sameParent");
        QTest::addColumn<KeyList>("asked");
        QTest::addColumn<KeyList>("taken");

        const QByteArray widget = HostApi::IHotKeyService::WidgetChildContextPath;
        const QKeySequence ctrlK = key("Ctrl+K"), f5 = key("F5"), shiftF7 = key("Shift+F7");
        QTest::newRow("only-used-ones-reported") << widget << QByteArray("other") << KeyList{ctrlK, f5} << true
                                                 << KeyList{key("F6"), f5, ctrlK} << KeyList{f5, ctrlK};
        QTest::newRow("different-parent") << widget << QByteArray("other") << KeyList{ctrlK} << false << KeyList{ctrlK} << KeyList{};
        QTest::newRow("different-context-path") << QByteArray("application") << QByteArray("other") << KeyList{ctrlK} << true
                                                << KeyList{ctrlK} << KeyList{};
        QTest::newRow("same-id-is-not-a-conflict") << widget << QByteArray("mine") << KeyList{ctrlK} << true << KeyList{ctrlK} << KeyList{};
        QTest::newRow("empty-sequence-ignored") << widget << QByteArray("other") << KeyList{QKeySequence()} << true
                                                << KeyList{QKeySequence()} << KeyList{};
        QTest::newRow("repeated-ask-reported-once") << widget << QByteArray("other") << KeyList{shiftF7} << true
                                                    << KeyList{shiftF7, shiftF7} << KeyList{shiftF7};
    }

    void hotKeyConflicts()
    {
        QFETCH(QByteArray, contextPath);
        QFETCH(QByteArray, id);
        QFETCH(KeyList, registered);
        QFETCH(bool, sameParent);
        QFETCH(KeyList, asked);
        QFETCH(KeyList, taken);

        const QByteArray parent = QByteArray("conflicts-") + QTest::currentDataTag();
        QVERIFY(HostApi::registerHotKey(contextPath, id, parent, registered, QStringLiteral("Other"), QString(), parent));
        KeyList found{key("Ctrl+Z")};   // filled, not appended to
        QCOMPARE(HostApi::isWidgetChildHotKeySequenceRegistered("mine", sameParent ? parent : parent + "-other", asked, found),
                 !taken.isEmpty());
        QCOMPARE(found, taken);
    }

    // A registration yields the action; registered again it is the same action, re-keyed; the
    // actions it makes for documents follow its keys and go in context menus.
    void hotKeyActions()
    {
        HostApi::HotKeyOptions options;
        options.checkable = true;
        HostApi::HotKeyAction *action = HostApi::registerWidgetChildHotKey(
            "toggle", "webplugin_reg", {key("Ctrl+T")}, "Toggle", "Toggles it", "webplugin_reg", options);
        QVERIFY(action && action->isCheckable());
        QCOMPARE(action->shortcutContext(), Qt::WidgetWithChildrenShortcut);
        HostApi::HotKey *hotKey = HostApi::widgetChildHotKey("toggle", "webplugin_reg");
        QVERIFY(hotKey && action->hotKey() == hotKey);
        QCOMPARE(hotKey->path(), QByteArray("actionWidget.webplugin_reg.toggle"));

        QCOMPARE(HostApi::registerWidgetChildHotKey("toggle", "webplugin_reg", {key("F4")}, "Show &Inspector", {}, "g"), action);
        QCOMPARE(action->shortcuts(), KeyList{key("F4")});
        KeyList taken;
        QVERIFY(!HostApi::isWidgetChildHotKeySequenceRegistered("other", "webplugin_reg", {key("Ctrl+T")}, taken));
        action->setAutoToolTip(true);
        QCOMPARE(action->toolTip(), QStringLiteral("Show Inspector (") + key("F4").toString(QKeySequence::NativeText) + QLatin1Char(')'));

        QObject documentObject;
        HostApi::HotKeyAction *created = action->createAction(&documentObject);
        QVERIFY(created && created != action && created->parent() == &documentObject);
        hotKey->setSequences({key("Ctrl+Left")});
        QCOMPARE(created->shortcuts(), KeyList{key("Ctrl+Left")});
        ContextMenuActionList list{ContextMenuAction::separator(1)};
        created->addToContextMenuActionList(list, 1);
        QCOMPARE(list.size(), 2);
        QVERIFY(list.last().action() == created && !list.last().isOwned() && list.last().place() == 1);
    }
};

QTEST_MAIN(tst_HostApi)
#include "tst_hostapi.moc"

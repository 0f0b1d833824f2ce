#include "testsupport.h"

#include <appearancemanager.h>
#include <application.h>
#include <interactiveobject.h>
#include <propertyobject.h>
#include <propertypage.h>
#include <secretstore.h>
#include <settings.h>
#include <undopropertycommand.h>

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

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
    TestPage()
        : HostApi::PropertyPage(QIcon())
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

class tst_HostApiProperties : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dataDir;

private slots:
    // Every test gets an empty data folder: settings, shared defaults and key file.
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
                              << QVariant(QVariantMap{{"_type", "QFont"}, {"family", "Sans"},
                                                      {"pointSize", 12}, {"bold", true},
                                                      {"italic", false}});
        QTest::newRow("colour") << QByteArray("QColor") << QVariant(QColor(255, 128, 0, 64))
                                << QVariant("#40ff8000");
        QTest::newRow("invalid-colour") << QByteArray("QColor") << QVariant(QColor()) << QVariant("");
    }

    void jsonRoundTrip()
    {
        QFETCH(QByteArray, type);
        QFETCH(QVariant, value);
        QFETCH(QVariant, json);
        Tree saved(type);
        saved.p.setValue(value);
        saved.q.setValue(7);
        QCOMPARE(saved.p.objectToJson(), json);

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
                                << QStringList{QStringLiteral("property 'objects.g.p': value not "
                                                              "restored: ") + QLatin1String(report)};
        };
        const QString mib(1024 * 1024, QLatin1Char('x'));
        row("bool-from-string", "bool", "yes", "expected a boolean, got QString");
        row("int-huge", "int", 1e20, "expected an integer from -2147483648 to 2147483647, got 1e+20");
        row("int-fraction", "int", 2.5, "expected an integer from -2147483648 to 2147483647, got 2.5");
        row("double-from-string", "double", "1", "expected a finite number, got QString");
        row("string-over-limit", "QString", QString(mib + 'x'), "the string is longer than 1048576 bytes");
        row("map-65-levels", "QVariantMap", nestedMap(65), "the map is nested deeper than 64 levels");
        row("map-over-limit", "QVariantMap", QVariantMap{{"a", mib}},
            "the map is longer than 1048576 bytes");
        row("font-size-zero", "QFont", QVariantMap{{"family", "Sans"}, {"pointSize", 0}},
            "expected a point size from 1 to 1000, got 0");
        row("font-size-huge", "QFont", QVariantMap{{"family", "Sans"}, {"pointSize", 1001}},
            "expected a point size from 1 to 1000, got 1001");
        row("font-family-number", "QFont", QVariantMap{{"family", 3}, {"pointSize", 9}},
            "expected a font map of family, pointSize, bold and italic");
        row("colour-name", "QColor", "red", "expected a colour as #aarrggbb, got 'red'");
        QTest::newRow("map-64-levels") << QByteArray("QVariantMap")
                                       << QVariant(QVariantMap{{"p", nestedMap(64)}, {"q", 7}})
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
        QTest::newRow("other-key") << QByteArray(32, 'k') << false
                                   << "a value was not sealed under the key %1";
        QTest::newRow("open-to-others") << QByteArray() << true
                                        << "the key file %1 is open to other users";
        QTest::newRow("short-key") << QByteArray(31, 'k') << false
                                   << "the key file %1 does not hold a key of 32 bytes";
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
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther
            | QFile::WriteOther;
        QVERIFY(QFile::exists(keyFileName));
        QVERIFY(!(QFile::permissions(keyFileName) & others));

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
        QCOMPARE(capture.texts("SecretStore"),
                 opened ? QStringList() : QStringList{storeReport.arg(keyFileName)});
        QCOMPARE(capture.texts("Properties"),
                 opened ? QStringList() : QStringList{"property 'objects.g.p': value not restored: "
                                                      "the sealed value cannot be opened"});
    }

    void changeWithUndo_data()
    {
        QTest::addColumn<bool>("document");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("equal-value") << true << QVariant(1) << "Edit" << false << QStringList();
        QTest::newRow("same-number-other-type") << true << QVariant(1.0) << "Edit" << true
                                                << QStringList{"Edit"};
        QTest::newRow("new-value") << true << QVariant(2) << "Edit" << true << QStringList{"Edit"};
        QTest::newRow("empty-text") << true << QVariant(2) << QString() << true
                                    << QStringList{"Changed document content"};
        QTest::newRow("no-undo-stack") << false << QVariant(2) << "Edit" << true << QStringList();
    }

    void changeWithUndo()
    {
        QFETCH(bool, document);
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QFETCH(bool, changed);
        QFETCH(QStringList, entries);
        Tree tree("int", document);
        tree.p.setValue(1);
        QSignalSpy notified(tree.root->notifier(), &ObjectNotifier::objectChanged);
        QCOMPARE(UndoPropertyCommand::changeWithUndo(&tree.p, value, text), changed);
        QCOMPARE(tree.p.value(), changed ? value : QVariant(1));
        QCOMPARE(notified.count(), changed ? 1 : 0);
        QUndoStack *stack = tree.root->undoStack();
        QCOMPARE(undoTexts(stack), entries);
        if (!entries.isEmpty()) {
            stack->undo();
            QCOMPARE(tree.p.value(), QVariant(1));
            stack->redo();
            QCOMPARE(tree.p.value(), value);
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
        QTest::newRow("manifest") << QVariant() << false << false << "manifest" << "manifest"
                                  << QStringList();
        QTest::newRow("stored") << QVariant(v2) << false << false << "stored" << "stored"
                                << QStringList();
        QTest::newRow("other-version") << QVariant(v1) << false << false << "manifest" << "manifest"
                                       << QStringList{"property 'objects.g.p': stored default of "
                                                      "version 1 ignored, the property has version 2"};
        QTest::newRow("set-not-auto") << QVariant() << false << false << "chosen" << "manifest"
                                      << QStringList();
        QTest::newRow("auto-default") << QVariant() << true << false << "chosen" << "chosen"
                                      << QStringList();
        QTest::newRow("auto-default-sealed") << QVariant() << true << true << "chosen" << "chosen"
                                             << QStringList();
    }

    void sharedDefault()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, autoDefault);
        QFETCH(bool, secured);
        QFETCH(QString, expected);
        QFETCH(QString, nextDocument);
        QFETCH(QStringList, reports);
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
            QCOMPARE(capture.texts("Properties"), reports);
            if (expected == QLatin1String("chosen"))
                tree.p.setValue(expected);
            QCOMPARE(tree.p.value().toString(), expected);
        }
        if (secured)
            QCOMPARE(settings->value(key).toMap().value("value").toMap().keys(), QStringList{"_secret"});
        Tree next("QString", true, false);
        add(next);
        QCOMPARE(next.p.value().toString(), nextDocument);
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
        QFETCH(QStringList, entries);
        Tree tree("bool");
        tree.p.setValue(false);
        tree.q.setValue(10);
        TestPage page;
        LogCapture capture;
        page.setObject(tree.root.get(), false);
        QCOMPARE(capture.texts("Properties"),
                 QStringList{"no property at 'objects.g.missing', its editor is disabled"});
        QVERIFY(!page.missing->isEnabled());
        QCOMPARE(page.size->value(), 10);
        QCOMPARE(page.flag->currentIndex(), 0);

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
        QCOMPARE(undoTexts(tree.root->undoStack()), entries);

        // Undo shows the old value in the editor again.
        tree.root->undoStack()->undo();
        QCOMPARE(page.size->value(), 10);
        QCOMPARE(page.flag->currentIndex(), 0);
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

};

QTEST_MAIN(tst_HostApiProperties)
#include "tst_hostapi_properties.moc"

#include "testsupport.h"

#include <properties/scriptpropertycontainer.h>
#include <properties/scriptsimpleproperty.h>

#include <appearancemanager.h>
#include <application.h>
#include <interactiveobject.h>
#include <settings.h>

#include <QSignalSpy>
#include <QUndoStack>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(PropertySpec)

namespace {

PropertySpec definition(const QString &id, PropertyKind kind, int type, int flags = 0,
                        const QVariant &defaultValue = QVariant())
{
    PropertySpec spec;
    spec.id = id;
    spec.kind = kind;
    spec.type = type;
    spec.flags = flags;
    spec.defaultValue = defaultValue;
    return spec;
}

PropertySpec theme(const QVariant &black, const QVariant &white)
{
    PropertySpec spec = definition("t", PropertyKind::Theme, QMetaType::QColor);
    spec.black = black;
    spec.white = white;
    return spec;
}

// The two lines of a refused value of type got for the property "p" of type expected.
QStringList refusal(int expected, int got)
{
    QStringList lines;
    for (const char *message : {"could not convert value for a property",
                                "an attempt was made to set invalid value for property"}) {
        lines.append(QStringLiteral("Property::setValue: %1, property: 'p', expected property "
                                    "type: %2, got: %3\n").arg(QLatin1String(message))
                         .arg(expected).arg(got));
    }
    return lines;
}

QVariant hostValue(const ScriptSimpleProperty &property)
{
    return property.PropertyObject::value();
}

// A document's object tree: the root joined, holding the tree "objects" of groups.
struct Tree
{
    explicit Tree(const PropertyGroups &groups)
        : objects(ScriptPropertyContainer::createObjects(QStringLiteral("objects"), groups,
                                                         nullptr))
    {
        root.setTypeName("webplugin_propertytest");
        root.joinTree();
        objects->attach(&root);
    }

    ScriptSimpleProperty *property(const QByteArray &path) const
    {
        return dynamic_cast<ScriptSimpleProperty *>(root.findObject(path));
    }

    InteractiveObject root;
    std::unique_ptr<ScriptPropertyContainer> objects;
};

} // namespace

class tst_ScriptProperties : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void scriptWrites_data();
    void scriptWrites();
    void undo_data();
    void undo();
    void constructionReports_data();
    void constructionReports();
    void fontPersistence_data();
    void fontPersistence();
    void attach_data();
    void attach();
};

void tst_ScriptProperties::cleanup()
{
    Application::instance()->settings()->setValue(AppearanceManager::FontScaleKey, 1);
}

// A script writes a slot or a property; what it reads back ("" = the host's value), and the
// output lines of a refusal.
void tst_ScriptProperties::scriptWrites_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariantMap>("reads");
    QTest::addColumn<QStringList>("lines");

    const int integer = QMetaType::Int;
    const int font = QMetaType::QFont;
    const int color = QMetaType::QColor;
    const QByteArray set("setValue");
    const QStringList none;
    const QString segoe = QStringLiteral("bold italic 14pt \"segoe ui\"");
    QTest::newRow("int-number-text") << integer << set << QVariant("12") << QVariantMap{{"", 12}}
                                     << none;
    QTest::newRow("int-text-is-0") << integer << set << QVariant("abc") << QVariantMap{{"", 0}}
                                   << none;
    QTest::newRow("int-rounds") << integer << set << QVariant(2.6) << QVariantMap{{"", 3}} << none;
    QTest::newRow("bool-False") << int(QMetaType::Bool) << set << QVariant("False")
                                << QVariantMap{{"", false}} << none;
    QTest::newRow("bool-no") << int(QMetaType::Bool) << set << QVariant("no")
                             << QVariantMap{{"", true}} << none;
    QTest::newRow("font-map") << font << set << QVariant(QVariantMap{{"family", "A"},
                                                                     {"pointSize", 14},
                                                                     {"bold", true}})
        << QVariantMap{{"", QVariant::fromValue(QFont("A", 14, QFont::Bold))}} << none;
    QTest::newRow("map-from-list") << int(QMetaType::QVariantMap) << set
                                   << QVariant(QVariantList{1})
                                   << QVariantMap{{"", QVariantMap()}} << refusal(8, 9);
    QTest::newRow("int-undefined") << integer << set << QVariant() << QVariantMap{{"", 0}}
                                   << refusal(2, 0);
    QTest::newRow("fontCss-capitals") << font << QByteArray("fontCss")
        << QVariant("Italic 600 14pt \"Segoe UI\"")
        << QVariantMap{{"fontCss", segoe}, {"value", segoe}, {"fontFamily", "segoe ui"},
                       {"fontSize", 14}, {"fontBold", true}, {"fontItalic", true}} << none;
    QTest::newRow("fontCss-family-alone-is-size") << font << QByteArray("fontCss")
        << QVariant("Arial") << QVariantMap{{"fontFamily", ""}} << none;
    QTest::newRow("colorCss-hex") << color << QByteArray("colorCss") << QVariant("#FF8000")
        << QVariantMap{{"", QVariant::fromValue(QColor(255, 128, 0))},
                       {"colorCss", "rgb(255,128,0)"}, {"value", "rgb(255,128,0)"}} << none;
    QTest::newRow("colorCss-rgba") << color << QByteArray("colorCss") << QVariant("rgba(1,2,3,128)")
                                   << QVariantMap{{"colorCss", "rgba(1,2,3,128)"}} << none;
    QTest::newRow("colorCss-name") << color << QByteArray("colorCss") << QVariant("red")
        << QVariantMap{{"", QVariant::fromValue(QColor())}, {"colorCss", ""}} << none;
    QTest::newRow("colorCss-of-string") << int(QMetaType::QString) << QByteArray("colorCss")
        << QVariant("#FF8000") << QVariantMap{{"colorCss", ""}, {"value", ""}} << none;
    QTest::newRow("font-of-int") << integer << QByteArray("fontSize") << QVariant(20)
        << QVariantMap{{"value", 0}, {"fontCss", ""}, {"fontFamily", ""}, {"fontSize", 0},
                       {"fontBold", false}, {"fontItalic", false}} << none;
}

void tst_ScriptProperties::scriptWrites()
{
    QFETCH(int, type);
    QFETCH(QByteArray, written);
    QFETCH(QVariant, value);
    QFETCH(QVariantMap, reads);
    QFETCH(QStringList, lines);

    RecordingChannel log;
    ScriptSimpleProperty property(definition("p", PropertyKind::None, type), &log);
    if (written == "setValue")
        property.setValue(value);
    else
        QVERIFY(property.setProperty(written.constData(), value));
    for (auto read = reads.cbegin(); read != reads.cend(); ++read) {
        QCOMPARE(read.key().isEmpty() ? hostValue(property)
                                      : property.property(read.key().toLatin1().constData()),
                 read.value());
    }
    QCOMPARE(log.lines, lines);
}

// setValueWithUndo: the undo entries, the changed() signals, and undo restoring the value.
void tst_ScriptProperties::undo_data()
{
    QTest::addColumn<QString>("undoText");
    QTest::addColumn<bool>("attached");
    QTest::addColumn<QVariant>("value");        // the property holds 5
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("changes");

    const QString rows = QStringLiteral("Change rows");
    QTest::newRow("same-value") << rows << true << QVariant(5) << QStringList() << 0;
    QTest::newRow("same-after-coercion") << rows << true << QVariant("5") << QStringList() << 0;
    QTest::newRow("new-value") << rows << true << QVariant(7) << QStringList{rows} << 1;
    QTest::newRow("default-text") << QString() << true << QVariant(7)
                                  << QStringList{"Changed document content"} << 1;
    QTest::newRow("before-attach") << rows << false << QVariant(7) << QStringList() << 1;
}

void tst_ScriptProperties::undo()
{
    QFETCH(QString, undoText);
    QFETCH(bool, attached);
    QFETCH(QVariant, value);
    QFETCH(QStringList, entries);
    QFETCH(int, changes);

    PropertySpec spec = definition("p", PropertyKind::None, QMetaType::Int);
    spec.undoText = undoText;
    Tree tree(attached ? PropertyGroups{{"g", {spec}}} : PropertyGroups());
    ScriptSimpleProperty loose(spec, nullptr);
    ScriptSimpleProperty *property = attached ? tree.property("objects.g.p") : &loose;
    property->setValue(5);

    QSignalSpy changed(property, &ScriptSimpleProperty::changed);
    property->setValueWithUndo(value);
    QCOMPARE(changed.count(), changes);
    QUndoStack *stack = tree.root.undoStack();
    QStringList texts;
    for (int i = 0; i < stack->count(); ++i)
        texts.append(stack->text(i));
    QCOMPARE(texts, entries);
    stack->undo();
    QCOMPARE(hostValue(*property), entries.isEmpty() ? QVariant(value.toInt()) : QVariant(5));
}

// Definitions the tree cannot take as they are: the assertion reports, and what is built.
void tst_ScriptProperties::constructionReports_data()
{
    QTest::addColumn<PropertySpec>("spec");
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("built");

    const int integer = QMetaType::Int;
    const QString container = QStringLiteral("scriptpropertycontainer.cpp");
    const QString simple = QStringLiteral("scriptsimpleproperty.cpp");
    QTest::newRow("json-without-default")
        << definition("p", PropertyKind::Default, QMetaType::QVariantMap) << QStringList()
        << QString() << QStringList{"p"};
    QTest::newRow("empty-id") << definition("", PropertyKind::None, integer)
                              << QStringList{"!prop.id.isEmpty()"} << container << QStringList{""};
    QTest::newRow("unknown-kind") << definition("p", PropertyKind(7), integer)
                                  << QStringList{"0 != propObj"} << container << QStringList();
    QTest::newRow("unsupported-type") << definition("p", PropertyKind::None, QMetaType::QDate)
        << QStringList{"!\"unsupported property type\""} << simple << QStringList{"p"};
    QTest::newRow("default-of-other-type")
        << definition("p", PropertyKind::Default, integer, 0, "3")
        << QStringList{"typeId == defaultValue.userType()"} << simple << QStringList{"p"};
    QTest::newRow("theme-of-other-types") << theme(1, 2)
        << QStringList{"typeId == themeDefaultValue1.userType()",
                       "typeId == themeDefaultValue2.userType()"} << simple << QStringList{"t"};
}

void tst_ScriptProperties::constructionReports()
{
    QFETCH(PropertySpec, spec);
    QFETCH(QStringList, reports);
    QFETCH(QString, file);
    QFETCH(QStringList, built);

    LogCapture capture;
    const std::unique_ptr<ScriptPropertyContainer> container(
        ScriptPropertyContainer::createContainer(QStringLiteral("g"), {spec}, nullptr));
    QCOMPARE(capture.texts("Assert"), reports);
    for (const HostApi::LogEntry &entry : capture.entries())
        QVERIFY2(entry.file.endsWith(file.toLatin1()), entry.file.constData());
    QStringList names;
    for (const QObject *object : container->objects())
        names.append(object->objectName());
    QCOMPARE(names, built);
}

// Fonts are stored at the normal font scale and shown at the user's.
void tst_ScriptProperties::fontPersistence_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("shownSize");
    QTest::addColumn<int>("storedSize");

    QTest::newRow("scale-1") << 1.0 << 12 << 12;
    QTest::newRow("scale-2") << 2.0 << 24 << 12;
    QTest::newRow("scale-half") << 0.5 << 8 << 16;
}

void tst_ScriptProperties::fontPersistence()
{
    QFETCH(double, scale);
    QFETCH(int, shownSize);
    QFETCH(int, storedSize);

    Application::instance()->settings()->setValue(AppearanceManager::FontScaleKey, scale);
    ScriptSimpleProperty property(definition("f", PropertyKind::None, QMetaType::QFont), nullptr);
    property.setValue(QVariant::fromValue(QFont("Arial", shownSize, QFont::Bold, true)));
    const QVariantMap stored{{"_type", "QFont"}, {"family", "Arial"}, {"pointSize", storedSize},
                             {"bold", true}, {"italic", true}};
    QCOMPARE(property.objectToJson(), QVariant(stored));

    property.setValue(QVariant::fromValue(QFont("Other", 30)));
    property.objectFromJson(stored, 0);
    QCOMPARE(hostValue(property).value<QFont>(), QFont("Arial", shownSize, QFont::Bold, true));
}

// The host flags and the value each kind gets when it joins the tree.
void tst_ScriptProperties::attach_data()
{
    QTest::addColumn<PropertySpec>("spec");
    QTest::addColumn<int>("hostFlags");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<bool>("sharedDefault");
    QTest::addColumn<QVariant>("value");

    const int integer = QMetaType::Int;
    const int styles = PropertySpec::IsStyleTemplate | PropertySpec::IsDefaultStyleTemplate;
    const int shared = PropertySpec::IsSharedDefault;
    const int autoDefault = PropertySpec::IsAutoDefault;
    const QVariant black = QVariant::fromValue(QColor(Qt::black));
    PropertySpec font = definition("font", PropertyKind::Font, QMetaType::QFont);
    font.font = QFont("Arial", 12);

    QTest::newRow("none-style-templates") << definition("n1", PropertyKind::None, integer, styles)
        << (ShellObject::StyleTemplateFlag | ShellObject::DefaultStyleTemplateFlag) << false
        << false << QVariant(0);
    QTest::newRow("none-style-template-only")
        << definition("n2", PropertyKind::None, integer, PropertySpec::IsStyleTemplate)
        << int(ShellObject::StyleTemplateFlag) << false << false << QVariant(0);
    QTest::newRow("none-secured")
        << definition("n3", PropertyKind::None, integer, PropertySpec::IsSecured) << 0 << true
        << false << QVariant(0);
    QTest::newRow("default-shared-auto")
        << definition("d1", PropertyKind::Default, integer, shared | autoDefault, 5)
        << int(ShellObject::AutoDefaultFlag) << false << true << QVariant(5);
    QTest::newRow("default-shared") << definition("d2", PropertyKind::Default, integer, shared, 5)
                                    << 0 << false << true << QVariant(5);
    QTest::newRow("default-plain-ignores-auto")
        << definition("d3", PropertyKind::Default, integer, autoDefault, 5) << 0 << false
        << false << QVariant(5);
    QTest::newRow("default-plain-coerced") << definition("d4", PropertyKind::Default, integer, 0,
                                                         "12")
                                           << 0 << false << false << QVariant(12);
    QTest::newRow("default-json-absent")
        << definition("d5", PropertyKind::Default, QMetaType::QVariantMap) << 0 << false << false
        << QVariant(QVariantMap());
    QTest::newRow("theme") << theme(black, QVariant::fromValue(QColor(Qt::white))) << 0 << false
                           << false << black;
    QTest::newRow("font") << font << 0 << false << false << QVariant::fromValue(font.font);
}

void tst_ScriptProperties::attach()
{
    QFETCH(PropertySpec, spec);
    QFETCH(int, hostFlags);
    QFETCH(bool, encrypted);
    QFETCH(bool, sharedDefault);
    QFETCH(QVariant, value);

    const Tree tree({{"g", {spec}}});
    const ScriptSimpleProperty *property = tree.property("objects.g." + spec.id.toUtf8());
    QVERIFY(property);
    QCOMPARE(property->propertyFlags(), hostFlags);
    QCOMPARE(property->isStoredEncrypted(), encrypted);
    QCOMPARE(property->hasSharedDefault(), sharedDefault);
    QCOMPARE(hostValue(*property), value);
    if (spec.kind == PropertyKind::Font) {
        QList<int> sizes;
        for (const PropertyEnum &entry : property->propertyEnum("pointSize"))
            sizes.append(entry.value.toInt());
        QCOMPARE(sizes, AppearanceManager::validPointSizes());
    }
}

QTEST_MAIN(tst_ScriptProperties)

#include "tst_scriptproperties.moc"

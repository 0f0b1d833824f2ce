#include "bundletestutils.h"
#include "testsupport.h"

#include <bundle/standardbundle.h>
#include <properties/scriptpropertycontainer.h>
#include <properties/scriptpropertypage.h>
#include <properties/scriptsimpleproperty.h>

#include <appearancemanager.h>
#include <application.h>
#include <fontpicker.h>
#include <interactiveobject.h>
#include <settings.h>

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(PropertySpec)
Q_DECLARE_METATYPE(PropertyBindingSpec)

namespace {

PropertySpec definition(const QString &id, int type, PropertyKind kind = PropertyKind::None, int flags = 0,
                        const QVariant &defaultValue = QVariant(), const QString &undoText = QString())
{
    PropertySpec spec;
    spec.id = id;
    spec.kind = kind;
    spec.type = type;
    spec.flags = flags;
    spec.defaultValue = defaultValue;
    spec.undoText = undoText;
    return spec;
}

PropertySpec theme(const QVariant &black, const QVariant &white)
{
    PropertySpec spec = definition("t", QMetaType::QColor, PropertyKind::Theme);
    spec.black = black;
    spec.white = white;
    return spec;
}

QVariant hostValue(const ScriptSimpleProperty &property)
{
    return property.PropertyObject::value();
}

// A document's object tree: the root joined, holding the tree "objects" of groups.
struct Tree
{
    explicit Tree(const PropertyGroups &groups, HostApi::IOutputChannel *log = nullptr)
        : objects(ScriptPropertyContainer::createObjects(QStringLiteral("objects"), groups, log))
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

PropertyBindingSpec binding(const QString &name, const QString &bind, const QString &type = QString(),
                            const QString &undoText = QString())
{
    PropertyBindingSpec spec;
    spec.name = name;
    spec.bind = bind;
    spec.type = type;
    spec.undoText = undoText;
    return spec;
}

// A plug-in whose group "g" holds one property of each type, and whose page shows bindings.
ScriptPluginSpec pluginSpec(const QList<PropertyBindingSpec> &bindings)
{
    ScriptPluginSpec spec;
    spec.objects.insert(QStringLiteral("g"), {
        definition("b", QMetaType::Bool), definition("i", QMetaType::Int, PropertyKind::None, 0, {}, "Change i"),
        definition("d", QMetaType::Double), definition("s", QMetaType::QString), definition("f", QMetaType::QFont),
        definition("c", QMetaType::QColor), definition("j", QMetaType::QVariantMap),
        definition("date", QMetaType::QDate)});
    spec.propertyPages.append({QStringLiteral("general"), QStringLiteral("General"), QString(), bindings});
    return spec;
}

// The page's line "propertypage: MESSAGE, DETAIL" of the property at path.
QString pageLine(const QString &message, const QString &path, const QString &detail)
{
    return "propertypage: " + message.arg(path) + ", " + detail + '\n';
}

QString ignored(const QString &path, const QString &type)
{
    return pageLine("ignoring control type for property '%1'", path,
                    QStringLiteral("control type '%1' isn't supported for this property type").arg(type));
}

QString refused(const QString &path, bool json = false)
{
    return pageLine("failed to created control for property '%1'", path,
                    json ? "property type isn't supported by property page" : "property not found");
}

// The first page of a plug-in, shown for a document object holding the plug-in's tree.
struct ShownPage
{
    explicit ShownPage(const ScriptPluginSpec &spec)
        : tree(spec.objects, &log)
        , page(spec.propertyPages.first(), spec, &log)
    {
        log.clear();
        page.setObject(&tree.root, false);
    }

    QList<QWidget *> editors() const
    {
        QList<QWidget *> result;
        for (QWidget *widget : page.findChildren<QWidget *>()) {
            if (widget->property("dataKey").isValid())
                result.append(widget);
        }
        return result;
    }

    // The row labels, from the first grid row down.
    QStringList labels() const
    {
        QStringList texts;
        const QGridLayout *grid = page.findChild<QGridLayout *>();
        for (int row = 0; row < grid->rowCount(); ++row) {
            if (QLayoutItem *item = grid->itemAtPosition(row, 0))
                texts.append(qobject_cast<QLabel *>(item->widget())->text());
        }
        return texts;
    }

    LogCapture reports;
    RecordingChannel log;
    Tree tree;
    ScriptPropertyPage page;
};

} // namespace

class tst_ScriptProperties : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Application::instance()->settings()->setValue(AppearanceManager::FontScaleKey, 1); }
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
    void editors_data();
    void editors();
    void rows_data();
    void rows();
    void thousandBindings();
    void manifest_data();
    void manifest();
};

// A script writes a slot or a property; what it reads back ("" = the host's value), and the
// output lines of a refusal.
void tst_ScriptProperties::scriptWrites_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariantMap>("reads");
    QTest::addColumn<QStringList>("lines");

    const auto row = [](const char *name, int type, const char *written, const QVariant &value,
                        const QVariantMap &reads, const QStringList &lines = {}) {
        QTest::newRow(name) << type << QByteArray(written) << value << reads << lines;
    };
    // The two lines of a refused value of type got for the property "p" of type expected.
    const auto refusal = [](int expected, int got) {
        const QString line = QStringLiteral("Property::setValue: %1, property: 'p', expected property type: %2, got: %3\n");
        return QStringList{line.arg("could not convert value for a property").arg(expected).arg(got),
                           line.arg("an attempt was made to set invalid value for property").arg(expected).arg(got)};
    };
    const int integer = QMetaType::Int;
    const int font = QMetaType::QFont;
    const int color = QMetaType::QColor;
    const QString segoe = QStringLiteral("bold italic 14pt \"segoe ui\"");
    const QString orange = QStringLiteral("rgb(255,128,0)");
    row("int-number-text", integer, "setValue", "12", {{"", 12}});
    row("int-text-is-0", integer, "setValue", "abc", {{"", 0}});
    row("int-rounds", integer, "setValue", 2.6, {{"", 3}});
    row("bool-False", QMetaType::Bool, "setValue", "False", {{"", false}});
    row("bool-no", QMetaType::Bool, "setValue", "no", {{"", true}});
    row("font-map", font, "setValue", QVariantMap{{"family", "A"}, {"pointSize", 14}, {"bold", true}},
        {{"", QVariant::fromValue(QFont("A", 14, QFont::Bold))}});
    row("map-from-list", QMetaType::QVariantMap, "setValue", QVariantList{1}, {{"", QVariantMap()}}, refusal(8, 9));
    row("int-undefined", integer, "setValue", QVariant(), {{"", 0}}, refusal(2, 0));
    row("fontCss-capitals", font, "fontCss", "Italic 600 14pt \"Segoe UI\"", {{"fontCss", segoe}, {"value", segoe},
        {"fontFamily", "segoe ui"}, {"fontSize", 14}, {"fontBold", true}, {"fontItalic", true}});
    row("colorCss-hex", color, "colorCss", "#FF8000",
        {{"", QVariant::fromValue(QColor(255, 128, 0))}, {"colorCss", orange}, {"value", orange}});
    row("colorCss-name", color, "colorCss", "red", {{"", QVariant::fromValue(QColor())}, {"colorCss", ""}});
    row("colorCss-of-string", QMetaType::QString, "colorCss", "#FF8000", {{"colorCss", ""}, {"value", ""}});
    row("font-of-int", integer, "fontSize", 20, {{"value", 0}, {"fontCss", ""}, {"fontFamily", ""}, {"fontSize", 0},
        {"fontBold", false}, {"fontItalic", false}});
}

void tst_ScriptProperties::scriptWrites()
{
    QFETCH(int, type);
    QFETCH(QByteArray, written);
    QFETCH(QVariant, value);
    QFETCH(QVariantMap, reads);
    QFETCH(QStringList, lines);

    RecordingChannel log;
    ScriptSimpleProperty property(definition("p", type), &log);
    if (written == "setValue")
        property.setValue(value);
    else
        QVERIFY(property.setProperty(written.constData(), value));
    for (auto read = reads.cbegin(); read != reads.cend(); ++read) {
        QCOMPARE(read.key().isEmpty() ? hostValue(property) : property.property(read.key().toLatin1().constData()),
                 read.value());
    }
    QCOMPARE(log.lines, lines);
}

// setValueWithUndo of a property holding 5: the undo entries, the changed() signals, and undo
// restoring the value.
void tst_ScriptProperties::undo_data()
{
    QTest::addColumn<QString>("undoText");
    QTest::addColumn<bool>("attached");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("changes");

    const QString rows = QStringLiteral("Change rows");
    QTest::newRow("same-value") << rows << true << QVariant(5) << QStringList() << 0;
    QTest::newRow("same-after-coercion") << rows << true << QVariant("5") << QStringList() << 0;
    QTest::newRow("new-value") << rows << true << QVariant(7) << QStringList{rows} << 1;
    QTest::newRow("default-text") << QString() << true << QVariant(7) << QStringList{"Changed document content"} << 1;
    QTest::newRow("before-attach") << rows << false << QVariant(7) << QStringList() << 1;
}

void tst_ScriptProperties::undo()
{
    QFETCH(QString, undoText);
    QFETCH(bool, attached);
    QFETCH(QVariant, value);
    QFETCH(QStringList, entries);
    QFETCH(int, changes);

    const PropertySpec spec = definition("p", QMetaType::Int, PropertyKind::None, 0, {}, undoText);
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

// Definitions the tree cannot take as they are: the assertion reports ("file: text"), and the
// properties built.
void tst_ScriptProperties::constructionReports_data()
{
    QTest::addColumn<PropertySpec>("spec");
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<QStringList>("built");

    const int integer = QMetaType::Int;
    const QString container = QStringLiteral("scriptpropertycontainer.cpp: ");
    const QString simple = QStringLiteral("scriptsimpleproperty.cpp: ");
    QTest::newRow("json-without-default") << definition("p", QMetaType::QVariantMap, PropertyKind::Default)
                                          << QStringList() << QStringList{"p"};
    QTest::newRow("empty-id") << definition("", integer) << QStringList{container + "!prop.id.isEmpty()"}
                              << QStringList{""};
    QTest::newRow("unknown-kind") << definition("p", integer, PropertyKind(7)) << QStringList{container + "0 != propObj"}
                                  << QStringList();
    QTest::newRow("unsupported-type") << definition("p", QMetaType::QDate)
                                      << QStringList{simple + "!\"unsupported property type\""} << QStringList{"p"};
    QTest::newRow("default-of-other-type") << definition("p", integer, PropertyKind::Default, 0, "3")
        << QStringList{simple + "typeId == defaultValue.userType()"} << QStringList{"p"};
    QTest::newRow("theme-of-other-types") << theme(1, 2) << QStringList{simple + "typeId == themeDefaultValue1.userType()",
                                                                        simple + "typeId == themeDefaultValue2.userType()"}
                                          << QStringList{"t"};
}

void tst_ScriptProperties::constructionReports()
{
    QFETCH(PropertySpec, spec);
    QFETCH(QStringList, reports);
    QFETCH(QStringList, built);

    LogCapture capture;
    const std::unique_ptr<ScriptPropertyContainer> container(
        ScriptPropertyContainer::createContainer(QStringLiteral("g"), {spec}, nullptr));
    QStringList logged;
    for (const HostApi::LogEntry &entry : capture.entries())
        logged.append(QFileInfo(QString::fromLatin1(entry.file)).fileName() + QStringLiteral(": ") + entry.text);
    QCOMPARE(logged, reports);
    QCOMPARE(capture.texts("Assert").size(), reports.size());
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
    ScriptSimpleProperty property(definition("f", QMetaType::QFont), nullptr);
    property.setValue(QVariant::fromValue(QFont("Arial", shownSize, QFont::Bold, true)));
    const QVariantMap stored{{"_type", "QFont"}, {"family", "Arial"}, {"pointSize", storedSize}, {"bold", true},
                             {"italic", true}};
    QCOMPARE(property.objectToJson(), QVariant(stored));
    property.setValue(QVariant::fromValue(QFont("Other", 30)));
    property.objectFromJson(stored, 0);
    QCOMPARE(hostValue(property).value<QFont>(), QFont("Arial", shownSize, QFont::Bold, true));
}

// The host flags, how the value is stored ("secured", "shared") and the value each kind gets
// when it joins the tree.
void tst_ScriptProperties::attach_data()
{
    QTest::addColumn<PropertySpec>("spec");
    QTest::addColumn<int>("hostFlags");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QVariant>("value");

    const int integer = QMetaType::Int;
    const PropertyKind byDefault = PropertyKind::Default;
    const int shared = PropertySpec::IsSharedDefault;
    const int autoDefault = PropertySpec::IsAutoDefault;
    const QVariant black = QVariant::fromValue(QColor(Qt::black));
    PropertySpec font = definition("font", QMetaType::QFont, PropertyKind::Font);
    font.font = QFont("Arial", 12);
    const auto row = [](const char *name, const PropertySpec &spec, int hostFlags, const char *stored,
                        const QVariant &value) {
        QTest::newRow(name) << spec << hostFlags << QString::fromLatin1(stored) << value;
    };
    row("none-style-templates", definition("n1", integer, PropertyKind::None, PropertySpec::IsStyleTemplate
        | PropertySpec::IsDefaultStyleTemplate), ShellObject::StyleTemplateFlag | ShellObject::DefaultStyleTemplateFlag,
        "", 0);
    row("none-style-template-only", definition("n2", integer, PropertyKind::None, PropertySpec::IsStyleTemplate),
        ShellObject::StyleTemplateFlag, "", 0);
    row("none-secured", definition("n3", integer, PropertyKind::None, PropertySpec::IsSecured), 0, "secured", 0);
    row("default-shared-auto", definition("d1", integer, byDefault, shared | autoDefault, 5),
        ShellObject::AutoDefaultFlag, "shared", 5);
    row("default-shared", definition("d2", integer, byDefault, shared, 5), 0, "shared", 5);
    row("default-plain-ignores-auto", definition("d3", integer, byDefault, autoDefault, 5), 0, "", 5);
    row("default-plain-coerced", definition("d4", integer, byDefault, 0, "12"), 0, "", 12);
    row("default-json-absent", definition("d5", QMetaType::QVariantMap, byDefault), 0, "", QVariantMap());
    row("theme", theme(black, QVariant::fromValue(QColor(Qt::white))), 0, "", black);
    row("font", font, 0, "", QVariant::fromValue(font.font));
}

void tst_ScriptProperties::attach()
{
    QFETCH(PropertySpec, spec);
    QFETCH(int, hostFlags);
    QFETCH(QString, stored);
    QFETCH(QVariant, value);

    const Tree tree({{"g", {spec}}});
    const ScriptSimpleProperty *property = tree.property("objects.g." + spec.id.toUtf8());
    QVERIFY(property);
    QCOMPARE(property->propertyFlags(), hostFlags);
    QCOMPARE(QString((property->isStoredEncrypted() ? "secured" : "") + QString(property->hasSharedDefault() ? "shared" : "")),
             stored);
    QCOMPARE(hostValue(*property), value);
    if (spec.kind == PropertyKind::Font) {
        QList<int> sizes;
        for (const PropertyEnum &entry : property->propertyEnum("pointSize"))
            sizes.append(entry.value.toInt());
        QCOMPARE(sizes, AppearanceManager::validPointSizes());
    }
}

// The page's editor of a binding, as "CLASS undo=TEXT"; a font picker adds which parts
// (family, size, italic, bold) it lets change: "fontModify" is split at ',' only, case-sensitive,
// and absent leaves the picker's defaults ("-"). Empty: no editor.
void tst_ScriptProperties::editors_data()
{
    QTest::addColumn<PropertyBindingSpec>("binding");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QStringList>("lines");

    const auto row = [](const char *name, const PropertyBindingSpec &binding, const char *editor,
                        const QStringList &lines = {}) {
        QTest::newRow(name) << binding << QString::fromLatin1(editor) << lines;
    };
    const auto font = [](const char *fontModify) {
        PropertyBindingSpec spec = binding("Value", "g.f");
        spec.options.insert(QStringLiteral("fontModify"), fontModify);
        return spec;
    };
    row("bool", binding("Value", "g.b"), "QComboBox undo=");
    row("bool-SpinBox", binding("Value", "g.b", "SpinBox"), "QComboBox undo=", {ignored("g.b", "SpinBox")});
    row("int-property-undo-text", binding("Value", "g.i"), "QSpinBox undo=Change i");
    row("int-binding-undo-text-wins", binding("Value", "g.i", "", "Change on page"), "QSpinBox undo=Change on page");
    row("double-SpinBox", binding("Value", "g.d", "SpinBox"), "QDoubleSpinBox undo=");
    row("string", binding("Value", "g.s"), "QComboBox undo=");
    row("string-TextBox", binding("Value", "g.s", "TextBox"), "QTextEdit undo=");
    row("string-EditBox", binding("Value", "g.s", "EditBox"), "QLineEdit undo=");
    row("string-SpinBox", binding("Value", "g.s", "SpinBox"), "QComboBox undo=", {ignored("g.s", "SpinBox")});
    row("string-editbox-case", binding("Value", "g.s", "editbox"), "QComboBox undo=", {ignored("g.s", "editbox")});
    row("font-fontModify-absent", binding("Value", "g.f"), "HostApi::FontPicker undo= ----");
    row("font-family,size", font("family,size"), "HostApi::FontPicker undo= 1100");
    row("font-family, size", font("family, size"), "HostApi::FontPicker undo= 1000");
    row("font-italic,bold,,", font("italic,bold,,"), "HostApi::FontPicker undo= 0011");
    row("font-capitals", font("Family,SIZE"), "HostApi::FontPicker undo= 0000");
    row("color", binding("Value", "g.c", "ColorPicker"), "HostApi::ColorPickerButton undo=");
    row("json", binding("Value", "g.j", "TextBox"), "", {refused("g.j", true)});
    row("no-editor-for-type", binding("Value", "g.date", "EditBox"), "", {ignored("g.date", "EditBox"),
        pageLine("failed to create binding for property '%1'", "g.date", "unsupported type QDate")});
}

void tst_ScriptProperties::editors()
{
    QFETCH(PropertyBindingSpec, binding);
    QFETCH(QString, editor);
    QFETCH(QStringList, lines);

    binding.tooltip = QStringLiteral("Tip");
    const ShownPage shown(pluginSpec({binding}));
    QCOMPARE(shown.log.lines, lines);
    const QList<QWidget *> editors = shown.editors();
    QCOMPARE(editors.size(), editor.isEmpty() ? 0 : 1);
    if (editor.isEmpty())
        return;
    QWidget *widget = editors.first();
    QString text = widget->metaObject()->className() + QStringLiteral(" undo=") + widget->property("undoText").toString();
    if (qobject_cast<HostApi::FontPicker *>(widget)) {
        text += QLatin1Char(' ');
        for (const char *part : {"modifyFontFamily", "modifyFontSize", "modifyFontItalic", "modifyFontBold"}) {
            const QVariant modifiable = widget->property(part);
            text += modifiable.isValid() ? QString::number(modifiable.toBool()) : QStringLiteral("-");
        }
        QCOMPARE(widget->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    }
    QCOMPARE(text, editor);
    QCOMPARE(widget->property("dataKey"), QVariant(QStringLiteral("objects.") + binding.bind));
    QCOMPARE(widget->toolTip(), binding.tooltip);
    if (binding.bind == QLatin1String("g.b")) {
        auto *combo = qobject_cast<QComboBox *>(widget);
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0) + combo->itemText(1), QStringLiteral("FalseTrue"));
        QVERIFY(!combo->itemData(0).isValid() && !combo->isEditable());
        QCOMPARE(combo->property("dataType"), QVariant(QStringLiteral("boolean")));
    }
}

// Bindings that give no row are left out with their line; the rows that follow move up. The
// host shows a page for several objects in turn; the widgets are built the first time, under
// the title: the page's name in bold 11 points.
void tst_ScriptProperties::rows_data()
{
    QTest::addColumn<QList<PropertyBindingSpec>>("bindings");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("lines");

    using Bindings = QList<PropertyBindingSpec>;
    const auto duplicate = [](const QString &path) {
        return pageLine("failed to create control for '%1'", path, "binding for this property already exists on this page");
    };
    QTest::newRow("none") << Bindings() << QStringList() << QStringList();
    QTest::newRow("duplicate") << Bindings{binding("A", "g.i"), binding("B", "g.i", "SpinBox")} << QStringList{"A:"}
                               << QStringList{duplicate("g.i")};
    QTest::newRow("duplicate-of-refused") << Bindings{binding("A", "g.j"), binding("B", "g.j"), binding("", "g.s")}
                                          << QStringList{":"} << QStringList{refused("g.j", true), duplicate("g.j")};
    QTest::newRow("path-without-dot") << Bindings{binding("A", "gi"), binding("B", "g.i")} << QStringList{"B:"}
                                      << QStringList{refused("gi")};
    QTest::newRow("unknown-ids") << Bindings{binding("A", "x.i"), binding("B", "G.i"), binding("C", "g.zz")}
                                 << QStringList() << QStringList{refused("x.i"), refused("G.i"), refused("g.zz")};
}

void tst_ScriptProperties::rows()
{
    QFETCH(QList<PropertyBindingSpec>, bindings);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, lines);

    ShownPage shown(pluginSpec(bindings));
    InteractiveObject other;
    shown.page.setObject(&other, true);
    shown.page.setObject(&shown.tree.root, false);
    QCOMPARE(shown.labels(), labels);
    QCOMPARE(shown.editors().size(), labels.size());
    QCOMPARE(shown.log.lines, lines);
    QCOMPARE(shown.page.findChildren<QGridLayout *>().size(), 1);
    QCOMPARE(shown.page.findChildren<QLabel *>().size(), labels.size() + 1);
    const QLabel *title = shown.page.findChild<QLabel *>();
    QCOMPARE(title->text(), QStringLiteral("General"));
    QCOMPARE(title->property("PropertySectionLabel"), QVariant(true));
    QCOMPARE(title->font().pointSize(), 11);
    QVERIFY(title->font().bold());
    QCOMPARE(shown.page.windowTitle(), QStringLiteral("general"));
}

void tst_ScriptProperties::thousandBindings()
{
    ScriptPluginSpec spec = pluginSpec({});
    for (int i = 0; i < 1000; ++i) {
        spec.objects[QStringLiteral("many")].append(definition(QStringLiteral("p%1").arg(i), QMetaType::QString));
        spec.propertyPages.first().bindings.append(
            binding(QStringLiteral("P%1").arg(i), QStringLiteral("many.p%1").arg(i), "EditBox"));
    }
    const ShownPage shown(spec);
    QCOMPARE(shown.editors().size(), 1000);
    QCOMPARE(shown.labels().constLast(), QStringLiteral("P999:"));
    QVERIFY(shown.log.lines.isEmpty());
}

// Broken manifests: each problem reported once, by the reader or by the page; the rest built.
void tst_ScriptProperties::manifest_data()
{
    QTest::addColumn<QByteArray>("objects");      // the manifest's "objects"
    QTest::addColumn<QStringList>("paths");       // the properties built
    QTest::addColumn<QStringList>("labels");      // bindings A to g.a and B to g.b
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("unknown-type") << QByteArray("{g: {a: {type: \"date\"}, b: {type: \"int\"}}}")
        << QStringList{"g.b"} << QStringList{"B:"}
        << QStringList{"specparser: failed to read 'type', unknown enum value 'date'\n",
                       "specparser: failed to read property 'a' type, unknown type (date)\n", refused("g.a")};
    QTest::newRow("default-of-other-type-is-none")
        << QByteArray("{g: {a: {type: \"int\", default: \"x\"}, b: {type: \"bool\", default: 1}}}")
        << QStringList{"g.a", "g.b"} << QStringList{"A:", "B:"} << QStringList();
    QTest::newRow("json-without-default") << QByteArray("{g: {a: {type: \"json\"}, b: {type: \"string\"}}}")
        << QStringList{"g.a", "g.b"} << QStringList{"B:"} << QStringList{refused("g.a", true)};
    // The JSON reader keeps the last of repeated member names: the first group is gone.
    QTest::newRow("duplicate-ids")
        << QByteArray("{g: {a: {type: \"int\"}, a: {type: \"string\"}}, g: {b: {type: \"int\"}}}")
        << QStringList{"g.b"} << QStringList{"B:"} << QStringList{refused("g.a")};
}

void tst_ScriptProperties::manifest()
{
    QFETCH(QByteArray, objects);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, lines);

    QTemporaryDir dir;
    QVERIFY(writeFiles(dir.path(), {{"plugin.spec", "{id: \"broken\", objects: " + objects
                       + ", propertyPages: {p: {bindings: [{name: \"A\", bind: \"g.a\"}, {name: \"B\", bind: \"g.b\"}]}}}"}}));
    StandardBundle bundle(dir.path());
    RecordingChannel reader;
    const ShownPage shown(ScriptPluginSpec::read(&bundle, QStringLiteral("plugin.spec"), QString(), QString(), &reader));
    QStringList built;
    for (const QObject *group : shown.tree.objects->objects()) {
        for (const QObject *object : qobject_cast<const ScriptPropertyContainer *>(group)->objects())
            built.append(group->objectName() + QLatin1Char('.') + object->objectName());
    }
    QCOMPARE(built, paths);
    QCOMPARE(shown.labels(), labels);
    QCOMPARE(reader.lines + shown.log.lines, lines);
    QCOMPARE(shown.reports.texts(), QStringList());
}

QTEST_MAIN(tst_ScriptProperties)

#include "tst_scriptproperties.moc"

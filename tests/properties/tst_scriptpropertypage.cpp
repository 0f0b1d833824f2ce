#include "bundletestutils.h"
#include "testsupport.h"

#include <bundle/standardbundle.h>
#include <plugin/scriptplugin.h>
#include <properties/scriptpropertycontainer.h>
#include <properties/scriptpropertypage.h>

#include <fontpicker.h>
#include <interactiveobject.h>
#include <ipropertypageregistry.h>
#include <servicelocator.h>

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(PropertyBindingSpec)

namespace {

PropertySpec definition(const QString &id, int type, const QString &undoText = QString())
{
    PropertySpec spec;
    spec.id = id;
    spec.type = type;
    spec.undoText = undoText;
    return spec;
}

PropertyBindingSpec binding(const QString &name, const QString &bind,
                            const QString &type = QString())
{
    PropertyBindingSpec spec;
    spec.name = name;
    spec.bind = bind;
    spec.type = type;
    return spec;
}

// A plug-in whose group "g" holds one property of each type, and whose page shows bindings.
ScriptPluginSpec pluginSpec(const QList<PropertyBindingSpec> &bindings)
{
    ScriptPluginSpec spec;
    spec.objects.insert(QStringLiteral("g"), {
        definition("b", QMetaType::Bool), definition("i", QMetaType::Int, "Change i"),
        definition("d", QMetaType::Double), definition("s", QMetaType::QString),
        definition("f", QMetaType::QFont), definition("c", QMetaType::QColor),
        definition("j", QMetaType::QVariantMap), definition("date", QMetaType::QDate)});
    spec.propertyPages.append({QStringLiteral("general"), QStringLiteral("General"), QString(),
                               bindings});
    return spec;
}

QString line(const QString &message, const QString &path, const QString &detail)
{
    return QStringLiteral("propertypage: ") + message.arg(path) + QStringLiteral(", ") + detail
        + QLatin1Char('\n');
}

QString ignored(const QString &path, const QString &type)
{
    return line(QStringLiteral("ignoring control type for property '%1'"), path,
                QStringLiteral("control type '%1' isn't supported for this property type")
                    .arg(type));
}

QString refused(const QString &path, bool json = false)
{
    return line(QStringLiteral("failed to created control for property '%1'"), path,
                json ? QStringLiteral("property type isn't supported by property page")
                     : QStringLiteral("property not found"));
}

QString duplicate(const QString &path)
{
    return line(QStringLiteral("failed to create control for '%1'"), path,
                QStringLiteral("binding for this property already exists on this page"));
}

// The first page of a plug-in, shown for a document object holding the plug-in's tree.
struct ShownPage
{
    explicit ShownPage(const ScriptPluginSpec &spec)
        : objects(ScriptPropertyContainer::createObjects(QStringLiteral("objects"), spec.objects,
                                                         &log))
        , page(spec.propertyPages.first(), spec, &log)
    {
        document.joinTree();
        objects->attach(&document);
        log.clear();
        page.setObject(&document, false);
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
    InteractiveObject document;
    std::unique_ptr<ScriptPropertyContainer> objects;
    ScriptPropertyPage page;
};

} // namespace

class tst_ScriptPropertyPage : public QObject
{
    Q_OBJECT

private slots:
    void editorChoice_data();
    void editorChoice();
    void undoText_data();
    void undoText();
    void fontModify_data();
    void fontModify();
    void rows_data();
    void rows();
    void builtOnceWithTitle();
    void thousandBindings();
    void manifest_data();
    void manifest();
};

// The editor of a property type and control type, and the log lines; a bool gets False/True.
void tst_ScriptPropertyPage::editorChoice_data()
{
    QTest::addColumn<QString>("bind");
    QTest::addColumn<QString>("controlType");
    QTest::addColumn<QByteArray>("editor");      // class name; empty: no editor
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("bool") << "g.b" << "" << QByteArray("QComboBox") << QStringList();
    QTest::newRow("bool-SpinBox") << "g.b" << "SpinBox" << QByteArray("QComboBox")
                                  << QStringList{ignored("g.b", "SpinBox")};
    QTest::newRow("int") << "g.i" << "" << QByteArray("QSpinBox") << QStringList();
    QTest::newRow("double-SpinBox") << "g.d" << "SpinBox" << QByteArray("QDoubleSpinBox")
                                    << QStringList();
    QTest::newRow("string") << "g.s" << "" << QByteArray("QComboBox") << QStringList();
    QTest::newRow("string-TextBox") << "g.s" << "TextBox" << QByteArray("QTextEdit")
                                    << QStringList();
    QTest::newRow("string-EditBox") << "g.s" << "EditBox" << QByteArray("QLineEdit")
                                    << QStringList();
    QTest::newRow("string-SpinBox") << "g.s" << "SpinBox" << QByteArray("QComboBox")
                                    << QStringList{ignored("g.s", "SpinBox")};
    QTest::newRow("string-editbox-case") << "g.s" << "editbox" << QByteArray("QComboBox")
                                         << QStringList{ignored("g.s", "editbox")};
    QTest::newRow("font") << "g.f" << "" << QByteArray("HostApi::FontPicker") << QStringList();
    QTest::newRow("color") << "g.c" << "ColorPicker" << QByteArray("HostApi::ColorPickerButton")
                           << QStringList();
    QTest::newRow("json") << "g.j" << "TextBox" << QByteArray()
                          << QStringList{refused("g.j", true)};
    QTest::newRow("no-editor-for-type") << "g.date" << "EditBox" << QByteArray()
        << QStringList{ignored("g.date", "EditBox"),
                       line("failed to create binding for property '%1'", "g.date",
                            "unsupported type QDate")};
}

void tst_ScriptPropertyPage::editorChoice()
{
    QFETCH(QString, bind);
    QFETCH(QString, controlType);
    QFETCH(QByteArray, editor);
    QFETCH(QStringList, lines);

    PropertyBindingSpec spec = binding("Value", bind, controlType);
    spec.tooltip = QStringLiteral("Tip");
    const ShownPage shown(pluginSpec({spec}));
    QCOMPARE(shown.log.lines, lines);
    const QList<QWidget *> editors = shown.editors();
    QCOMPARE(editors.size(), editor.isEmpty() ? 0 : 1);
    if (editor.isEmpty())
        return;
    QWidget *widget = editors.first();
    QCOMPARE(QByteArray(widget->metaObject()->className()), editor);
    QCOMPARE(widget->property("dataKey"), QVariant(QStringLiteral("objects.") + bind));
    QCOMPARE(widget->toolTip(), spec.tooltip);
    if (bind == QLatin1String("g.b")) {
        auto *combo = qobject_cast<QComboBox *>(widget);
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0) + combo->itemText(1), QStringLiteral("FalseTrue"));
        QVERIFY(!combo->itemData(0).isValid() && !combo->isEditable());
        QCOMPARE(combo->property("dataType"), QVariant(QStringLiteral("boolean")));
    }
}

void tst_ScriptPropertyPage::undoText_data()
{
    QTest::addColumn<QString>("bind");
    QTest::addColumn<QString>("bindingUndoText");
    QTest::addColumn<QString>("undoText");

    QTest::newRow("binding-text-wins") << "g.i" << "Change on page" << "Change on page";
    QTest::newRow("property-text") << "g.i" << "" << "Change i";
    QTest::newRow("neither") << "g.s" << "" << "";
}

void tst_ScriptPropertyPage::undoText()
{
    QFETCH(QString, bind);
    QFETCH(QString, bindingUndoText);
    QFETCH(QString, undoText);

    PropertyBindingSpec spec = binding("Value", bind);
    spec.undoText = bindingUndoText;
    const ShownPage shown(pluginSpec({spec}));
    QCOMPARE(shown.editors().first()->property("undoText"), QVariant(undoText));
}

// "fontModify" as written: split at ',' only, case-sensitive; absent: the picker's defaults.
void tst_ScriptPropertyPage::fontModify_data()
{
    QTest::addColumn<QVariant>("fontModify");     // invalid: no such key
    QTest::addColumn<QVariantList>("modifiable"); // family, size, italic, bold

    const QVariant unset;
    QTest::newRow("family,size") << QVariant("family,size")
                                 << QVariantList{true, true, false, false};
    QTest::newRow("family, size") << QVariant("family, size")
                                  << QVariantList{true, false, false, false};
    QTest::newRow("italic,bold,,") << QVariant("italic,bold,,")
                                   << QVariantList{false, false, true, true};
    QTest::newRow("capitals") << QVariant("Family,SIZE")
                              << QVariantList{false, false, false, false};
    QTest::newRow("absent") << unset << QVariantList{unset, unset, unset, unset};
}

void tst_ScriptPropertyPage::fontModify()
{
    QFETCH(QVariant, fontModify);
    QFETCH(QVariantList, modifiable);

    PropertyBindingSpec spec = binding("Font", "g.f");
    if (fontModify.isValid())
        spec.options.insert(QStringLiteral("fontModify"), fontModify);
    const ShownPage shown(pluginSpec({spec}));
    const auto *picker = shown.page.findChild<HostApi::FontPicker *>();
    const QVariantList actual{picker->property("modifyFontFamily"),
                              picker->property("modifyFontSize"),
                              picker->property("modifyFontItalic"),
                              picker->property("modifyFontBold")};
    QCOMPARE(actual, modifiable);
    QCOMPARE(picker->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
}

// Bindings that give no row are left out with their line; the rows that follow move up.
void tst_ScriptPropertyPage::rows_data()
{
    QTest::addColumn<QList<PropertyBindingSpec>>("bindings");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("duplicate") << QList<PropertyBindingSpec>{binding("A", "g.i"),
                                                             binding("B", "g.i", "SpinBox")}
                               << QStringList{"A:"} << QStringList{duplicate("g.i")};
    QTest::newRow("duplicate-of-refused")
        << QList<PropertyBindingSpec>{binding("A", "g.j"), binding("B", "g.j"), binding("", "g.s")}
        << QStringList{":"} << QStringList{refused("g.j", true), duplicate("g.j")};
    QTest::newRow("path-without-dot") << QList<PropertyBindingSpec>{binding("A", "gi"),
                                                                    binding("B", "g.i")}
                                      << QStringList{"B:"} << QStringList{refused("gi")};
    QTest::newRow("unknown-ids") << QList<PropertyBindingSpec>{binding("A", "x.i"),
                                                               binding("B", "G.i"),
                                                               binding("C", "g.zz")}
                                 << QStringList()
                                 << QStringList{refused("x.i"), refused("G.i"), refused("g.zz")};
}

void tst_ScriptPropertyPage::rows()
{
    QFETCH(QList<PropertyBindingSpec>, bindings);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, lines);

    const ShownPage shown(pluginSpec(bindings));
    QCOMPARE(shown.labels(), labels);
    QCOMPARE(shown.editors().size(), labels.size());
    QCOMPARE(shown.log.lines, lines);
}

// The host shows a page for several objects in turn; the widgets are built the first time.
// Without bindings the page shows only its title, the page's name in bold 11 points.
void tst_ScriptPropertyPage::builtOnceWithTitle()
{
    ShownPage shown(pluginSpec({}));
    InteractiveObject other;
    shown.page.setObject(&other, true);
    shown.page.setObject(&shown.document, false);
    const QList<QLabel *> labels = shown.page.findChildren<QLabel *>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first()->text(), QStringLiteral("General"));
    QCOMPARE(labels.first()->property("PropertySectionLabel"), QVariant(true));
    QCOMPARE(labels.first()->font().pointSize(), 11);
    QVERIFY(labels.first()->font().bold());
    QCOMPARE(shown.page.findChildren<QGridLayout *>().size(), 1);
    QCOMPARE(shown.page.windowTitle(), QStringLiteral("general"));
}

void tst_ScriptPropertyPage::thousandBindings()
{
    constexpr int count = 1000;
    ScriptPluginSpec spec = pluginSpec({});
    QList<PropertySpec> &many = spec.objects[QStringLiteral("many")];
    for (int i = 0; i < count; ++i) {
        many.append(definition(QStringLiteral("p%1").arg(i), QMetaType::QString));
        spec.propertyPages.first().bindings.append(
            binding(QStringLiteral("P%1").arg(i), QStringLiteral("many.p%1").arg(i), "EditBox"));
    }
    const ShownPage shown(spec);
    QCOMPARE(shown.editors().size(), count);
    QCOMPARE(shown.labels().constLast(), QStringLiteral("P%1:").arg(count - 1));
    QVERIFY(shown.log.lines.isEmpty());
}

// Broken manifests: each problem reported once, by the reader or by the page; the rest built.
void tst_ScriptPropertyPage::manifest_data()
{
    QTest::addColumn<QByteArray>("objects");      // the manifest's "objects"
    QTest::addColumn<QStringList>("paths");       // the properties built
    QTest::addColumn<QStringList>("labels");      // bindings A to g.a and B to g.b
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("unknown-type") << QByteArray("{g: {a: {type: \"date\"}, b: {type: \"int\"}}}")
        << QStringList{"g.b"} << QStringList{"B:"}
        << QStringList{"specparser: failed to read 'type', unknown enum value 'date'\n",
                       "specparser: failed to read property 'a' type, unknown type (date)\n",
                       refused("g.a")};
    QTest::newRow("default-of-other-type-is-none")
        << QByteArray("{g: {a: {type: \"int\", default: \"x\"}, b: {type: \"bool\", default: 1}}}")
        << QStringList{"g.a", "g.b"} << QStringList{"A:", "B:"} << QStringList();
    QTest::newRow("json-without-default")
        << QByteArray("{g: {a: {type: \"json\"}, b: {type: \"string\"}}}")
        << QStringList{"g.a", "g.b"}
        << QStringList{"B:"} << QStringList{refused("g.a", true)};
    // The JSON reader keeps the last of repeated member names: the first group is gone.
    QTest::newRow("duplicate-ids")
        << QByteArray("{g: {a: {type: \"int\"}, a: {type: \"string\"}}, g: {b: {type: \"int\"}}}")
        << QStringList{"g.b"} << QStringList{"B:"} << QStringList{refused("g.a")};
}

void tst_ScriptPropertyPage::manifest()
{
    QFETCH(QByteArray, objects);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, lines);

    QTemporaryDir dir;
    QVERIFY(writeFiles(dir.path(), {{"plugin.spec", "{id: \"broken\", objects: " + objects
                       + ", propertyPages: {p: {bindings: [{name: \"A\", bind: \"g.a\"},"
                         " {name: \"B\", bind: \"g.b\"}]}}}"}}));
    StandardBundle bundle(dir.path());
    RecordingChannel reader;
    const ScriptPluginSpec spec = ScriptPluginSpec::read(&bundle, QStringLiteral("plugin.spec"),
                                                         QString(), QString(), &reader);
    const ShownPage shown(spec);
    QStringList built;
    for (const QObject *group : shown.objects->objects()) {
        const auto *container = qobject_cast<const ScriptPropertyContainer *>(group);
        for (const QObject *object : container->objects())
            built.append(group->objectName() + QLatin1Char('.') + object->objectName());
    }
    QCOMPARE(built, paths);
    QCOMPARE(shown.labels(), labels);
    QCOMPARE(reader.lines + shown.log.lines, lines);
    QCOMPARE(shown.reports.texts(), QStringList());
}

QTEST_MAIN(tst_ScriptPropertyPage)

#include "tst_scriptpropertypage.moc"

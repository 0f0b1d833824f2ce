#include "bundletestutils.h"
#include "securedwriter.h"
#include "testsupport.h"

#include "bundle/scriptbundle.h"
#include "bundle/standardbundle.h"
#include "plugin/scriptpluginspec.h"
#include "plugin/scriptpluginspecreader.h"
#include "properties/csstextforms.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A bundle whose files live in memory, named relative to its path.
class MemoryBundle : public ScriptBundle
{
public:
    explicit MemoryBundle(const QString &path = QStringLiteral("/mem")) : ScriptBundle(path) {}

    bool exists(const QString &name) const override
    {
        const QString relative = relativeName(name);
        return !relative.isNull() && files.contains(relative);
    }
    QByteArray read(const QString &name) const override
    {
        ++reads[relativeName(name)];
        return files.value(relativeName(name));
    }

    QMap<QString, QByteArray> files;
    mutable QMap<QString, int> reads;
};

using Files = QMap<QString, QByteArray>;

QByteArray png(const QColor &color, int width = 16, int height = 16)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QColor modeColor(const QIcon &icon, QIcon::Mode mode)
{
    return icon.pixmap(QSize(16, 16), mode).toImage().pixelColor(0, 0);
}

struct Reading
{
    std::shared_ptr<MemoryBundle> bundle;
    ScriptPluginSpec spec;
    QStringList lines;
};

Reading readManifest(const QByteArray &manifest, const Files &files = Files(),
                     const QString &theme = QStringLiteral("black"),
                     const QString &locale = QStringLiteral("en_US"),
                     const QString &bundlePath = QStringLiteral("/mem"))
{
    Reading reading;
    reading.bundle = std::make_shared<MemoryBundle>(bundlePath);
    reading.bundle->files = files;
    if (!manifest.isNull())
        reading.bundle->files.insert(QStringLiteral("plugin.spec"), manifest);
    RecordingChannel channel;
    reading.spec = ScriptPluginSpec::read(reading.bundle.get(), QStringLiteral("plugin.spec"),
                                          theme, locale, &channel);
    reading.lines = channel.lines;
    return reading;
}

// A manifest of id "x" plus the given members.
Reading readKeys(const QByteArray &keys)
{
    return readManifest("{\"id\": \"x\"" + (keys.isEmpty() ? keys : ", " + keys) + '}');
}

QString line(const QString &message, const QString &detail)
{
    return QStringLiteral("specparser: ") + message + QStringLiteral(", ") + detail
        + QLatin1Char('\n');
}

QStringList enumKeys(const QList<PropertyEnum> &entries)
{
    QStringList keys;
    for (const PropertyEnum &entry : entries)
        keys.append(QString::fromUtf8(entry.key) + QLatin1Char('=') + entry.label);
    return keys;
}

struct LintRun
{
    int exitCode = -1;
    QString output;
    QString errors;
};

LintRun runTessel(const QStringList &args)
{
    QProcess process;
    process.start(qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/tessel"), args);
    LintRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class tst_ScriptPluginSpec : public QObject
{
    Q_OBJECT

private slots:
    void logLines_data();
    void logLines();
    void problemKeyPaths_data();
    void problemKeyPaths();
    void versions_data();
    void versions();
    void localisedTexts();
    void scalarKeys_data();
    void scalarKeys();
    void listsSkipOtherElements();
    void properties_data();
    void properties();
    void collectionsKeepOnlyObjects();
    void iconModes_data();
    void iconModes();
    void iconOfSeveralFiles();
    void iconCopiesAreIndependent();
    void iconFilesReadOnce();
    void themedIconInDottedFolder();
    void minimalManifestDefaults();
    void fullFixture();
    void lintSummary();
    void lint_data();
    void lint();
    void lintSecuredBundle();
    void lintRefusal_data();
    void lintRefusal();
    void lintPageScripts_data();
    void lintPageScripts();
};

// Every plug-in output line of the reader, exactly.
void tst_ScriptPluginSpec::logLines_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("expected");

    const auto row = [](const char *name, const QByteArray &manifest, const Files &files,
                        const QStringList &expected) {
        QTest::newRow(name) << manifest << files << expected;
    };
    const QByteArray button = R"({"id": "x", "icons": {"i": "img/btn.png"}})";
    const QByteArray big = R"({"id": "x", "icons": {"i": "big.png"}})";
    const int maxSide = ScriptPluginSpecReader::MaxIconSide;
    const QString corrupted = QStringLiteral("image corrupted?");

    row("missing-file", QByteArray(), {},
        {line("failed to open '/mem/plugin.spec'", "file not found")});
    row("syntax-error", "{\n  \"id\": \"x\",\n  \"name\" 1\n}", {},
        {line("failed to load '/mem/plugin.spec(3:9)'", "Expected ':' after a member name: name")});
    row("byte-order-mark", "\xEF\xBB\xBF{\"id\": \"x\"}", {},
        {line("failed to load '/mem/plugin.spec'", "wrong format")});
    row("property-unknown-type", R"({"id": "x", "objects": {"g": {"p": {"type": "float"}}}})", {},
        {line("failed to read 'type'", "unknown enum value 'float'"),
         line("failed to read property 'p' type", "unknown type (float)")});
    row("theme-value-of-other-type",
        R"({"id": "x", "objects": {"g": {"p":
               {"type": "int", "theme": {"black": 1, "white": "2"}}}}})",
        {}, {line("failed to create property", "'black' or 'white' theme value is missing")});
    row("icon-without-normal", button, {{"img/btn.active.png", png(Qt::red)}},
        {line("failed to load image '/mem/img/btn.png'", "'normal' state is missing")});
    row("icon-corrupted", button, {{"img/btn.png", "not an image"}},
        {line("failed to load image from '/mem/img/btn.png'", corrupted)});
    row("icon-corrupted-theme-file", button,
        {{"img/btn.png", png(Qt::red)}, {"img/btn.black.png", "junk"}},
        {line("failed to load image from '/mem/img/btn.black.png'", corrupted)});
    row("icon-oversized", big, {{"big.png", png(Qt::red, maxSide + 1, 1)}},
        {line("failed to load image from '/mem/big.png'",
              "image of 2049x1 pixels is larger than the icon limit of 2048x2048 pixels")});
    row("icon-empty-file", big, {{"big.png", ""}},
        {line("failed to load image from '/mem/big.png'", "file is empty or cannot be read")});
    row("icon-file-reported-once",
        R"({"id": "x", "icons": {"a": "c.png", "b": ["c.png"], "c": ["d.png", "c.png"]}})",
        {{"c.png", "junk"}},
        {line("failed to load image from '/mem/c.png'", corrupted),
         line("failed to load image '/mem/d.png'", "no file found")});
    row("id-missing", R"({"name": "x", "icons": {"i": "none.png"}})", {},
        {line("failed to load '/mem/plugin.spec'", "no plug-in id: \"id\" is missing")});
    row("id-not-string", R"({"id": 5})", {},
        {line("failed to load '/mem/plugin.spec'", "no plug-in id: \"id\" is not a string")});
    row("id-empty", R"({"id": ""})", {},
        {line("failed to load '/mem/plugin.spec'", "no plug-in id: \"id\" is empty")});
    row("icon-at-size-limit", big, {{"big.png", png(Qt::red, maxSide, 1)}}, {});
    row("order-follows-keys",
        R"({"id": "x", "version": "vv", "apiVersion": "ww", "openIn": "o",
            "actions": {"a": 1}, "propertyPages": {"p": 1}, "commands": {"c": []},
            "objects": {"g": true}, "icons": {"i": "none.png"}, "supportedSymbolTypes": "s"})",
        {},
        {line("failed to read version property: version='vv'", "wrong format"),
         line("failed to read version property: apiVersion='ww'", "wrong format"),
         line("failed to read 'openIn'", "unknown enum value 'o'"),
         line("failed to read object 'a' from 'actions'", "value is not object"),
         line("failed to read object 'p' from 'propertyPages'", "value is not object"),
         line("failed to read object 'c' from 'commands'", "value is not object"),
         line("failed to read object 'g' from 'objects'", "value is not object"),
         line("failed to load image '/mem/none.png'", "no file found"),
         line("failed to find symbol type s", "wrong symbol type")});
    row("wrong-json-types-are-silent",
        R"({"id": "x", "name": true, "version": 2, "supportUndoStack": "true", "openIn": 1,
            "hotkeys": 5, "actions": [], "objects": "o", "icons": {"i": 3}, "header": {},
            "features": {}, "supportedSymbolTypes": [3]})",
        {}, {});
}

void tst_ScriptPluginSpec::logLines()
{
    QFETCH(QByteArray, manifest);
    QFETCH(Files, files);
    QFETCH(QStringList, expected);

    const Reading reading = readManifest(manifest, files);
    QCOMPARE(reading.lines, expected);
    // A manifest that cannot be read gives an empty record.
    if (expected.value(0).contains(QLatin1String("plugin.spec")))
        QVERIFY(reading.spec.id.isEmpty() && !reading.spec.bundle);
}

// Each line the reader writes names the key it is about, for tools that report lines by key.
void tst_ScriptPluginSpec::problemKeyPaths_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<QStringList>("keyPaths");

    QTest::newRow("syntax-error") << QByteArray("{id: ") << QStringList{""};
    QTest::newRow("id-missing") << QByteArray("{}") << QStringList{"id"};
    QTest::newRow("top-level-keys")
        << QByteArray(R"({"id": "x", "version": "vv", "openIn": "o", "supportedSymbolTypes": "s",
                          "actions": {"a": 1}})")
        << QStringList{"version", "openIn", "actions.a", "supportedSymbolTypes"};
    QTest::newRow("property-definitions")
        << QByteArray(R"({"id": "x", "objects": {"g": {"p": {"type": "float"},
                          "t": {"type": "int", "theme": {"black": 1}}}}})")
        << QStringList{"objects.g.p.type", "objects.g.p.type", "objects.g.t.theme"};
    QTest::newRow("icon-files-once-under-first-icon")
        << QByteArray(R"({"id": "x", "icons": {"a": "none.png", "b": "none.png"}})")
        << QStringList{"icons.a"};
}

void tst_ScriptPluginSpec::problemKeyPaths()
{
    QFETCH(QByteArray, manifest);
    QFETCH(QStringList, keyPaths);

    MemoryBundle bundle;
    bundle.files.insert(QStringLiteral("plugin.spec"), manifest);
    RecordingChannel channel;
    ScriptPluginSpecReader reader(&bundle, QStringLiteral("black"), QStringLiteral("en_US"),
                                  &channel);
    reader.read(QStringLiteral("plugin.spec"));
    QStringList paths;
    QStringList lines;
    for (const ScriptPluginSpecReader::Problem &problem : reader.problems()) {
        paths.append(problem.keyPath);
        lines.append(problem.line + QLatin1Char('\n'));
    }
    QCOMPARE(paths, keyPaths);
    QCOMPARE(lines, channel.lines);
}

// "major<any one character>minor", either part possibly empty.
void tst_ScriptPluginSpec::versions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("logged");

    QTest::newRow("minor-ten") << "1.10" << "1.10" << false;
    QTest::newRow("dash-separator") << "1-5" << "1.5" << false;
    QTest::newRow("two-digits") << "12" << "1.0" << false;
    QTest::newRow("one-character") << "v" << "0.0" << false;
    QTest::newRow("no-major") << ".5" << "0.5" << false;
    QTest::newRow("three-parts") << "1.2.3" << "0.0" << true;
    QTest::newRow("empty") << "" << "0.0" << true;
    QTest::newRow("trailing-line-feed") << "1.2\n" << "0.0" << true;
    QTest::newRow("overflowing-major") << "99999999999.1" << "0.0" << true;
}

void tst_ScriptPluginSpec::versions()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(bool, logged);

    const Reading reading = readKeys(
        QStringLiteral("\"version\": \"%1\"")
            .arg(QString(text).replace(QLatin1Char('\n'), QLatin1String("\\n")))
            .toUtf8());
    QCOMPARE(reading.spec.version.toString(), expected);
    QCOMPARE(reading.spec.version.segmentCount(), 2);
    QCOMPARE(reading.lines.size(), logged ? 1 : 0);
}

// "key-locale" wins; a value of the wrong type there falls back to "key"; an empty name is the id.
void tst_ScriptPluginSpec::localisedTexts()
{
    const ScriptPluginSpec spec = readKeys(
        R"("name": "N", "name-en_US": 5, "desc": "D", "desc-en_US": "E", "desc-ru_RU": "R")").spec;
    QCOMPARE(spec.name, QStringLiteral("N"));
    QCOMPARE(spec.description, QStringLiteral("E"));
    QCOMPARE(readKeys(R"("name": "")").spec.name, QStringLiteral("x"));
}

// Support bits (0x45C by default), "openIn" and "entry".
void tst_ScriptPluginSpec::scalarKeys_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("redirect");
    QTest::addColumn<int>("openIn");
    QTest::addColumn<QString>("entry");

    QTest::newRow("string-true-ignored") << QByteArray(R"("supportTrading": "true")") << 0x45C
                                         << true << 0 << "";
    QTest::newRow("redirect-read-twice")
        << QByteArray(R"("supportRedirectToExternalLinks": false)") << 0x05C << false << 0 << "";
    QTest::newRow("open-in-capital") << QByteArray(R"("openIn": "Symbol")") << 0x45C << true
                                     << 0 << "";
    QTest::newRow("entry-with-folder") << QByteArray(R"("entry": "web/main.html?x=1")") << 0x45C
                                       << true << 0 << "file:////mem/web/main.html?x=1";
    QTest::newRow("entry-empty") << QByteArray(R"("entry": "")") << 0x45C << true << 0 << "";
}

void tst_ScriptPluginSpec::scalarKeys()
{
    QFETCH(QByteArray, keys);
    QFETCH(int, flags);
    QFETCH(bool, redirect);
    QFETCH(int, openIn);
    QFETCH(QString, entry);

    const ScriptPluginSpec spec = readKeys(keys).spec;
    QCOMPARE(spec.supportFlags, flags);
    QCOMPARE(spec.supportRedirectToExternalLinks, redirect);
    QCOMPARE(spec.openIn, openIn);
    QCOMPARE(spec.entry, entry);
}

// Elements other than strings are skipped, and so are unknown symbol types.
void tst_ScriptPluginSpec::listsSkipOtherElements()
{
    const ScriptPluginSpec spec = readKeys(R"("hotkeys": ["F5", 5, "Shift+F7"],
        "features": ["a", {}, "b"], "supportedSymbolTypes": ["symbolTypeUndefined", true,
        "forex", "symbolTypeHistoricalContractDaysBack"])").spec;
    QCOMPARE(spec.hotkeys, (QList<QKeySequence>{QKeySequence(Qt::Key_F5),
                                                QKeySequence(QStringLiteral("Shift+F7"))}));
    QCOMPARE(spec.features, (QStringList{"a", "b"}));
    QCOMPARE(spec.supportedSymbolTypes, (QList<int>{0, 28}));
}

// Property definitions: kind, type, flags, version and values by the manifest's rules.
void tst_ScriptPluginSpec::properties_data()
{
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("version");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<QVariantList>("theme");
    QTest::addColumn<QStringList>("enumKeys");

    const int style = PropertySpec::IsStyleTemplate | PropertySpec::IsDefaultStyleTemplate;
    const int shared = style | PropertySpec::IsSharedDefault;
    const auto row = [](const char *name, const char *definition, PropertyKind kind, int type,
                        int flags, int version, const QVariant &defaultValue,
                        const QVariantList &theme = {}, const QStringList &keys = {}) {
        QTest::newRow(name) << QByteArray(definition) << int(kind) << type << flags << version
                            << defaultValue << theme << keys;
    };
    row("string-default", R"({"type": "string", "default": "abc"})", PropertyKind::Default,
        QMetaType::QString, style, 1, "abc");
    row("unshared-ignores-version-and-enum",
        R"({"type": "int", "default": 5, "version": 3, "enum": {"Five": 5}})",
        PropertyKind::Default, QMetaType::Int, style, 1, 5);
    row("double-with-int-default", R"({"type": "double", "default": 5})", PropertyKind::None,
        QMetaType::Double, style, 1, QVariant());
    row("theme-when-default-has-other-type",
        R"({"type": "double", "default": 5, "version": 4, "theme": {"black": 1.5, "white": 2.5}})",
        PropertyKind::Theme, QMetaType::Double, style, 4, QVariant(), {1.5, 2.5});
    row("flags-and-default-over-theme",
        R"({"type": "bool", "default": true, "isStyleTemplate": false, "isSecured": true,
            "isAutoDefault": true, "isSharedDefault": "yes",
            "theme": {"black": true, "white": false}})",
        PropertyKind::Default, QMetaType::Bool,
        PropertySpec::IsDefaultStyleTemplate | PropertySpec::IsSecured
            | PropertySpec::IsAutoDefault,
        1, true);
    row("shared-string-enum",
        R"({"type": "string", "default": "a", "isSharedDefault": true, "version": 4,
            "enum": {"Alpha": "a", "Beta": "b", "Again": "a"}})",
        PropertyKind::Default, QMetaType::QString, shared, 4, "a", {}, {"a=Again", "b=Beta"});
    row("shared-int-enum-keyed-by-label",
        R"({"type": "int", "default": 1, "isSharedDefault": true,
            "enum": {"One": 1, "Two": 2, "Bad": "x", "Half": 0.5}})",
        PropertyKind::Default, QMetaType::Int, shared, 1, 1, {}, {"One=One", "Two=Two"});
    row("json-without-default", R"({"type": "json"})", PropertyKind::Default,
        QMetaType::QVariantMap, style, 1, QVariant());
    row("theme-missing-white", R"({"type": "string", "theme": {"black": "b"}})",
        PropertyKind::None, QMetaType::QString, style, 1, QVariant());
}

void tst_ScriptPluginSpec::properties()
{
    QFETCH(QByteArray, definition);
    QFETCH(int, kind);
    QFETCH(int, type);
    QFETCH(int, flags);
    QFETCH(int, version);
    QFETCH(QVariant, defaultValue);
    QFETCH(QVariantList, theme);
    QFETCH(QStringList, enumKeys);

    const ScriptPluginSpec spec =
        readKeys("\"objects\": {\"g\": {\"p\": " + definition + "}}").spec;
    const PropertySpec *property = spec.findProperty(QStringLiteral("g.p"));
    QVERIFY(property);
    QCOMPARE(property->id, QStringLiteral("p"));
    QCOMPARE(int(property->kind), kind);
    QCOMPARE(property->type, type);
    QCOMPARE(property->flags, flags);
    QCOMPARE(property->version, version);
    QCOMPARE(property->defaultValue, defaultValue);
    const bool themed = property->black.isValid() || property->white.isValid();
    const QVariantList themeValues{property->black, property->white};
    QCOMPARE(themed ? themeValues : QVariantList(), theme);
    QCOMPARE(::enumKeys(property->enumEntries), enumKeys);
}

void tst_ScriptPluginSpec::collectionsKeepOnlyObjects()
{
    const Reading reading = readKeys(R"(
        "actions": {"b": {"name": "B"}, "a": 1, "c": {}},
        "header": [{"id": "h1", "type": "Button"}, "text", {"type": "ComboBox"}],
        "propertyPages": {"p": {"bindings": [{"bind": "g.q"}, 3, {"bind": "g.r"}]}},
        "objects": {"g": {"q": {"type": "int", "default": 1}, "bad": {"type": "none"},
                          "r": 7}})");
    QCOMPARE(reading.spec.actions.size(), 2);
    QCOMPARE(reading.spec.actions.at(1).id, QStringLiteral("c"));
    QCOMPARE(reading.spec.header.size(), 2);
    QCOMPARE(reading.spec.header.at(1).type, QStringLiteral("ComboBox"));
    QCOMPARE(reading.spec.propertyPages.first().bindings.size(), 2);
    QCOMPARE(reading.spec.propertyPages.first().bindings.at(1).bind, QStringLiteral("g.r"));

    // A property whose definition is no object has no type and is dropped.
    QCOMPARE(reading.spec.objects.value(QStringLiteral("g")).size(), 1);
    QVERIFY(reading.spec.findProperty(QStringLiteral("g.q")));
    QVERIFY(!reading.spec.findProperty(QStringLiteral("gq")));
    QVERIFY(reading.lines.contains(line("failed to read property 'r' type", "unknown type ()")));
}

// Which file fills which icon mode, by theme and state suffix.
void tst_ScriptPluginSpec::iconModes_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("theme");
    QTest::addColumn<QColor>("normal");
    QTest::addColumn<QColor>("active");
    QTest::addColumn<QColor>("selected");
    QTest::addColumn<QColor>("disabled");

    const Files themed{{"img/btn.png", png(Qt::red)}, {"img/btn.active.png", png(Qt::green)},
                       {"img/btn.selected.png", png(Qt::blue)},
                       {"img/btn.disabled.png", png(Qt::gray)},
                       {"img/btn.normal.png", png(Qt::darkRed)},
                       {"img/btn.black.png", png(Qt::yellow)},
                       {"img/btn.black.disabled.png", png(Qt::cyan)},
                       {"img/btn.white.active.png", png(Qt::magenta)}};
    QTest::newRow("theme-black-wins") << themed << "black" << QColor(Qt::yellow)
                                      << QColor(Qt::green) << QColor(Qt::blue)
                                      << QColor(Qt::cyan);
    QTest::newRow("other-theme-normal-beats-none")
        << themed << "white" << QColor(Qt::darkRed) << QColor(Qt::magenta) << QColor(Qt::blue)
        << QColor(Qt::gray);
    QTest::newRow("themed-only")
        << Files{{"img/btn.black.png", png(Qt::yellow)}, {"img/btn.active.png", png(Qt::green)}}
        << "black" << QColor(Qt::yellow) << QColor(Qt::green) << QColor() << QColor();
}

void tst_ScriptPluginSpec::iconModes()
{
    QFETCH(Files, files);
    QFETCH(QString, theme);
    QFETCH(QColor, normal);
    QFETCH(QColor, active);
    QFETCH(QColor, selected);
    QFETCH(QColor, disabled);

    const Reading reading =
        readManifest(R"({"id": "x", "icons": {"btn": "img/btn.png"}})", files, theme);
    QVERIFY(reading.lines.isEmpty());
    const QIcon icon = reading.spec.icon(QStringLiteral("btn"));
    QCOMPARE(modeColor(icon, QIcon::Normal), normal);
    QCOMPARE(modeColor(icon, QIcon::Active), active);
    if (selected.isValid())
        QCOMPARE(modeColor(icon, QIcon::Selected), selected);
    QCOMPARE(icon.availableSizes(QIcon::Selected).isEmpty(), !selected.isValid());
    if (disabled.isValid())
        QCOMPARE(modeColor(icon, QIcon::Disabled), disabled);
    QCOMPARE(icon.availableSizes(QIcon::Disabled).isEmpty(), !disabled.isValid());
}

// One icon gathers the images of all its files; an icon without images is a null icon.
void tst_ScriptPluginSpec::iconOfSeveralFiles()
{
    const Reading reading = readManifest(
        R"({"id": "x", "icons": {"i": ["small.png", "missing.png", "large.png"],
                                 "none": "missing.png"}})",
        Files{{"small.png", png(Qt::red, 16, 16)}, {"large.png", png(Qt::blue, 32, 32)},
              {"large.active.png", png(Qt::green, 32, 32)}});
    QCOMPARE(reading.lines.size(), 2);
    const QIcon icon = reading.spec.icon(QStringLiteral("i"));
    QCOMPARE(icon.availableSizes(QIcon::Normal), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    QCOMPARE(icon.availableSizes(QIcon::Active), QList<QSize>{QSize(32, 32)});
    QCOMPARE(icon.pixmap(QSize(32, 32)).toImage().pixelColor(0, 0), QColor(Qt::blue));
    QCOMPARE(icon.pixmap(QSize(16, 16)).toImage().pixelColor(0, 0), QColor(Qt::red));
    QVERIFY(reading.spec.icons.contains(QStringLiteral("none")));
    QVERIFY(reading.spec.icon(QStringLiteral("none")).isNull());
    QVERIFY(reading.spec.icon(QStringLiteral("other")).isNull());
}

// Records are copied into every document; adding to one copy's icon leaves the others alone.
void tst_ScriptPluginSpec::iconCopiesAreIndependent()
{
    const ScriptPluginSpec spec = readManifest(R"({"id": "x", "icons": {"i": "a.png"}})",
                                               Files{{"a.png", png(Qt::red)}}).spec;
    ScriptPluginSpec copy = spec;
    QPixmap large(48, 48);
    large.fill(Qt::blue);
    copy.icons[QStringLiteral("i")].addPixmap(large, QIcon::Normal);
    QCOMPARE(spec.icon(QStringLiteral("i")).availableSizes(), QList<QSize>{QSize(16, 16)});
    QCOMPARE(copy.icon(QStringLiteral("i")).availableSizes(),
             (QList<QSize>{QSize(16, 16), QSize(48, 48)}));
    QCOMPARE(modeColor(spec.icon(QStringLiteral("i")), QIcon::Normal), QColor(Qt::red));
}

// Each file is read and decoded once however many icons name it; icons of the same files
// are one shared icon.
void tst_ScriptPluginSpec::iconFilesReadOnce()
{
    QByteArray icons;
    for (int i = 0; i < 100; ++i)
        icons += "\"same" + QByteArray::number(i) + "\": \"big.png\", ";
    const Reading reading = readManifest(
        "{\"id\": \"x\", \"icons\": {" + icons + "\"pair\": [\"big.png\", \"small.png\"]}}",
        Files{{"big.png", png(Qt::red, 2048, 2048)}, {"small.png", png(Qt::blue)}});
    QVERIFY(reading.lines.isEmpty());
    QCOMPARE(reading.bundle->reads.value(QStringLiteral("big.png")), 1);
    QCOMPARE(reading.bundle->reads.value(QStringLiteral("small.png")), 1);
    const qint64 shared = reading.spec.icon(QStringLiteral("same0")).cacheKey();
    QCOMPARE(reading.spec.icon(QStringLiteral("same99")).cacheKey(), shared);
    QVERIFY(reading.spec.icon(QStringLiteral("pair")).cacheKey() != shared);
    QCOMPARE(reading.spec.icon(QStringLiteral("pair")).availableSizes(),
             (QList<QSize>{QSize(2048, 2048), QSize(16, 16)}));
}

// Only the file's own name is split at dots: a dotted bundle folder still finds themed files.
void tst_ScriptPluginSpec::themedIconInDottedFolder()
{
    const Reading reading = readManifest(
        R"({"id": "x", "icons": {"logo": "img/logo"}})",
        Files{{"img/logo", png(Qt::red)}, {"img/logo.black", png(Qt::blue)}},
        QStringLiteral("black"), QStringLiteral("en_US"), QStringLiteral("/plugins/com.example"));
    QVERIFY(reading.lines.isEmpty());
    QCOMPARE(modeColor(reading.spec.icon(QStringLiteral("logo")), QIcon::Normal),
             QColor(Qt::blue));
}

// Read from its folder as the host does; the defaults of what the manifest leaves out.
void tst_ScriptPluginSpec::minimalManifestDefaults()
{
    StandardBundle bundle(testDataPath() + QStringLiteral("minimal"));
    RecordingChannel channel;
    const ScriptPluginSpec spec = ScriptPluginSpec::read(
        &bundle, QStringLiteral("plugin.spec"), QStringLiteral("white"), QStringLiteral("de_DE"),
        &channel);
    QVERIFY(channel.lines.isEmpty());
    QCOMPARE(spec.name, QStringLiteral("com.example.minimal"));
    QCOMPARE(spec.supportFlags, 0x45C);
    QCOMPARE(spec.theme, QStringLiteral("white"));
    QCOMPARE(spec.bundle, &bundle);
    QVERIFY(spec.supportRedirectToExternalLinks && spec.supportStyleTemplates);
    QVERIFY(spec.entry.isEmpty() && spec.objects.isEmpty() && spec.icons.isEmpty());
}

// The checked-in manifest with every key: the values the lint summary does not show.
void tst_ScriptPluginSpec::fullFixture()
{
    StandardBundle bundle(testDataPath() + QStringLiteral("full"));
    RecordingChannel channel;
    const ScriptPluginSpec spec = ScriptPluginSpec::read(
        &bundle, QStringLiteral("plugin.spec"), QStringLiteral("black"), QStringLiteral("en_US"),
        &channel);
    QVERIFY2(channel.lines.isEmpty(), qPrintable(channel.lines.join(QString())));

    QCOMPARE(spec.actions.at(1).desc, QStringLiteral("Reload the data"));
    const PropertyPageSpec &page = spec.propertyPages.first();
    QCOMPARE(page.bindings.at(0).undoText, QStringLiteral("Change background"));
    QCOMPARE(page.bindings.at(0).tooltip, QStringLiteral("Window background"));
    QCOMPARE(page.bindings.at(1).options.value(QStringLiteral("fontModify")).toString(),
             QStringLiteral("family,size"));

    const PropertySpec *color = spec.findProperty(QStringLiteral("appearance.background"));
    QCOMPARE(color->version, 2);
    QCOMPARE(color->black, QVariant::fromValue(colorFromCss(QStringLiteral("#000000"))));
    QCOMPARE(color->white, QVariant::fromValue(colorFromCss(QStringLiteral("#ffffff"))));
    QCOMPARE(spec.findProperty(QStringLiteral("appearance.titleFont"))->font,
             fontFromCss(QStringLiteral("bold 12pt \"Arial\"")));
    QCOMPARE(spec.findProperty(QStringLiteral("appearance.rows"))->undoText,
             QStringLiteral("Change rows"));
    const PropertySpec *layout = spec.findProperty(QStringLiteral("data.layout"));
    QCOMPARE(layout->defaultValue, QVariant(QVariantMap{{"columns", 3}}));
    QCOMPARE(layout->flags, int(PropertySpec::IsDefaultStyleTemplate));
    const PropertySpec *mode = spec.findProperty(QStringLiteral("data.mode"));
    QCOMPARE(enumKeys(mode->enumEntries), (QStringList{"fast=Fast", "slow=Slow"}));
    QCOMPARE(mode->version, 3);

    QCOMPARE(modeColor(spec.icon(QStringLiteral("app")), QIcon::Normal), QColor(Qt::blue));
    QCOMPARE(modeColor(spec.icon(QStringLiteral("btn")), QIcon::Selected), QColor(Qt::cyan));
    QCOMPARE(spec.icon(QStringLiteral("multi")).availableSizes().size(), 2);
    QCOMPARE(spec.header.at(0).params.value(QStringLiteral("value")), QVariant("AAPL"));
    QCOMPARE(spec.header.at(2).params.value(QStringLiteral("options")).toList().size(), 3);
}

// `tessel lint` of the manifest with every key prints the summary of the checked-in text.
void tst_ScriptPluginSpec::lintSummary()
{
    QFile expected(testDataPath() + QStringLiteral("full.lint"));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    const LintRun run = runTessel({"lint", testDataPath() + QStringLiteral("full")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.output, QString::fromUtf8(expected.readAll())
                             .replace(QLatin1String("@DATA@"), testDataPath()));
}

// `tessel lint`: exit status, the reader's lines as they come, the summary and the warnings.
void tst_ScriptPluginSpec::lint_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("outputLines");
    QTest::addColumn<QStringList>("warnings");

    const QString data = testDataPath();
    QTest::newRow("full-localised-strict")
        << QStringList{"--locale", "ru_RU", "--theme", "white", "--strict", data + "full"} << 0
        << QStringList{"name: Полный пример", "description: Все ключи", "window title: Полный",
                       "  refresh: \"Обновить\", icon btn, keys F5, checkable, shared, "
                       "apply to all",
                       "  general: \"Общие\", icon app", "  zoom: undo \"Масштаб\", bind zoomLevel",
                       "  btn: normal, active, disabled"}
        << QStringList();
    const QString minimal = "warning: " + data + "minimal/plugin.spec: ";
    QTest::newRow("minimal-strict") << QStringList{"--strict", data + "minimal"} << 1
                                    << QStringList{"id: com.example.minimal", "entry: "}
                                    << QStringList{minimal + "entry: missing or empty; the "
                                                             "plug-in's windows have no page"};
    // The reader's lines come first, then what the host meets later, each with its key.
    const QString manifest = "warning: " + data + "warnings/plugin.spec: ";
    QTest::newRow("warnings") << QStringList{data + "warnings"} << 0 << QStringList()
        << QStringList{
               manifest + "icons.only: specparser: failed to load image '" + data
                   + "warnings/img/only.png', 'normal' state is missing",
               manifest + "entry: the file 'missing.html' is missing from the bundle",
               manifest + "icon: the icon 'nothere' is not in the icon table",
               manifest + "actions.act.icon: the icon 'ghost' is not in the icon table",
               manifest + "propertyPages.page.icon: the icon 'only' has no image",
               manifest + "propertyPages.page: propertypage: failed to created control for "
                          "property 'group.gone', property not found",
               manifest + "propertyPages.page: propertypage: failed to created control for "
                          "property 'group.blob', property type isn't supported by property page",
               manifest + "propertyPages.page: propertypage: failed to created control for "
                          "property 'group', property not found",
               manifest + "propertyPages.page: propertypage: failed to create control for "
                          "'group.count', binding for this property already exists on this page",
               manifest + "propertyPages.page: propertypage: ignoring control type for property "
                          "'group.label', control type 'Dial' isn't supported for this property "
                          "type",
               manifest + "header[0]: no id; the host skips this control",
               manifest + "header[1].type: unknown type 'Dial'; the host skips this control",
               manifest + "header[2].options[0]: the icon 'missing' is not in the icon table",
               manifest + "apiVersion: 1.1 is above the supported 1.0: the host refuses to open "
                          "documents of this plug-in"};
    QTest::newRow("broken-syntax") << QStringList{data + "broken-syntax"} << 1
        << QStringList{"specparser: failed to load '" + data
                       + "broken-syntax/plugin.spec(3:11)', Expected ':' after a member name: name"}
        << QStringList();
    QTest::newRow("missing-path") << QStringList{data + "nothing-here"} << 1 << QStringList()
                                  << QStringList();
    QTest::newRow("plain-file") << QStringList{data + "minimal/plugin.spec"} << 1
                                << QStringList() << QStringList();
    QTest::newRow("two-bundles") << QStringList{data + "full", data + "minimal"} << 2
                                 << QStringList() << QStringList();
    QTest::newRow("theme-without-value") << QStringList{data + "full", "--theme"} << 2
                                         << QStringList() << QStringList();
    QTest::newRow("unknown-option") << QStringList{"--fast", data + "full"} << 2
                                    << QStringList() << QStringList();
    QTest::newRow("help") << QStringList{"--help"} << 0
                          << QStringList{"usage: tessel lint [--theme NAME] [--locale NAME] "
                                         "[--strict] BUNDLE"}
                          << QStringList();
}

void tst_ScriptPluginSpec::lint()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, outputLines);
    QFETCH(QStringList, warnings);

    const LintRun run = runTessel(QStringList{"lint"} + args);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.output + run.errors));
    if (exitCode != 0 && outputLines.isEmpty())
        QVERIFY(!run.errors.isEmpty());

    const QStringList lines = run.output.split(QLatin1Char('\n'));
    for (const QString &expected : outputLines)
        QVERIFY2(lines.contains(expected), qPrintable(expected + "\n---\n" + run.output));
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^warning: "))), warnings);
}

void tst_ScriptPluginSpec::lintSecuredBundle()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString secured = dir.filePath(QStringLiteral("Full.wps"));
    QCOMPARE(runTessel({"pack", testDataPath() + QStringLiteral("full"), secured}).exitCode, 0);

    const LintRun run = runTessel({"lint", "--strict", secured});
    QVERIFY2(run.exitCode == 0, qPrintable(run.output + run.errors));
    const QStringList lines = run.output.split(QLatin1Char('\n'));
    QVERIFY(lines.contains(QStringLiteral("  btn: normal, active, selected, disabled")));
    QVERIFY(lines.contains(QStringLiteral("entry: file:///") + dir.path()
                           + QStringLiteral("/Full/index.html (in the bundle)")));
}

// Why `tessel lint` refuses a bundle the host skips: its last line names the real reason.
void tst_ScriptPluginSpec::lintRefusal_data()
{
    QTest::addColumn<FileMap>("files");      // written into the test's folder
    QTest::addColumn<QString>("bundle");     // relative to that folder
    QTest::addColumn<QString>("reason");

    const QByteArray index = "<html></html>";
    const QString skipped = QStringLiteral("; the host skips this bundle");
    QTest::newRow("undecodable-secured-file")
        << FileMap{{"junk.wps", QByteArray(300, 'j')}} << "junk.wps"
        << "the file cannot be decoded: not a secured file (wrong signature)" + skipped;
    QTest::newRow("plain-zip-as-secured-file")
        << FileMap{{"zip.wps", makeZip({{"plugin.spec", "{id: \"x\"}"}})}} << "zip.wps"
        << "the file cannot be decoded: not a secured file (wrong signature)" + skipped;
    QTest::newRow("secured-file-without-manifest")
        << FileMap{{"page.wps", encodeSecured(makeZip({{"index.html", index}}), QByteArray())}}
        << "page.wps" << "the bundle has no plugin.spec" + skipped;
    QTest::newRow("secured-file-not-a-zip")
        << FileMap{{"text.wps", encodeSecured("not a zip", QByteArray())}} << "text.wps"
        << "the decoded archive is refused: ";
    QTest::newRow("folder-without-manifest") << FileMap{{"f/index.html", index}} << "f"
                                             << "the bundle has no plugin.spec" + skipped;
    QTest::newRow("empty-manifest") << FileMap{{"f/plugin.spec", ""}} << "f"
                                    << "the manifest is empty or cannot be read" + skipped;
    QTest::newRow("manifest-not-object") << FileMap{{"f/plugin.spec", "[1]"}} << "f"
                                         << "the manifest is not a JSON object" + skipped;
    QTest::newRow("manifest-syntax")
        << FileMap{{"f/plugin.spec", "{id: \"x\" name: 1}"}} << "f"
        << "the manifest is not valid: Expected '}' to close an object (line 1, column 9)"
               + skipped;
    QTest::newRow("id-missing") << FileMap{{"f/plugin.spec", "{name: \"x\"}"}} << "f"
        << "the manifest gives no plug-in id: \"id\" is missing" + skipped;
    QTest::newRow("id-number") << FileMap{{"f/plugin.spec", "{id: 12}"}} << "f"
        << "the manifest gives no plug-in id: \"id\" is not a string" + skipped;
}

void tst_ScriptPluginSpec::lintRefusal()
{
    QFETCH(FileMap, files);
    QFETCH(QString, bundle);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(writeFiles(dir.path(), files));

    const QString path = dir.filePath(bundle);
    const LintRun run = runTessel({"lint", path});
    QCOMPARE(run.exitCode, 1);
    const QString last = run.errors.trimmed().split(QLatin1Char('\n')).last();
    QVERIFY2(last.startsWith(QStringLiteral("tessel: %1: %2").arg(path, reason)),
             qPrintable(run.output + run.errors));
}

// `tessel lint --strict` of a bundle whose pages load the page-side library: jQuery must come
// first. One warning per page that lacks it; the exit status follows the warnings.
void tst_ScriptPluginSpec::lintPageScripts_data()
{
    QTest::addColumn<FileMap>("pages");      // beside the manifest, whose entry is index.html
    QTest::addColumn<bool>("secured");       // packed into a .wps file first
    QTest::addColumn<QStringList>("warnings");

    const auto page = [](const QByteArray &head) -> QByteArray {
        return "<html><head>" + head + "</head></html>";
    };
    const QByteArray library = "<script src=\"qrc:///tessel/tessel.js\"></script>";
    const QByteArray jquery = "<script src=\"js/jquery.min.js\"></script>";
    const QString missing = QStringLiteral("warning: @/%1: loads qrc:///tessel/tessel.js without a "
                                           "jQuery script before it; the library's requests need "
                                           "jQuery");
    const QStringList index{missing.arg("index.html")};

    QTest::newRow("jquery-first") << FileMap{{"index.html", page(jquery + library)}} << false
                                  << QStringList();
    QTest::newRow("no-library") << FileMap{{"index.html", page("<script src=\"app.js\"></script>")}}
                                << false << QStringList();
    QTest::newRow("no-jquery") << FileMap{{"index.html", page(library)}} << false << index;
    QTest::newRow("jquery-after") << FileMap{{"index.html", page(library + jquery)}} << false << index;
    QTest::newRow("jquery-in-comment")
        << FileMap{{"index.html", page("<!-- " + jquery + " -->" + library)}} << false << index;
    QTest::newRow("jquery-inline-script-only")
        << FileMap{{"index.html", page("<script>var jquery = 1;</script>" + library)}} << false << index;
    QTest::newRow("jquery-in-data-attribute")
        << FileMap{{"index.html", page("<script data-src=\"jquery.js\" src=\"app.js\"></script>" + library)}}
        << false << index;
    QTest::newRow("jquery-folder-not-file")
        << FileMap{{"index.html", page("<script src=\"jquery/app.js\"></script>" + library)}} << false
        << index;
    QTest::newRow("versioned-unquoted-upper-case")
        << FileMap{{"index.html", page("<SCRIPT SRC=lib/jQuery-3.6.0.min.js></SCRIPT>"
                                       "<script type='text/javascript' src='qrc:/tessel/tessel.js'></script>")}}
        << false << QStringList();
    QTest::newRow("jquery-from-web") << FileMap{{"index.html", page("<script src=\"https://cdn.example/"
                                                                    "jquery.min.js?v=3\"></script>" + library)}}
                                     << false << QStringList();
    QTest::newRow("other-pages-sorted")
        << FileMap{{"index.html", page(jquery + library)}, {"pages/b.htm", page(library)},
                   {"pages/a.html", page(library)}, {"notes.txt", library}}
        << false << QStringList{missing.arg("pages/a.html"), missing.arg("pages/b.htm")};
    QTest::newRow("secured-bundle")
        << FileMap{{"index.html", page(library)}, {"sub/ok.html", page(jquery + library)}} << true
        << index;
}

void tst_ScriptPluginSpec::lintPageScripts()
{
    QFETCH(FileMap, pages);
    QFETCH(bool, secured);
    QFETCH(QStringList, warnings);

    QTemporaryDir dir;
    FileMap files{{"p/plugin.spec", "{id: \"p\", entry: \"index.html\"}"}};
    for (auto it = pages.cbegin(); it != pages.cend(); ++it)
        files.insert("p/" + it.key(), it.value());
    QVERIFY(writeFiles(dir.path(), files));
    QString bundle = dir.filePath(QStringLiteral("p"));
    if (secured) {
        // Not beside the folder, which holds the same plug-in and would be shadowed.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("packed")));
        const QString packed = dir.filePath(QStringLiteral("packed/P.wps"));
        QCOMPARE(runTessel({"pack", bundle, packed}).exitCode, 0);
        bundle = packed;
    }

    const LintRun run = runTessel({"lint", "--strict", bundle});
    QVERIFY2(run.exitCode == (warnings.isEmpty() ? 0 : 1), qPrintable(run.output + run.errors));
    QCOMPARE(run.output.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^warning: "))),
             QStringList(warnings).replaceInStrings(QStringLiteral("@"), bundle));
}

QTEST_MAIN(tst_ScriptPluginSpec)

#include "tst_scriptpluginspec.moc"

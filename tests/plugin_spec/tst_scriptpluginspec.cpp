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
        return files.value(relativeName(name));
    }

    QMap<QString, QByteArray> files;
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

QString tesselBinary()
{
    return qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/tessel");
}

} // namespace

class tst_ScriptPluginSpec : public QObject
{
    Q_OBJECT

private slots:
    void logLines_data();
    void logLines();
    void unreadableManifestGivesEmptyRecord_data();
    void unreadableManifestGivesEmptyRecord();
    void versions_data();
    void versions();
    void localisedTexts_data();
    void localisedTexts();
    void supportFlags_data();
    void supportFlags();
    void openIn_data();
    void openIn();
    void lists_data();
    void lists();
    void entry_data();
    void entry();
    void properties_data();
    void properties();
    void collectionsKeepOnlyObjects();
    void iconModes_data();
    void iconModes();
    void iconOfSeveralFiles();
    void iconCopiesAreIndependent();
    void themedIconInDottedFolder();
    void unknownIconIsEmpty();
    void minimalManifestDefaults();
    void fullFixture();
    void fullFixtureLocalised();
    void lint_data();
    void lint();
    void lintSecuredBundle();
};

// Every plug-in output line of the reader, exactly.
void tst_ScriptPluginSpec::logLines_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("expected");

    const Files none;
    QTest::newRow("missing-file") << QByteArray() << none
        << QStringList{line("failed to open '/mem/plugin.spec'", "file not found")};
    QTest::newRow("empty-file") << QByteArray("") << none
        << QStringList{line("failed to open '/mem/plugin.spec'", "file not found")};
    QTest::newRow("syntax-error") << QByteArray("{\n  \"id\": \"x\",\n  \"name\" 1\n}") << none
        << QStringList{line("failed to load '/mem/plugin.spec(3:9)'",
                            "Expected ':' after a member name: name")};
    QTest::newRow("not-an-object") << QByteArray("[1, 2]") << none
        << QStringList{line("failed to load '/mem/plugin.spec'", "wrong format")};
    QTest::newRow("byte-order-mark") << QByteArray("\xEF\xBB\xBF{\"id\": \"x\"}") << none
        << QStringList{line("failed to load '/mem/plugin.spec'", "wrong format")};
    QTest::newRow("version-three-parts") << QByteArray(R"({"id": "x", "version": "1.2.3"})")
        << none
        << QStringList{line("failed to read version property: version='1.2.3'", "wrong format")};
    QTest::newRow("api-version-word") << QByteArray(R"({"id": "x", "apiVersion": "abc"})")
        << none
        << QStringList{line("failed to read version property: apiVersion='abc'",
                            "wrong format")};
    QTest::newRow("open-in-capital") << QByteArray(R"({"id": "x", "openIn": "Symbol"})") << none
        << QStringList{line("failed to read 'openIn'", "unknown enum value 'Symbol'")};
    QTest::newRow("unknown-symbol-type")
        << QByteArray(R"({"id": "x", "supportedSymbolTypes": ["symbolTypeStock", "stock"]})")
        << none << QStringList{line("failed to find symbol type stock", "wrong symbol type")};
    QTest::newRow("action-not-object")
        << QByteArray(R"({"id": "x", "actions": {"a": "text", "b": {}}})") << none
        << QStringList{line("failed to read object 'a' from 'actions'", "value is not object")};
    QTest::newRow("page-not-object")
        << QByteArray(R"({"id": "x", "propertyPages": {"p": 1}})") << none
        << QStringList{line("failed to read object 'p' from 'propertyPages'",
                            "value is not object")};
    QTest::newRow("command-not-object")
        << QByteArray(R"({"id": "x", "commands": {"c": []}})") << none
        << QStringList{line("failed to read object 'c' from 'commands'", "value is not object")};
    QTest::newRow("group-not-object")
        << QByteArray(R"({"id": "x", "objects": {"g": true}})") << none
        << QStringList{line("failed to read object 'g' from 'objects'", "value is not object")};
    QTest::newRow("property-unknown-type")
        << QByteArray(R"({"id": "x", "objects": {"g": {"p": {"type": "float"}}}})") << none
        << QStringList{line("failed to read 'type'", "unknown enum value 'float'"),
                       line("failed to read property 'p' type", "unknown type (float)")};
    QTest::newRow("property-without-type")
        << QByteArray(R"({"id": "x", "objects": {"g": {"p": {"default": 1}}}})") << none
        << QStringList{line("failed to read property 'p' type", "unknown type ()")};
    QTest::newRow("theme-without-white")
        << QByteArray(R"({"id": "x", "objects": {"g": {"p":
               {"type": "int", "theme": {"black": 1}}}}})") << none
        << QStringList{line("failed to create property",
                            "'black' or 'white' theme value is missing")};
    QTest::newRow("theme-value-of-other-type")
        << QByteArray(R"({"id": "x", "objects": {"g": {"p":
               {"type": "int", "theme": {"black": 1, "white": "2"}}}}})") << none
        << QStringList{line("failed to create property",
                            "'black' or 'white' theme value is missing")};
    QTest::newRow("icon-without-file")
        << QByteArray(R"({"id": "x", "icons": {"i": "img/none.png"}})") << none
        << QStringList{line("failed to load image '/mem/img/none.png'", "no file found")};
    QTest::newRow("icon-without-normal")
        << QByteArray(R"({"id": "x", "icons": {"i": "img/btn.png"}})")
        << Files{{"img/btn.active.png", png(Qt::red)}}
        << QStringList{line("failed to load image '/mem/img/btn.png'",
                            "'normal' state is missing")};
    QTest::newRow("icon-corrupted")
        << QByteArray(R"({"id": "x", "icons": {"i": "img/btn.png"}})")
        << Files{{"img/btn.png", QByteArray("not an image")}}
        << QStringList{line("failed to load image from '/mem/img/btn.png'", "image corrupted?")};
    QTest::newRow("icon-corrupted-theme-file")
        << QByteArray(R"({"id": "x", "icons": {"i": "img/btn.png"}})")
        << Files{{"img/btn.png", png(Qt::red)}, {"img/btn.black.png", QByteArray("junk")}}
        << QStringList{line("failed to load image from '/mem/img/btn.black.png'",
                            "image corrupted?")};
    QTest::newRow("icon-oversized")
        << QByteArray(R"({"id": "x", "icons": {"i": "big.png"}})")
        << Files{{"big.png", png(Qt::red, ScriptPluginSpecReader::MaxIconSide + 1, 1)}}
        << QStringList{line("failed to load image from '/mem/big.png'", "image corrupted?")};
    QTest::newRow("icon-at-size-limit")
        << QByteArray(R"({"id": "x", "icons": {"i": "big.png"}})")
        << Files{{"big.png", png(Qt::red, ScriptPluginSpecReader::MaxIconSide, 1)}}
        << QStringList();
    QTest::newRow("order-follows-keys")
        << QByteArray(R"({"id": "x", "version": "vv", "apiVersion": "ww", "openIn": "o",
                         "actions": {"a": 1}, "icons": {"i": "none.png"},
                         "supportedSymbolTypes": "s"})") << none
        << QStringList{line("failed to read version property: version='vv'", "wrong format"),
                       line("failed to read version property: apiVersion='ww'",
                            "wrong format"),
                       line("failed to read 'openIn'", "unknown enum value 'o'"),
                       line("failed to read object 'a' from 'actions'", "value is not object"),
                       line("failed to load image '/mem/none.png'", "no file found"),
                       line("failed to find symbol type s", "wrong symbol type")};
    QTest::newRow("wrong-json-types-are-silent")
        << QByteArray(R"({"id": "x", "name": true, "version": 2, "supportUndoStack": "true",
                         "openIn": 1, "hotkeys": 5, "actions": [], "objects": "o",
                         "icons": {"i": 3}, "header": {}, "features": {},
                         "supportedSymbolTypes": [3]})") << none << QStringList();
}

void tst_ScriptPluginSpec::logLines()
{
    QFETCH(QByteArray, manifest);
    QFETCH(Files, files);
    QFETCH(QStringList, expected);

    QCOMPARE(readManifest(manifest, files).lines, expected);
}

void tst_ScriptPluginSpec::unreadableManifestGivesEmptyRecord_data()
{
    QTest::addColumn<QByteArray>("manifest");

    QTest::newRow("missing") << QByteArray();
    QTest::newRow("syntax-error") << QByteArray(R"({"id": "x", "name" "n"})");
    QTest::newRow("string") << QByteArray(R"("com.example")");
    QTest::newRow("null") << QByteArray("null");
}

void tst_ScriptPluginSpec::unreadableManifestGivesEmptyRecord()
{
    QFETCH(QByteArray, manifest);

    const ScriptPluginSpec spec = readManifest(manifest).spec;
    QVERIFY(spec.id.isEmpty());
    QVERIFY(spec.name.isEmpty());
    QVERIFY(!spec.bundle);
    QCOMPARE(spec.supportFlags, int(ScriptPluginSpec::DefaultSupportFlags));
}

void tst_ScriptPluginSpec::versions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("logged");

    QTest::newRow("minor-ten") << "1.10" << "1.10" << false;
    QTest::newRow("dash-separator") << "1-5" << "1.5" << false;
    QTest::newRow("two-digits") << "12" << "1.0" << false;
    QTest::newRow("one-digit") << "7" << "0.0" << false;
    QTest::newRow("one-letter") << "v" << "0.0" << false;
    QTest::newRow("letter-minor") << "1.x" << "0.0" << true;
    QTest::newRow("no-major") << ".5" << "0.5" << false;
    QTest::newRow("no-minor") << "3." << "3.0" << false;
    QTest::newRow("three-parts") << "1.2.3" << "0.0" << true;
    QTest::newRow("word") << "abc" << "0.0" << true;
    QTest::newRow("empty") << "" << "0.0" << true;
    QTest::newRow("trailing-line-feed") << "1.2\n" << "0.0" << true;
    QTest::newRow("overflowing-major") << "99999999999.1" << "0.0" << true;
}

void tst_ScriptPluginSpec::versions()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(bool, logged);

    const Reading reading = readManifest(
        QStringLiteral("{\"id\": \"x\", \"version\": \"%1\"}")
            .arg(QString(text).replace(QLatin1Char('\n'), QLatin1String("\\n")))
            .toUtf8());
    QCOMPARE(reading.spec.version.toString(), expected);
    QCOMPARE(reading.spec.version.segmentCount(), 2);
    QCOMPARE(reading.lines.size(), logged ? 1 : 0);
}

void tst_ScriptPluginSpec::localisedTexts_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("desc");

    QTest::newRow("locale-key-wins")
        << QByteArray(R"({"id": "x", "name": "N", "name-en_US": "E", "desc-en_US": "D"})")
        << "en_US" << "E" << "D";
    QTest::newRow("other-locale")
        << QByteArray(R"({"id": "x", "name": "N", "name-en_US": "E"})") << "ru_RU" << "N" << "";
    QTest::newRow("name-falls-back-to-id") << QByteArray(R"({"id": "x"})") << "en_US" << "x"
                                           << "";
    QTest::newRow("empty-name-is-id") << QByteArray(R"({"id": "x", "name": ""})") << "en_US"
                                      << "x" << "";
    QTest::newRow("locale-key-not-a-string")
        << QByteArray(R"({"id": "x", "name": "N", "name-en_US": 5})") << "en_US" << "N" << "";
}

void tst_ScriptPluginSpec::localisedTexts()
{
    QFETCH(QByteArray, manifest);
    QFETCH(QString, locale);
    QFETCH(QString, name);
    QFETCH(QString, desc);

    const ScriptPluginSpec spec =
        readManifest(manifest, Files(), QStringLiteral("black"), locale).spec;
    QCOMPARE(spec.name, name);
    QCOMPARE(spec.description, desc);
}

void tst_ScriptPluginSpec::supportFlags_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("redirect");

    QTest::newRow("defaults") << QByteArray() << 0x45C << true;
    QTest::newRow("clear-default-bit") << QByteArray(R"("supportUndoStack": false)") << 0x458
                                       << true;
    QTest::newRow("set-bit") << QByteArray(R"("supportSymbolLinking": true)") << 0x45D << true;
    QTest::newRow("string-true-ignored") << QByteArray(R"("supportTrading": "true")") << 0x45C
                                         << true;
    QTest::newRow("number-ignored") << QByteArray(R"("supportRefresh": 0)") << 0x45C << true;
    QTest::newRow("redirect-read-twice")
        << QByteArray(R"("supportRedirectToExternalLinks": false)") << 0x05C << false;
    QTest::newRow("all-on")
        << QByteArray(R"("supportSymbolLinking": true, "supportIntervalLinking": true,
                        "supportTrading": true, "supportDefaultConnections": true)")
        << 0x4FF << true;
}

void tst_ScriptPluginSpec::supportFlags()
{
    QFETCH(QByteArray, keys);
    QFETCH(int, flags);
    QFETCH(bool, redirect);

    QByteArray manifest = "{\"id\": \"x\"";
    if (!keys.isEmpty())
        manifest += ", " + keys;
    manifest += '}';
    const Reading reading = readManifest(manifest);
    QCOMPARE(reading.spec.supportFlags, flags);
    QCOMPARE(reading.spec.supportRedirectToExternalLinks, redirect);
    QVERIFY(reading.lines.isEmpty());
}

void tst_ScriptPluginSpec::openIn_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("openIn");

    QTest::newRow("none") << QByteArray(R"("none")") << 0;
    QTest::newRow("symbol") << QByteArray(R"("symbol")") << 1;
    QTest::newRow("symbollist") << QByteArray(R"("symbollist")") << 2;
    QTest::newRow("capital") << QByteArray(R"("Symbol")") << 0;
    QTest::newRow("number") << QByteArray("1") << 0;
}

void tst_ScriptPluginSpec::openIn()
{
    QFETCH(QByteArray, value);
    QFETCH(int, openIn);

    QCOMPARE(readManifest("{\"id\": \"x\", \"openIn\": " + value + "}").spec.openIn, openIn);
}

void tst_ScriptPluginSpec::lists_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QStringList>("hotkeys");
    QTest::addColumn<QStringList>("features");
    QTest::addColumn<QList<int>>("symbolTypes");

    QTest::newRow("single-strings")
        << QByteArray(R"("hotkeys": "Ctrl+K", "features": "a",
                        "supportedSymbolTypes": "symbolTypeStock")")
        << QStringList{"Ctrl+K"} << QStringList{"a"} << QList<int>{14};
    QTest::newRow("arrays-of-one")
        << QByteArray(R"("hotkeys": ["Ctrl+K"], "features": ["a"],
                        "supportedSymbolTypes": ["symbolTypeStock"])")
        << QStringList{"Ctrl+K"} << QStringList{"a"} << QList<int>{14};
    QTest::newRow("non-strings-skipped")
        << QByteArray(R"("hotkeys": ["F5", 5, "Shift+F7"], "features": ["a", {}, "b"],
                        "supportedSymbolTypes": ["symbolTypeUndefined", true,
                                                 "symbolTypeHistoricalContractDaysBack"])")
        << QStringList{"F5", "Shift+F7"} << QStringList{"a", "b"} << QList<int>{0, 28};
    QTest::newRow("unknown-symbol-type-skipped")
        << QByteArray(R"("supportedSymbolTypes": ["symbolTypeForex", "forex", "symbolTypeAlias"])")
        << QStringList() << QStringList() << QList<int>{2, 23};
}

void tst_ScriptPluginSpec::lists()
{
    QFETCH(QByteArray, keys);
    QFETCH(QStringList, hotkeys);
    QFETCH(QStringList, features);
    QFETCH(QList<int>, symbolTypes);

    const ScriptPluginSpec spec = readManifest("{\"id\": \"x\", " + keys + "}").spec;
    QStringList sequences;
    for (const QKeySequence &sequence : spec.hotkeys)
        sequences.append(sequence.toString(QKeySequence::PortableText));
    QCOMPARE(sequences, hotkeys);
    QCOMPARE(spec.features, features);
    QCOMPARE(spec.supportedSymbolTypes, symbolTypes);
}

void tst_ScriptPluginSpec::entry_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("entry");

    QTest::newRow("relative") << QByteArray(R"("index.html")") << "file:////mem/index.html";
    QTest::newRow("with-folder") << QByteArray(R"("web/main.html?x=1")")
                                 << "file:////mem/web/main.html?x=1";
    QTest::newRow("empty") << QByteArray(R"("")") << "";
    QTest::newRow("not-a-string") << QByteArray("1") << "";
}

void tst_ScriptPluginSpec::entry()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, entry);

    QCOMPARE(readManifest("{\"id\": \"x\", \"entry\": " + value + "}").spec.entry, entry);
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
    QTest::addColumn<QVariant>("black");
    QTest::addColumn<QVariant>("white");
    QTest::addColumn<QStringList>("enumKeys");

    const int styleFlags = PropertySpec::IsStyleTemplate | PropertySpec::IsDefaultStyleTemplate;
    const int none = int(PropertyKind::None);
    const int byDefault = int(PropertyKind::Default);
    const int theme = int(PropertyKind::Theme);

    QTest::newRow("string-default")
        << QByteArray(R"({"type": "string", "default": "abc", "undoText": "u"})") << byDefault
        << int(QMetaType::QString) << styleFlags << 1 << QVariant("abc") << QVariant()
        << QVariant() << QStringList();
    QTest::newRow("unshared-default-ignores-version")
        << QByteArray(R"({"type": "int", "default": 5, "version": 3})") << byDefault
        << int(QMetaType::Int) << styleFlags << 1 << QVariant(5) << QVariant() << QVariant()
        << QStringList();
    QTest::newRow("double-with-int-default")
        << QByteArray(R"({"type": "double", "default": 5})") << none << int(QMetaType::Double)
        << styleFlags << 1 << QVariant() << QVariant() << QVariant() << QStringList();
    QTest::newRow("int-with-double-default")
        << QByteArray(R"({"type": "int", "default": 2.0})") << none << int(QMetaType::Int)
        << styleFlags << 1 << QVariant() << QVariant() << QVariant() << QStringList();
    QTest::newRow("bool-with-number-default")
        << QByteArray(R"({"type": "bool", "default": 1})") << none << int(QMetaType::Bool)
        << styleFlags << 1 << QVariant() << QVariant() << QVariant() << QStringList();
    QTest::newRow("double-int-default-with-theme")
        << QByteArray(R"({"type": "double", "default": 5, "version": 4,
                         "theme": {"black": 1.5, "white": 2.5}})")
        << theme << int(QMetaType::Double) << styleFlags << 4 << QVariant() << QVariant(1.5)
        << QVariant(2.5) << QStringList();
    QTest::newRow("default-wins-over-theme")
        << QByteArray(R"({"type": "bool", "default": false,
                         "theme": {"black": true, "white": false}})")
        << byDefault << int(QMetaType::Bool) << styleFlags << 1 << QVariant(false) << QVariant()
        << QVariant() << QStringList();
    QTest::newRow("flags")
        << QByteArray(R"({"type": "bool", "default": true, "isStyleTemplate": false,
                         "isSecured": true, "isAutoDefault": true, "isSharedDefault": "yes"})")
        << byDefault << int(QMetaType::Bool)
        << int(PropertySpec::IsDefaultStyleTemplate | PropertySpec::IsSecured
               | PropertySpec::IsAutoDefault)
        << 1 << QVariant(true) << QVariant() << QVariant() << QStringList();
    QTest::newRow("shared-string-enum")
        << QByteArray(R"({"type": "string", "default": "a", "isSharedDefault": true,
                         "version": 4, "enum": {"Alpha": "a", "Beta": "b", "Again": "a"}})")
        << byDefault << int(QMetaType::QString)
        << int(styleFlags | PropertySpec::IsSharedDefault) << 4 << QVariant("a") << QVariant()
        << QVariant() << QStringList{"a=Again", "b=Beta"};
    QTest::newRow("shared-int-enum-keyed-by-label")
        << QByteArray(R"({"type": "int", "default": 1, "isSharedDefault": true,
                         "enum": {"One": 1, "Two": 2, "Bad": "x", "Half": 0.5}})")
        << byDefault << int(QMetaType::Int) << int(styleFlags | PropertySpec::IsSharedDefault)
        << 1 << QVariant(1) << QVariant() << QVariant() << QStringList{"One=One", "Two=Two"};
    QTest::newRow("enum-needs-shared-default")
        << QByteArray(R"({"type": "int", "default": 1, "enum": {"One": 1}})") << byDefault
        << int(QMetaType::Int) << styleFlags << 1 << QVariant(1) << QVariant() << QVariant()
        << QStringList();
    QTest::newRow("json-without-default")
        << QByteArray(R"({"type": "json"})") << byDefault << int(QMetaType::QVariantMap)
        << styleFlags << 1 << QVariant() << QVariant() << QVariant() << QStringList();
    QTest::newRow("json-list-default")
        << QByteArray(R"({"type": "json", "default": [1, "a"]})") << byDefault
        << int(QMetaType::QVariantMap) << styleFlags << 1 << QVariant(QVariantList{1, "a"})
        << QVariant() << QVariant() << QStringList();
    QTest::newRow("theme-missing-white")
        << QByteArray(R"({"type": "string", "theme": {"black": "b"}})") << none
        << int(QMetaType::QString) << styleFlags << 1 << QVariant() << QVariant() << QVariant()
        << QStringList();
    QTest::newRow("theme-not-an-object")
        << QByteArray(R"({"type": "string", "theme": ["b", "w"]})") << none
        << int(QMetaType::QString) << styleFlags << 1 << QVariant() << QVariant() << QVariant()
        << QStringList();
}

void tst_ScriptPluginSpec::properties()
{
    QFETCH(QByteArray, definition);
    QFETCH(int, kind);
    QFETCH(int, type);
    QFETCH(int, flags);
    QFETCH(int, version);
    QFETCH(QVariant, defaultValue);
    QFETCH(QVariant, black);
    QFETCH(QVariant, white);
    QFETCH(QStringList, enumKeys);

    const ScriptPluginSpec spec =
        readManifest("{\"id\": \"x\", \"objects\": {\"g\": {\"p\": " + definition + "}}}").spec;
    const PropertySpec *property = spec.findProperty(QStringLiteral("g.p"));
    QVERIFY(property);
    QCOMPARE(property->id, QStringLiteral("p"));
    QCOMPARE(int(property->kind), kind);
    QCOMPARE(property->type, type);
    QCOMPARE(property->flags, flags);
    QCOMPARE(property->version, version);
    QCOMPARE(property->defaultValue, defaultValue);
    QCOMPARE(property->black, black);
    QCOMPARE(property->white, white);
    QCOMPARE(::enumKeys(property->enumEntries), enumKeys);
}

void tst_ScriptPluginSpec::collectionsKeepOnlyObjects()
{
    const Reading reading = readManifest(R"({"id": "x",
        "actions": {"b": {"name": "B"}, "a": 1, "c": {}},
        "header": [{"id": "h1", "type": "Button"}, "text", {"type": "ComboBox"}],
        "propertyPages": {"p": {"bindings": [{"bind": "g.q"}, 3, {"bind": "g.r"}]}},
        "objects": {"g": {"q": {"type": "int", "default": 1}, "bad": {"type": "none"},
                          "r": 7}}})");
    QStringList actionIds;
    for (const ActionSpec &action : reading.spec.actions)
        actionIds.append(action.id);
    QCOMPARE(actionIds, (QStringList{"b", "c"}));
    QCOMPARE(reading.spec.actions.first().name, QStringLiteral("B"));

    QCOMPARE(reading.spec.header.size(), 2);
    QCOMPARE(reading.spec.header.at(0).id, QStringLiteral("h1"));
    QCOMPARE(reading.spec.header.at(1).id, QString());
    QCOMPARE(reading.spec.header.at(1).type, QStringLiteral("ComboBox"));

    QCOMPARE(reading.spec.propertyPages.size(), 1);
    QCOMPARE(reading.spec.propertyPages.first().bindings.size(), 2);
    QCOMPARE(reading.spec.propertyPages.first().bindings.at(1).bind, QStringLiteral("g.r"));

    // A property whose definition is no object has no type and is dropped.
    QCOMPARE(reading.spec.objects.value(QStringLiteral("g")).size(), 1);
    QVERIFY(reading.spec.findProperty(QStringLiteral("g.q")));
    QVERIFY(!reading.spec.findProperty(QStringLiteral("g.r")));
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

    const Files states{{"img/btn.png", png(Qt::red)},
                       {"img/btn.active.png", png(Qt::green)},
                       {"img/btn.selected.png", png(Qt::blue)},
                       {"img/btn.disabled.png", png(Qt::gray)}};
    QTest::newRow("states") << states << "black" << QColor(Qt::red) << QColor(Qt::green)
                            << QColor(Qt::blue) << QColor(Qt::gray);

    Files themed = states;
    themed.insert("img/btn.black.png", png(Qt::yellow));
    themed.insert("img/btn.black.disabled.png", png(Qt::cyan));
    themed.insert("img/btn.white.active.png", png(Qt::magenta));
    QTest::newRow("theme-black-wins") << themed << "black" << QColor(Qt::yellow)
                                      << QColor(Qt::green) << QColor(Qt::blue)
                                      << QColor(Qt::cyan);
    QTest::newRow("other-theme") << themed << "white" << QColor(Qt::red) << QColor(Qt::magenta)
                                 << QColor(Qt::blue) << QColor(Qt::gray);
    QTest::newRow("no-theme") << themed << "" << QColor(Qt::red) << QColor(Qt::green)
                              << QColor(Qt::blue) << QColor(Qt::gray);

    Files normal = states;
    normal.insert("img/btn.normal.png", png(Qt::darkRed));
    QTest::newRow("normal-beats-none") << normal << "black" << QColor(Qt::darkRed)
                                       << QColor(Qt::green) << QColor(Qt::blue)
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
    QVERIFY(!icon.isNull());
    QCOMPARE(modeColor(icon, QIcon::Normal), normal);
    QCOMPARE(modeColor(icon, QIcon::Active), active);
    if (selected.isValid())
        QCOMPARE(modeColor(icon, QIcon::Selected), selected);
    QCOMPARE(icon.availableSizes(QIcon::Selected).isEmpty(), !selected.isValid());
    if (disabled.isValid())
        QCOMPARE(modeColor(icon, QIcon::Disabled), disabled);
    QCOMPARE(icon.availableSizes(QIcon::Disabled).isEmpty(), !disabled.isValid());
}

void tst_ScriptPluginSpec::iconOfSeveralFiles()
{
    const Reading reading = readManifest(
        R"({"id": "x", "icons": {"i": ["small.png", "missing.png", "large.png"]}})",
        Files{{"small.png", png(Qt::red, 16, 16)}, {"large.png", png(Qt::blue, 32, 32)},
              {"large.active.png", png(Qt::green, 32, 32)}});
    QCOMPARE(reading.lines,
             QStringList{line("failed to load image '/mem/missing.png'", "no file found")});
    const QIcon icon = reading.spec.icon(QStringLiteral("i"));
    QCOMPARE(icon.availableSizes(QIcon::Normal), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    QCOMPARE(icon.availableSizes(QIcon::Active), QList<QSize>{QSize(32, 32)});
    QCOMPARE(icon.pixmap(QSize(32, 32)).toImage().pixelColor(0, 0), QColor(Qt::blue));
    QCOMPARE(icon.pixmap(QSize(16, 16)).toImage().pixelColor(0, 0), QColor(Qt::red));
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
    QCOMPARE(copy.icon(QStringLiteral("i")).pixmap(QSize(48, 48)).toImage().pixelColor(0, 0),
             QColor(Qt::blue));
    QCOMPARE(modeColor(spec.icon(QStringLiteral("i")), QIcon::Normal), QColor(Qt::red));
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

void tst_ScriptPluginSpec::unknownIconIsEmpty()
{
    const ScriptPluginSpec spec =
        readManifest(R"({"id": "x", "icons": {"i": "none.png"}})").spec;
    QVERIFY(spec.icon(QStringLiteral("other")).isNull());
    QVERIFY(spec.icons.contains(QStringLiteral("i")));
    QVERIFY(spec.icon(QStringLiteral("i")).isNull());
}

void tst_ScriptPluginSpec::minimalManifestDefaults()
{
    StandardBundle bundle(testDataPath() + QStringLiteral("minimal"));
    RecordingChannel channel;
    const ScriptPluginSpec spec = ScriptPluginSpec::read(
        &bundle, QStringLiteral("plugin.spec"), QStringLiteral("white"), QStringLiteral("de_DE"),
        &channel);
    QVERIFY(channel.lines.isEmpty());
    QCOMPARE(spec.id, QStringLiteral("com.example.minimal"));
    QCOMPARE(spec.name, spec.id);
    QVERIFY(spec.description.isEmpty() && spec.windowTitle.isEmpty());
    QVERIFY(spec.iconName.isEmpty() && spec.openInIconName.isEmpty()
            && spec.mainMenuIconName.isEmpty());
    QCOMPARE(spec.supportFlags, 0x45C);
    QCOMPARE(spec.openIn, int(ScriptPluginSpec::OpenInNone));
    QVERIFY(spec.hotkeys.isEmpty());
    QCOMPARE(spec.theme, QStringLiteral("white"));
    QVERIFY(spec.entry.isEmpty());
    QCOMPARE(spec.bundle, &bundle);
    QVERIFY(!spec.supportSymbolDrop && !spec.supportForwardBack && !spec.supportOwnTheme
            && !spec.supportOrderPositionMenu && !spec.disableWebSecurity
            && !spec.supportFavorites && !spec.isQuorvexApp);
    QVERIFY(spec.supportRedirectToExternalLinks && spec.supportStyleTemplates);
    QVERIFY(spec.supportedSymbolTypes.isEmpty());
    QCOMPARE(spec.version, QVersionNumber(0, 0));
    QCOMPARE(spec.apiVersion, QVersionNumber(0, 0));
    QVERIFY(spec.actions.isEmpty() && spec.propertyPages.isEmpty() && spec.commands.isEmpty()
            && spec.objects.isEmpty() && spec.icons.isEmpty() && spec.header.isEmpty()
            && spec.features.isEmpty());
}

// The checked-in manifest with every key, read from its folder as the host does.
void tst_ScriptPluginSpec::fullFixture()
{
    const QString path = testDataPath() + QStringLiteral("full");
    StandardBundle bundle(path);
    RecordingChannel channel;
    const ScriptPluginSpec spec = ScriptPluginSpec::read(
        &bundle, QStringLiteral("plugin.spec"), QStringLiteral("black"), QStringLiteral("en_US"),
        &channel);
    QVERIFY2(channel.lines.isEmpty(), qPrintable(channel.lines.join(QString())));

    QCOMPARE(spec.id, QStringLiteral("com.example.full"));
    QCOMPARE(spec.name, QStringLiteral("Full Example"));
    QCOMPARE(spec.description, QStringLiteral("Exercises every key"));
    QCOMPARE(spec.windowTitle, QStringLiteral("Full"));
    QCOMPARE(spec.iconName, QStringLiteral("app"));
    QCOMPARE(spec.openInIconName, QStringLiteral("btn"));
    QCOMPARE(spec.mainMenuIconName, QStringLiteral("multi"));
    QCOMPARE(spec.version, QVersionNumber(2, 10));
    QCOMPARE(spec.apiVersion, QVersionNumber(1, 0));
    QCOMPARE(spec.supportFlags, 0x1 | 0x2 | 0x8 | 0x20 | 0x80);
    QVERIFY(spec.supportSymbolDrop && spec.supportForwardBack && spec.supportOwnTheme
            && spec.supportOrderPositionMenu && spec.supportFavorites && spec.disableWebSecurity
            && spec.isQuorvexApp);
    QVERIFY(!spec.supportRedirectToExternalLinks && !spec.supportStyleTemplates);
    QCOMPARE(spec.openIn, int(ScriptPluginSpec::OpenInSymbolList));
    QCOMPARE(spec.hotkeys, (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+F")),
                                                QKeySequence(Qt::Key_F9)}));
    QCOMPARE(spec.theme, QStringLiteral("black"));
    QCOMPARE(spec.entry, QStringLiteral("file:///%1/index.html").arg(path));
    QCOMPARE(spec.features, (QStringList{"charts", "alerts"}));
    QCOMPARE(spec.supportedSymbolTypes, (QList<int>{14, 13}));

    QCOMPARE(spec.actions.size(), 2);
    const ActionSpec &pin = spec.actions.at(0);
    QCOMPARE(pin.id, QStringLiteral("pin"));
    QCOMPARE(pin.hotkeys.size(), 2);
    QCOMPARE(pin.flags, 0);
    QVERIFY(!pin.isCheckable);
    const ActionSpec &refresh = spec.actions.at(1);
    QCOMPARE(refresh.id, QStringLiteral("refresh"));
    QCOMPARE(refresh.name, QStringLiteral("Refresh"));
    QCOMPARE(refresh.desc, QStringLiteral("Reload the data"));
    QCOMPARE(refresh.hotkeys, QList<QKeySequence>{QKeySequence(Qt::Key_F5)});
    QCOMPARE(refresh.icon, QStringLiteral("btn"));
    QCOMPARE(refresh.flags, ActionSpec::IsShared | ActionSpec::ApplyToAll);
    QVERIFY(refresh.isCheckable);

    QCOMPARE(spec.propertyPages.size(), 1);
    const PropertyPageSpec &page = spec.propertyPages.first();
    QCOMPARE(page.id, QStringLiteral("general"));
    QCOMPARE(page.name, QStringLiteral("General"));
    QCOMPARE(page.icon, QStringLiteral("app"));
    QCOMPARE(page.bindings.size(), 2);
    const PropertyBindingSpec &background = page.bindings.at(0);
    QCOMPARE(background.name, QStringLiteral("Background"));
    QCOMPARE(background.bind, QStringLiteral("appearance.background"));
    QCOMPARE(background.type, QStringLiteral("ColorPicker"));
    QCOMPARE(background.undoText, QStringLiteral("Change background"));
    QCOMPARE(background.tooltip, QStringLiteral("Window background"));
    QCOMPARE(page.bindings.at(1).options.value(QStringLiteral("fontModify")).toString(),
             QStringLiteral("family,size"));
    QVERIFY(page.bindings.at(1).type.isEmpty());

    QCOMPARE(spec.commands.size(), 2);
    QCOMPARE(spec.commands.at(0).id, QStringLiteral("mark"));
    QCOMPARE(spec.commands.at(0).undoText, QStringLiteral("mark"));
    QVERIFY(spec.commands.at(0).bind.isEmpty());
    QCOMPARE(spec.commands.at(1).undoText, QStringLiteral("Zoom"));
    QCOMPARE(spec.commands.at(1).bind, QStringLiteral("zoomLevel"));

    QCOMPARE(spec.objects.keys(), (QStringList{"appearance", "data"}));
    const PropertySpec *color = spec.findProperty(QStringLiteral("appearance.background"));
    QVERIFY(color);
    QCOMPARE(color->kind, PropertyKind::Theme);
    QCOMPARE(color->version, 2);
    QCOMPARE(color->black, QVariant::fromValue(colorFromCss(QStringLiteral("#000000"))));
    QCOMPARE(color->white, QVariant::fromValue(colorFromCss(QStringLiteral("#ffffff"))));
    const PropertySpec *font = spec.findProperty(QStringLiteral("appearance.titleFont"));
    QVERIFY(font);
    QCOMPARE(font->kind, PropertyKind::Font);
    QCOMPARE(font->type, int(QMetaType::QFont));
    QCOMPARE(font->font, fontFromCss(QStringLiteral("bold 12pt \"Arial\"")));
    QCOMPARE(spec.findProperty(QStringLiteral("appearance.rows"))->undoText,
             QStringLiteral("Change rows"));
    const PropertySpec *layout = spec.findProperty(QStringLiteral("data.layout"));
    QCOMPARE(layout->defaultValue, QVariant(QVariantMap{{"columns", 3}}));
    QCOMPARE(layout->flags, int(PropertySpec::IsDefaultStyleTemplate));
    const PropertySpec *mode = spec.findProperty(QStringLiteral("data.mode"));
    QCOMPARE(enumKeys(mode->enumEntries), (QStringList{"fast=Fast", "slow=Slow"}));
    QCOMPARE(mode->enumEntries.first().value, QVariant("fast"));
    QCOMPARE(mode->version, 3);

    QCOMPARE(spec.icons.keys(), (QStringList{"app", "btn", "multi"}));
    QCOMPARE(modeColor(spec.icon(QStringLiteral("app")), QIcon::Normal), QColor(Qt::blue));
    const QIcon button = spec.icon(QStringLiteral("btn"));
    QCOMPARE(modeColor(button, QIcon::Normal), QColor(Qt::green));
    QCOMPARE(modeColor(button, QIcon::Active), QColor(Qt::yellow));
    QCOMPARE(modeColor(button, QIcon::Selected), QColor(Qt::cyan));
    QCOMPARE(modeColor(button, QIcon::Disabled), QColor(128, 128, 128));
    QCOMPARE(spec.icon(QStringLiteral("multi")).availableSizes().size(), 2);

    QCOMPARE(spec.header.size(), 3);
    QCOMPARE(spec.header.at(0).id, QStringLiteral("symbol"));
    QCOMPARE(spec.header.at(0).type, QStringLiteral("SymbolEdit"));
    QCOMPARE(spec.header.at(0).params.value(QStringLiteral("value")), QVariant("AAPL"));
    QCOMPARE(spec.header.at(2).params.value(QStringLiteral("options")).toList().size(), 3);
}

void tst_ScriptPluginSpec::fullFixtureLocalised()
{
    StandardBundle bundle(testDataPath() + QStringLiteral("full"));
    const ScriptPluginSpec spec = ScriptPluginSpec::read(
        &bundle, QStringLiteral("plugin.spec"), QStringLiteral("white"), QStringLiteral("ru_RU"),
        nullptr);
    QCOMPARE(spec.name, QStringLiteral("Полный пример"));
    QCOMPARE(spec.description, QStringLiteral("Все ключи"));
    QCOMPARE(spec.windowTitle, QStringLiteral("Полный"));
    QCOMPARE(spec.actions.at(1).name, QStringLiteral("Обновить"));
    QCOMPARE(spec.actions.at(1).desc, QStringLiteral("Reload the data"));
    QCOMPARE(spec.propertyPages.first().name, QStringLiteral("Общие"));
    QCOMPARE(spec.commands.at(1).undoText, QStringLiteral("Масштаб"));
    // White theme: the plain files.
    QCOMPARE(modeColor(spec.icon(QStringLiteral("app")), QIcon::Normal), QColor(Qt::red));
    QVERIFY(spec.icon(QStringLiteral("btn")).availableSizes(QIcon::Selected).isEmpty());
}

// `tessel lint`: exit status, the reader's lines as they come, the summary and the warnings.
void tst_ScriptPluginSpec::lint_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("outputLines");
    QTest::addColumn<QStringList>("warnings");

    const QString data = testDataPath();
    QTest::newRow("full") << QStringList{data + "full"} << 0
        << QStringList{"id: com.example.full", "name: Full Example", "version: 2.10",
                       "API version: 1.0",
                       "support flags: supportSymbolLinking, supportIntervalLinking, "
                       "supportRefresh, supportTrading, supportDefaultConnections",
                       "open in: symbollist", "hot keys: Ctrl+Shift+F, F9",
                       "entry: file:///" + data + "full/index.html (in the bundle)",
                       "  refresh: \"Refresh\", icon btn, keys F5, checkable, shared, apply to all",
                       "    \"Background\" -> appearance.background (ColorPicker)",
                       "    background: color, theme", "    titleFont: font, font",
                       "    layout: json, default", "  period: ComboBox",
                       "  btn: normal, active, selected, disabled", "  app: normal",
                       "symbol types: symbolTypeStock, symbolTypeIndex"}
        << QStringList();
    QTest::newRow("full-localised-strict")
        << QStringList{"--locale", "ru_RU", "--theme", "white", "--strict", data + "full"} << 0
        << QStringList{"name: Полный пример", "  btn: normal, active, disabled"}
        << QStringList();
    const QString noEntry = "warning: no entry page: \"entry\" is missing or empty";
    QTest::newRow("minimal") << QStringList{data + "minimal"} << 0
                             << QStringList{"id: com.example.minimal", "entry: "}
                             << QStringList{noEntry};
    QTest::newRow("minimal-strict") << QStringList{"--strict", data + "minimal"} << 1
                                    << QStringList{"id: com.example.minimal"}
                                    << QStringList{noEntry};
    QTest::newRow("warnings") << QStringList{data + "warnings"} << 0
        << QStringList{"specparser: failed to load image '" + data
                       + "warnings/img/only.png', 'normal' state is missing"}
        << QStringList{
               "warning: entry file 'missing.html' is missing from the bundle",
               "warning: the template uses icon 'nothere', which the icon table lacks",
               "warning: action 'act' uses icon 'ghost', which the icon table lacks",
               "warning: page 'page' uses icon 'only', which has no image",
               "warning: page 'page' binds 'group.gone', which is not a property",
               "warning: page 'page' binds 'group.blob', a json property, which no page can edit",
               "warning: page 'page' binds 'group', which is not a property",
               "warning: header control 1 has no id; the host skips it",
               "warning: header control 'dial' has the unknown type 'Dial'; the host skips it",
               "warning: header control 'combo' uses icon 'missing', which the icon table lacks",
               "warning: API version 1.1 is above the supported 1.0: the host refuses to open "
               "documents of this plug-in"};
    QTest::newRow("broken-syntax") << QStringList{data + "broken-syntax"} << 1
        << QStringList{"specparser: failed to load '" + data
                       + "broken-syntax/plugin.spec(3:11)', Expected ':' after a member name: name"}
        << QStringList();
    QTest::newRow("not-object") << QStringList{data + "not-object"} << 1
        << QStringList{"specparser: failed to load '" + data
                       + "not-object/plugin.spec', wrong format"}
        << QStringList();
    QTest::newRow("no-manifest") << QStringList{data + "no-manifest"} << 1
        << QStringList{"specparser: failed to open '" + data
                       + "no-manifest/plugin.spec', file not found"}
        << QStringList();
    QTest::newRow("missing-path") << QStringList{data + "nothing-here"} << 1 << QStringList()
                                  << QStringList();
    QTest::newRow("plain-file") << QStringList{data + "minimal/plugin.spec"} << 1
                                << QStringList() << QStringList();
    QTest::newRow("no-bundle") << QStringList() << 2 << QStringList() << QStringList();
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

    QProcess process;
    process.start(tesselBinary(), QStringList{"lint"} + args);
    QVERIFY2(process.waitForFinished(60000), qPrintable(process.errorString()));
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode, qPrintable(output + errors));
    if (exitCode != 0 && outputLines.isEmpty())
        QVERIFY(!errors.isEmpty());

    const QStringList lines = output.split(QLatin1Char('\n'));
    for (const QString &expected : outputLines)
        QVERIFY2(lines.contains(expected), qPrintable(expected + "\n---\n" + output));
    QStringList found;
    for (const QString &text : lines) {
        if (text.startsWith(QLatin1String("warning: ")))
            found.append(text);
    }
    QCOMPARE(found, warnings);
}

void tst_ScriptPluginSpec::lintSecuredBundle()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString secured = dir.filePath(QStringLiteral("Full.wps"));
    QCOMPARE(QProcess::execute(tesselBinary(),
                               {"pack", testDataPath() + QStringLiteral("full"), secured}),
             0);

    QProcess process;
    process.start(tesselBinary(), {"lint", "--strict", secured});
    QVERIFY(process.waitForFinished(60000));
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(process.exitCode() == 0, qPrintable(output + process.readAllStandardError()));
    const QStringList lines = output.split(QLatin1Char('\n'));
    QVERIFY(lines.contains(QStringLiteral("id: com.example.full")));
    QVERIFY(lines.contains(QStringLiteral("  btn: normal, active, selected, disabled")));
    QVERIFY(lines.contains(QStringLiteral("entry: file:///") + dir.path()
                           + QStringLiteral("/Full/index.html (in the bundle)")));
}

QTEST_MAIN(tst_ScriptPluginSpec)

#include "tst_scriptpluginspec.moc"

#include "bundletestutils.h"
#include "securedwriter.h"
#include "testsupport.h"

#include "bundle/scriptbundle.h"
#include "bundle/standardbundle.h"
#include "plugin/scriptpluginspec.h"
#include "plugin/scriptpluginspecreader.h"
#include "properties/csstextforms.h"

#include <QColor>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A bundle whose files live in memory, named relative to its path; counts the reads.
class MemoryBundle : public ScriptBundle
{
public:
    explicit MemoryBundle(const QString &path) : ScriptBundle(path) {}

    bool exists(const QString &name) const override
    {
        return !relativeName(name).isNull() && files.contains(relativeName(name));
    }
    QByteArray read(const QString &name) const override
    {
        ++reads[relativeName(name)];
        return files.value(relativeName(name));
    }

    FileMap files;
    mutable QMap<QString, int> reads;
};

QColor modeColor(const QIcon &icon, QIcon::Mode mode)
{
    return icon.pixmap(QSize(16, 16), mode).toImage().pixelColor(0, 0);
}

struct Reading
{
    std::shared_ptr<MemoryBundle> bundle;
    ScriptPluginSpec spec;
    QStringList lines;      // as the output channel got them
    QStringList problems;   // "key path | line" of each problem the reader keeps
};

Reading readManifest(const QByteArray &manifest, const FileMap &files = {},
                     const QString &theme = QStringLiteral("black"),
                     const QString &bundlePath = QStringLiteral("/mem"))
{
    Reading reading;
    reading.bundle = std::make_shared<MemoryBundle>(bundlePath);
    reading.bundle->files = files;
    if (!manifest.isNull())
        reading.bundle->files.insert(QStringLiteral("plugin.spec"), manifest);
    RecordingChannel channel;
    ScriptPluginSpecReader reader(reading.bundle.get(), theme, QStringLiteral("en_US"), &channel);
    reading.spec = reader.read(QStringLiteral("plugin.spec"));
    reading.lines = channel.lines;
    for (const ScriptPluginSpecReader::Problem &problem : reader.problems())
        reading.problems.append(problem.keyPath + QStringLiteral(" | ") + problem.line + QLatin1Char('\n'));
    return reading;
}

// A manifest of id "x" plus the given members.
Reading readKeys(const QByteArray &keys)
{
    return readManifest("{\"id\": \"x\"" + (keys.isEmpty() ? keys : ", " + keys) + '}');
}

// A reader's line with the key path of its problem: "key | specparser: message, detail".
QString line(const QString &key, const QString &message, const QString &detail)
{
    return key + QStringLiteral(" | specparser: ") + message + QStringLiteral(", ") + detail + QLatin1Char('\n');
}

QStringList enumKeys(const QList<PropertyEnum> &entries)
{
    QStringList keys;
    for (const PropertyEnum &entry : entries)
        keys.append(QString::fromUtf8(entry.key) + QLatin1Char('=') + entry.label);
    return keys;
}

// A value as "type:text".
QString typed(const QVariant &value)
{
    return value.isValid() ? QString(QLatin1String(value.typeName()) + QLatin1Char(':') + value.toString()) : QString();
}

// The record's top-level values as text, by name; "p" is the property "g.p".
QMap<QString, QString> topLevel(const ScriptPluginSpec &spec)
{
    QStringList keys;
    for (const QKeySequence &sequence : spec.hotkeys)
        keys.append(sequence.toString());
    QStringList types;
    for (int type : spec.supportedSymbolTypes)
        types.append(QString::number(type));
    QMap<QString, QString> values{{"version", spec.version.toString()}, {"name", spec.name},
        {"desc", spec.description}, {"flags", QStringLiteral("0x%1").arg(spec.supportFlags, 0, 16)},
        {"redirect", QString::number(spec.supportRedirectToExternalLinks)}, {"openIn", QString::number(spec.openIn)},
        {"entry", spec.entry}, {"hotkeys", keys.join(';')}, {"features", spec.features.join(';')},
        {"types", types.join(';')}};
    if (const PropertySpec *p = spec.findProperty(QStringLiteral("g.p"))) {
        const bool themed = p->black.isValid() || p->white.isValid();
        values.insert("p", QStringLiteral("id=%1,kind=%2,type=%3,flags=0x%4,version=%5,default=%6,theme=%7,enum=%8")
            .arg(p->id).arg(int(p->kind)).arg(QString::fromLatin1(QMetaType::typeName(p->type))).arg(p->flags, 0, 16)
            .arg(p->version).arg(typed(p->defaultValue))
            .arg(themed ? QString(typed(p->black) + QLatin1Char(';') + typed(p->white)) : QString())
            .arg(enumKeys(p->enumEntries).join(QLatin1Char(';'))));
    }
    return values;
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

// A checked-in expected output, "@DATA@" standing for the data folder.
QString golden(const QString &name)
{
    QFile file(testDataPath() + name);
    return file.open(QIODevice::ReadOnly)
        ? QString::fromUtf8(file.readAll()).replace(QLatin1String("@DATA@"), testDataPath()) : QString();
}

QStringList warnings(const LintRun &run)
{
    return run.output.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^warning: ")));
}

} // namespace

class tst_ScriptPluginSpec : public QObject
{
    Q_OBJECT

private slots:
    void logLines_data();
    void logLines();
    void topLevelKeys_data();
    void topLevelKeys();
    void collectionsKeepOnlyObjects();
    void iconModes_data();
    void iconModes();
    void icons();
    void fixtures();
    void lint_data();
    void lint();
    void lintRefusal_data();
    void lintRefusal();
    void lintPageScripts_data();
    void lintPageScripts();
};

// Every plug-in output line of the reader, exactly, with the key each one is about.
void tst_ScriptPluginSpec::logLines_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<FileMap>("files");
    QTest::addColumn<QStringList>("expected");

    const auto row = [](const char *name, const QByteArray &manifest, const FileMap &files,
                        const QStringList &expected) { QTest::newRow(name) << manifest << files << expected; };
    const QByteArray button = R"({"id": "x", "icons": {"i": "img/btn.png"}})";
    const QByteArray big = R"({"id": "x", "icons": {"i": "big.png"}})";
    const int maxSide = ScriptPluginSpecReader::MaxIconSide;
    const QString corrupted = QStringLiteral("image corrupted?");
    const QString manifest = QStringLiteral("failed to load '/mem/plugin.spec'");

    row("missing-file", QByteArray(), {}, {line("", "failed to open '/mem/plugin.spec'", "file not found")});
    row("syntax-error", "{\n  \"id\": \"x\",\n  \"name\" 1\n}", {},
        {line("", "failed to load '/mem/plugin.spec(3:9)'", "Expected ':' after a member name: name")});
    row("byte-order-mark", "\xEF\xBB\xBF{\"id\": \"x\"}", {}, {line("", manifest, "wrong format")});
    row("property-unknown-type", R"({"id": "x", "objects": {"g": {"p": {"type": "float"}}}})", {},
        {line("objects.g.p.type", "failed to read 'type'", "unknown enum value 'float'"),
         line("objects.g.p.type", "failed to read property 'p' type", "unknown type (float)")});
    row("theme-value-of-other-type",
        R"({"id": "x", "objects": {"g": {"p": {"type": "int", "theme": {"black": 1, "white": "2"}}}}})", {},
        {line("objects.g.p.theme", "failed to create property", "'black' or 'white' theme value is missing")});
    row("icon-without-normal", button, {{"img/btn.active.png", png(Qt::red)}},
        {line("icons.i", "failed to load image '/mem/img/btn.png'", "'normal' state is missing")});
    row("icon-corrupted", button, {{"img/btn.png", "not an image"}},
        {line("icons.i", "failed to load image from '/mem/img/btn.png'", corrupted)});
    row("icon-corrupted-theme-file", button, {{"img/btn.png", png(Qt::red)}, {"img/btn.black.png", "junk"}},
        {line("icons.i", "failed to load image from '/mem/img/btn.black.png'", corrupted)});
    row("icon-oversized", big, {{"big.png", png(Qt::red, maxSide + 1, 1)}},
        {line("icons.i", "failed to load image from '/mem/big.png'",
              "image of 2049x1 pixels is larger than the icon limit of 2048x2048 pixels")});
    row("icon-empty-file", big, {{"big.png", ""}},
        {line("icons.i", "failed to load image from '/mem/big.png'", "file is empty or cannot be read")});
    row("icon-file-reported-once-under-first-icon",
        R"({"id": "x", "icons": {"a": "c.png", "b": ["c.png"], "c": ["d.png", "c.png"]}})", {{"c.png", "junk"}},
        {line("icons.a", "failed to load image from '/mem/c.png'", corrupted),
         line("icons.c", "failed to load image '/mem/d.png'", "no file found")});
    row("id-missing", R"({"name": "x", "icons": {"i": "none.png"}})", {},
        {line("id", manifest, "no plug-in id: \"id\" is missing")});
    row("id-not-string", R"({"id": 5})", {}, {line("id", manifest, "no plug-in id: \"id\" is not a string")});
    row("id-empty", R"({"id": ""})", {}, {line("id", manifest, "no plug-in id: \"id\" is empty")});
    row("icon-at-size-limit", big, {{"big.png", png(Qt::red, maxSide, 1)}}, {});
    row("order-follows-keys",
        R"({"id": "x", "version": "vv", "apiVersion": "ww", "openIn": "o", "actions": {"a": 1},
            "propertyPages": {"p": 1}, "commands": {"c": []}, "objects": {"g": true}, "icons": {"i": "none.png"},
            "supportedSymbolTypes": "s"})", {},
        {line("version", "failed to read version property: version='vv'", "wrong format"),
         line("apiVersion", "failed to read version property: apiVersion='ww'", "wrong format"),
         line("openIn", "failed to read 'openIn'", "unknown enum value 'o'"),
         line("actions.a", "failed to read object 'a' from 'actions'", "value is not object"),
         line("propertyPages.p", "failed to read object 'p' from 'propertyPages'", "value is not object"),
         line("commands.c", "failed to read object 'c' from 'commands'", "value is not object"),
         line("objects.g", "failed to read object 'g' from 'objects'", "value is not object"),
         line("icons.i", "failed to load image '/mem/none.png'", "no file found"),
         line("supportedSymbolTypes", "failed to find symbol type s", "wrong symbol type")});
    row("wrong-json-types-are-silent",
        R"({"id": "x", "name": true, "version": 2, "supportUndoStack": "true", "openIn": 1, "hotkeys": 5,
            "actions": [], "objects": "o", "icons": {"i": 3}, "header": {}, "features": {},
            "supportedSymbolTypes": [3]})", {}, {});
}

void tst_ScriptPluginSpec::logLines()
{
    QFETCH(QByteArray, manifest);
    QFETCH(FileMap, files);
    QFETCH(QStringList, expected);

    const Reading reading = readManifest(manifest, files);
    QCOMPARE(reading.problems, expected);
    QStringList lines;
    for (const QString &problem : qAsConst(expected))
        lines.append(problem.section(QStringLiteral(" | "), 1));
    QCOMPARE(reading.lines, lines);
    // A manifest that cannot be read gives an empty record.
    if (expected.value(0).contains(QLatin1String("plugin.spec")))
        QVERIFY(reading.spec.id.isEmpty() && !reading.spec.bundle);
}

// Members of a manifest of id "x": the values read ("name=text" pairs) and the number of lines
// logged.
// Versions are "major<any one character>minor", either part possibly empty; the support bits
// are 0x45c by default; list elements other than strings and unknown symbol types are skipped.
void tst_ScriptPluginSpec::topLevelKeys_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("values");
    QTest::addColumn<int>("lines");

    const auto row = [](const char *name, const QByteArray &keys, const char *values, int lines = 0) {
        QTest::newRow(name) << keys << QString::fromUtf8(values) << lines;
    };
    row("version-minor-ten", R"("version": "1.10")", "version=1.10");
    row("version-dash-separator", R"("version": "1-5")", "version=1.5");
    row("version-two-digits", R"("version": "12")", "version=1.0");
    row("version-one-character", R"("version": "v")", "version=0.0");
    row("version-no-major", R"("version": ".5")", "version=0.5");
    row("version-three-parts", R"("version": "1.2.3")", "version=0.0", 1);
    row("version-empty", R"("version": "")", "version=0.0", 1);
    row("version-trailing-line-feed", R"("version": "1.2\n")", "version=0.0", 1);
    row("version-overflowing-major", R"("version": "99999999999.1")", "version=0.0", 1);
    row("locale-of-wrong-type-falls-back",
        R"("name": "N", "name-en_US": 5, "desc": "D", "desc-en_US": "E", "desc-ru_RU": "R")", "name=N desc=E");
    row("empty-name-is-id", R"("name": "")", "name=x");
    row("support-string-true-ignored", R"("supportTrading": "true")", "flags=0x45c redirect=1");
    row("support-redirect-read-twice", R"("supportRedirectToExternalLinks": false)", "flags=0x5c redirect=0");
    row("open-in-capital", R"("openIn": "Symbol")", "openIn=0", 1);
    row("entry-with-folder", R"("entry": "web/main.html?x=1")", "entry=file:////mem/web/main.html?x=1");
    row("entry-empty", R"("entry": "")", "entry=");
    row("hotkeys-string", R"("hotkeys": "F5")", "hotkeys=F5");
    row("hotkeys-one-element-list", R"("hotkeys": ["F5"])", "hotkeys=F5");
    row("features-string", R"("features": "Alerts")", "features=Alerts");
    row("lists-skip-other-elements",
        R"("hotkeys": ["F5", 5, "Shift+F7"], "features": ["a", {}, "b"], "supportedSymbolTypes":
           ["symbolTypeUndefined", true, "forex", "symbolTypeHistoricalContractDaysBack"])",
        "hotkeys=F5;Shift+F7 features=a;b types=0;28", 1);
    // Property definitions by the manifest's rules.
    const auto property = [&](const char *name, const QByteArray &definition, const char *read, int lines = 0) {
        row(name, "\"objects\": {\"g\": {\"p\": " + definition + "}}", read, lines);
    };
    property("string-default", R"({"type": "string", "default": "abc"})",
             "p=id=p,kind=1,type=QString,flags=0x3,version=1,default=QString:abc,theme=,enum=");
    property("unshared-ignores-version-and-enum", R"({"type": "int", "default": 5, "version": 3, "enum": {"Five": 5}})",
             "p=id=p,kind=1,type=int,flags=0x3,version=1,default=int:5,theme=,enum=");
    property("double-with-int-default", R"({"type": "double", "default": 5})",
             "p=id=p,kind=0,type=double,flags=0x3,version=1,default=,theme=,enum=");
    property("theme-when-default-has-other-type",
             R"({"type": "double", "default": 5, "version": 4, "theme": {"black": 1.5, "white": 2.5}})",
             "p=id=p,kind=2,type=double,flags=0x3,version=4,default=,theme=double:1.5;double:2.5,enum=");
    property("flags-and-default-over-theme",
             R"({"type": "bool", "default": true, "isStyleTemplate": false, "isSecured": true, "isAutoDefault": true,
                 "isSharedDefault": "yes", "theme": {"black": true, "white": false}})",
             "p=id=p,kind=1,type=bool,flags=0x16,version=1,default=bool:true,theme=,enum=");
    property("shared-string-enum", R"({"type": "string", "default": "a", "isSharedDefault": true, "version": 4,
                                       "enum": {"Alpha": "a", "Beta": "b", "Again": "a"}})",
             "p=id=p,kind=1,type=QString,flags=0xb,version=4,default=QString:a,theme=,enum=a=Again;b=Beta");
    property("shared-int-enum-keyed-by-label", R"({"type": "int", "default": 1, "isSharedDefault": true,
                                                   "enum": {"One": 1, "Two": 2, "Bad": "x", "Half": 0.5}})",
             "p=id=p,kind=1,type=int,flags=0xb,version=1,default=int:1,theme=,enum=One=One;Two=Two");
    property("json-without-default", R"({"type": "json"})",
             "p=id=p,kind=1,type=QVariantMap,flags=0x3,version=1,default=,theme=,enum=");
    property("theme-missing-white", R"({"type": "string", "theme": {"black": "b"}})",
             "p=id=p,kind=0,type=QString,flags=0x3,version=1,default=,theme=,enum=", 1);
}

void tst_ScriptPluginSpec::topLevelKeys()
{
    QFETCH(QByteArray, keys);
    QFETCH(QString, values);
    QFETCH(int, lines);

    const Reading reading = readKeys(keys);
    const QMap<QString, QString> read = topLevel(reading.spec);
    for (const QString &pair : values.split(QLatin1Char(' '))) {
        const QString name = pair.section(QLatin1Char('='), 0, 0);
        QVERIFY2(read.contains(name), qPrintable(name));
        QCOMPARE(QString(name + QLatin1Char('=') + read.value(name)), pair);
    }
    QCOMPARE(reading.lines.size(), lines);
    if (values.startsWith(QLatin1String("version=")))
        QCOMPARE(reading.spec.version.segmentCount(), 2);
}

void tst_ScriptPluginSpec::collectionsKeepOnlyObjects()
{
    const Reading reading = readKeys(R"(
        "actions": {"b": {"name": "B"}, "a": 1, "c": {}},
        "header": [{"id": "h1", "type": "Button"}, "text", {"type": "ComboBox"}],
        "propertyPages": {"p": {"bindings": [{"bind": "g.q"}, 3, {"bind": "g.r"}]}},
        "objects": {"g": {"q": {"type": "int", "default": 1}, "bad": {"type": "none"}, "r": 7}})");
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
    QVERIFY(reading.problems.contains(line("objects.g.r.type", "failed to read property 'r' type", "unknown type ()")));
}

// Which file fills which icon mode, by theme and state suffix; an invalid colour: no image.
void tst_ScriptPluginSpec::iconModes_data()
{
    QTest::addColumn<FileMap>("files");
    QTest::addColumn<QString>("theme");
    QTest::addColumn<QList<QColor>>("modes");   // normal, active, selected, disabled

    const FileMap themed{{"img/btn.png", png(Qt::red)}, {"img/btn.active.png", png(Qt::green)},
                         {"img/btn.selected.png", png(Qt::blue)}, {"img/btn.disabled.png", png(Qt::gray)},
                         {"img/btn.normal.png", png(Qt::darkRed)}, {"img/btn.black.png", png(Qt::yellow)},
                         {"img/btn.black.disabled.png", png(Qt::cyan)},
                         {"img/btn.white.active.png", png(Qt::magenta)}};
    QTest::newRow("theme-black-wins") << themed << "black"
                                      << QList<QColor>{Qt::yellow, Qt::green, Qt::blue, Qt::cyan};
    QTest::newRow("other-theme-normal-beats-none") << themed << "white"
                                                   << QList<QColor>{Qt::darkRed, Qt::magenta, Qt::blue, Qt::gray};
    QTest::newRow("themed-only") << FileMap{{"img/btn.black.png", png(Qt::yellow)}, {"img/btn.active.png", png(Qt::green)}}
                                 << "black" << QList<QColor>{Qt::yellow, Qt::green, QColor(), QColor()};
}

void tst_ScriptPluginSpec::iconModes()
{
    QFETCH(FileMap, files);
    QFETCH(QString, theme);
    QFETCH(QList<QColor>, modes);

    const Reading reading = readManifest(R"({"id": "x", "icons": {"btn": "img/btn.png"}})", files, theme);
    QVERIFY(reading.lines.isEmpty());
    const QIcon icon = reading.spec.icon(QStringLiteral("btn"));
    const QIcon::Mode order[] = {QIcon::Normal, QIcon::Active, QIcon::Selected, QIcon::Disabled};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(icon.availableSizes(order[i]).isEmpty(), !modes.at(i).isValid());
        if (modes.at(i).isValid())
            QCOMPARE(modeColor(icon, order[i]), modes.at(i));
    }
}

// One icon gathers the images of its files; each file is read and decoded once however many
// icons name it, and icons of the same files are one shared icon; copies of a record are
// independent; only the file's own name is split at dots.
void tst_ScriptPluginSpec::icons()
{
    QByteArray same;
    for (int i = 0; i < 100; ++i)
        same += "\"same" + QByteArray::number(i) + "\": \"big.png\", ";
    const Reading reading = readManifest(
        "{\"id\": \"x\", \"icons\": {" + same + R"("pair": ["big.png", "small.png"],
            "i": ["small.png", "missing.png", "large.png"], "none": "missing.png"}})",
        {{"big.png", png(Qt::red, 2048, 2048)}, {"small.png", png(Qt::red)}, {"large.png", png(Qt::blue, 32, 32)},
         {"large.active.png", png(Qt::green, 32, 32)}});
    const QString missing = QStringLiteral("failed to load image '/mem/missing.png'");
    QCOMPARE(reading.problems, (QStringList{line("icons.i", missing, "no file found"),
                                            line("icons.none", missing, "no file found")}));
    for (const char *file : {"big.png", "small.png", "large.png"})
        QCOMPARE(reading.bundle->reads.value(QLatin1String(file)), 1);
    const ScriptPluginSpec &spec = reading.spec;
    const qint64 shared = spec.icon(QStringLiteral("same0")).cacheKey();
    QCOMPARE(spec.icon(QStringLiteral("same99")).cacheKey(), shared);
    QVERIFY(spec.icon(QStringLiteral("pair")).cacheKey() != shared);
    QCOMPARE(spec.icon(QStringLiteral("pair")).availableSizes(), (QList<QSize>{QSize(2048, 2048), QSize(16, 16)}));

    const QIcon icon = spec.icon(QStringLiteral("i"));
    QCOMPARE(icon.availableSizes(QIcon::Normal), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    QCOMPARE(icon.availableSizes(QIcon::Active), QList<QSize>{QSize(32, 32)});
    QCOMPARE(icon.pixmap(QSize(32, 32)).toImage().pixelColor(0, 0), QColor(Qt::blue));
    QCOMPARE(icon.pixmap(QSize(16, 16)).toImage().pixelColor(0, 0), QColor(Qt::red));
    QVERIFY(spec.icons.contains(QStringLiteral("none")) && spec.icon(QStringLiteral("none")).isNull());
    QVERIFY(spec.icon(QStringLiteral("other")).isNull());

    ScriptPluginSpec copy = spec;
    QPixmap large(48, 48);
    large.fill(Qt::blue);
    copy.icons[QStringLiteral("pair")].addPixmap(large, QIcon::Normal);
    QCOMPARE(spec.icon(QStringLiteral("pair")).availableSizes().size(), 2);
    QCOMPARE(copy.icon(QStringLiteral("pair")).availableSizes().size(), 3);

    const Reading dotted = readManifest(R"({"id": "x", "icons": {"logo": "img/logo"}})",
                                        {{"img/logo", png(Qt::red)}, {"img/logo.black", png(Qt::blue)}},
                                        QStringLiteral("black"), QStringLiteral("/plugins/com.example"));
    QVERIFY(dotted.lines.isEmpty());
    QCOMPARE(modeColor(dotted.spec.icon(QStringLiteral("logo")), QIcon::Normal), QColor(Qt::blue));
}

// The checked-in manifests read from their folders as the host does: the defaults of what the
// minimal one leaves out, and the values of the full one that the lint summary does not show;
// then `tessel lint` of the full one prints the checked-in summary.
void tst_ScriptPluginSpec::fixtures()
{
    StandardBundle minimal(testDataPath() + QStringLiteral("minimal"));
    RecordingChannel channel;
    ScriptPluginSpec spec = ScriptPluginSpec::read(&minimal, QStringLiteral("plugin.spec"), QStringLiteral("white"),
                                                   QStringLiteral("de_DE"), &channel);
    QCOMPARE(spec.name, QStringLiteral("com.example.minimal"));
    QCOMPARE(spec.supportFlags, 0x45C);
    QCOMPARE(spec.theme, QStringLiteral("white"));
    QCOMPARE(spec.bundle, &minimal);
    QVERIFY(spec.supportRedirectToExternalLinks && spec.supportStyleTemplates);
    QVERIFY(spec.entry.isEmpty() && spec.objects.isEmpty() && spec.icons.isEmpty());

    StandardBundle full(testDataPath() + QStringLiteral("full"));
    spec = ScriptPluginSpec::read(&full, QStringLiteral("plugin.spec"), QStringLiteral("black"),
                                  QStringLiteral("en_US"), &channel);
    QVERIFY2(channel.lines.isEmpty(), qPrintable(channel.lines.join(QString())));
    QCOMPARE(spec.actions.at(1).desc, QStringLiteral("Reload the data"));
    const PropertyPageSpec &page = spec.propertyPages.first();
    QCOMPARE(page.bindings.at(0).undoText, QStringLiteral("Change background"));
    QCOMPARE(page.bindings.at(0).tooltip, QStringLiteral("Window background"));
    QCOMPARE(page.bindings.at(1).options.value(QStringLiteral("fontModify")).toString(), QStringLiteral("family,size"));
    const PropertySpec *color = spec.findProperty(QStringLiteral("appearance.background"));
    QCOMPARE(color->version, 2);
    QCOMPARE(color->black, QVariant::fromValue(colorFromCss(QStringLiteral("#000000"))));
    QCOMPARE(color->white, QVariant::fromValue(colorFromCss(QStringLiteral("#ffffff"))));
    QCOMPARE(spec.findProperty(QStringLiteral("appearance.titleFont"))->font, fontFromCss("bold 12pt \"Arial\""));
    QCOMPARE(spec.findProperty(QStringLiteral("appearance.rows"))->undoText, QStringLiteral("Change rows"));
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

    const LintRun run = runTessel({"lint", testDataPath() + QStringLiteral("full")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.output, golden("full.lint"));
}

// `tessel lint`: exit status, the reader's lines as they come, the summary and the warnings;
// "pack:FOLDER" is the folder packed into "{dir}/Full.wps" first.
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
                       "  refresh: \"Обновить\", icon btn, keys F5, checkable, shared, apply to all",
                       "  general: \"Общие\", icon app", "  zoom: undo \"Масштаб\", bind zoomLevel",
                       "  btn: normal, active, disabled"}
        << QStringList();
    QTest::newRow("secured-strict") << QStringList{"--strict", "pack:" + data + "full"} << 0
        << QStringList{"  btn: normal, active, selected, disabled", "entry: file:///{dir}/Full/index.html (in the bundle)"}
        << QStringList();
    QTest::newRow("minimal-strict")
        << QStringList{"--strict", data + "minimal"} << 1 << QStringList{"id: com.example.minimal", "entry: "}
        << QStringList{"warning: " + data + "minimal/plugin.spec: entry: missing or empty; the plug-in's windows "
                                            "have no page"};
    // The reader's lines come first, then what the host meets later, each with its key.
    QTest::newRow("warnings") << QStringList{data + "warnings"} << 0 << QStringList()
                              << golden("warnings.lint").split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QTest::newRow("broken-syntax") << QStringList{data + "broken-syntax"} << 1
        << QStringList{"specparser: failed to load '" + data
                       + "broken-syntax/plugin.spec(3:11)', Expected ':' after a member name: name"}
        << QStringList();
    QTest::newRow("missing-path") << QStringList{data + "nothing-here"} << 1 << QStringList() << QStringList();
    QTest::newRow("plain-file") << QStringList{data + "minimal/plugin.spec"} << 1 << QStringList() << QStringList();
    QTest::newRow("two-bundles") << QStringList{data + "full", data + "minimal"} << 2 << QStringList() << QStringList();
    QTest::newRow("theme-without-value") << QStringList{data + "full", "--theme"} << 2 << QStringList() << QStringList();
    QTest::newRow("unknown-option") << QStringList{"--fast", data + "full"} << 2 << QStringList() << QStringList();
    QTest::newRow("help") << QStringList{"--help"} << 0
        << QStringList{"usage: tessel lint [--theme NAME] [--locale NAME] [--strict] BUNDLE"} << QStringList();
}

void tst_ScriptPluginSpec::lint()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, outputLines);
    QFETCH(QStringList, warnings);

    QTemporaryDir dir;
    for (QString &arg : args) {
        if (arg.startsWith(QLatin1String("pack:"))) {
            QCOMPARE(runTessel({"pack", arg.mid(5), dir.filePath(QStringLiteral("Full.wps"))}).exitCode, 0);
            arg = dir.filePath(QStringLiteral("Full.wps"));
        }
    }
    outputLines.replaceInStrings(QStringLiteral("{dir}"), dir.path());
    const LintRun run = runTessel(QStringList{"lint"} + args);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.output + run.errors));
    if (exitCode != 0 && outputLines.isEmpty())
        QVERIFY(!run.errors.isEmpty());
    const QStringList lines = run.output.split(QLatin1Char('\n'));
    for (const QString &expected : outputLines)
        QVERIFY2(lines.contains(expected), qPrintable(expected + "\n---\n" + run.output));
    QCOMPARE(::warnings(run), warnings);
}

// Why `tessel lint` refuses a bundle the host skips: its last line names the real reason.
void tst_ScriptPluginSpec::lintRefusal_data()
{
    QTest::addColumn<FileMap>("files");      // written into the test's folder
    QTest::addColumn<QString>("bundle");     // relative to that folder
    QTest::addColumn<QString>("reason");

    const QByteArray index = "<html></html>";
    const auto row = [](const char *name, const FileMap &files, const QString &reason, bool skipped = true) {
        QTest::newRow(name) << files << files.firstKey().section(QLatin1Char('/'), 0, 0)
                            << reason + (skipped ? QStringLiteral("; the host skips this bundle") : QString());
    };
    const QString signature = QStringLiteral("the file cannot be decoded: not a secured file (wrong signature)");
    row("undecodable-secured-file", {{"junk.wps", QByteArray(300, 'j')}}, signature);
    row("plain-zip-as-secured-file", {{"zip.wps", makeZip({{"plugin.spec", "{id: \"x\"}"}})}}, signature);
    row("secured-file-without-manifest", {{"page.wps", encodeSecured(makeZip({{"index.html", index}}), {})}},
        "the bundle has no plugin.spec");
    row("secured-file-not-a-zip", {{"text.wps", encodeSecured("not a zip", {})}}, "the decoded archive is refused: ",
        false);
    row("folder-without-manifest", {{"f/index.html", index}}, "the bundle has no plugin.spec");
    row("empty-manifest", {{"f/plugin.spec", ""}}, "the manifest is empty or cannot be read");
    row("manifest-not-object", {{"f/plugin.spec", "[1]"}}, "the manifest is not a JSON object");
    row("manifest-syntax", {{"f/plugin.spec", "{id: \"x\" name: 1}"}},
        "the manifest is not valid: Expected '}' to close an object (line 1, column 9)");
    row("id-missing", {{"f/plugin.spec", "{name: \"x\"}"}}, "the manifest gives no plug-in id: \"id\" is missing");
    row("id-number", {{"f/plugin.spec", "{id: 12}"}}, "the manifest gives no plug-in id: \"id\" is not a string");
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
    QVERIFY2(last.startsWith(QStringLiteral("tessel: %1: %2").arg(path, reason)), qPrintable(run.output + run.errors));
}

// `tessel lint --strict` of a bundle whose pages load the page-side library: jQuery must come
// first. One warning per page that lacks it; the exit status follows the warnings.
void tst_ScriptPluginSpec::lintPageScripts_data()
{
    QTest::addColumn<FileMap>("pages");      // beside the manifest, whose entry is index.html
    QTest::addColumn<bool>("secured");       // packed into a .wps file first
    QTest::addColumn<QStringList>("warnings");

    const auto index = [](const QByteArray &head) {
        return FileMap{{"index.html", "<html><head>" + head + "</head></html>"}};
    };
    const QByteArray library = "<script src=\"qrc:///tessel/tessel.js\"></script>";
    const QByteArray jquery = "<script src=\"js/jquery.min.js\"></script>";
    const QString missing = QStringLiteral("warning: @/%1: loads qrc:///tessel/tessel.js without a jQuery script "
                                           "before it; the library's requests need jQuery");
    const QStringList warned{missing.arg("index.html")};

    const auto row = [&](const char *name, const QByteArray &head, bool warns) {
        QTest::newRow(name) << index(head) << false << (warns ? warned : QStringList());
    };
    row("jquery-first", jquery + library, false);
    row("no-library", "<script src=\"app.js\"></script>", false);
    row("no-jquery", library, true);
    row("jquery-after", library + jquery, true);
    row("jquery-in-comment", "<!-- " + jquery + " -->" + library, true);
    row("jquery-inline-script-only", "<script>var jquery = 1;</script>" + library, true);
    row("jquery-in-data-attribute", "<script data-src=\"jquery.js\" src=\"app.js\"></script>" + library, true);
    row("jquery-folder-not-file", "<script src=\"jquery/app.js\"></script>" + library, true);
    row("versioned-unquoted-upper-case", "<SCRIPT SRC=lib/jQuery-3.6.0.min.js></SCRIPT>"
        "<script type='text/javascript' src='qrc:/tessel/tessel.js'></script>", false);
    row("jquery-from-web", "<script src=\"https://cdn.example/jquery.min.js?v=3\"></script>" + library, false);
    FileMap pages = index(jquery + library);
    pages.insert("pages/b.htm", index(library).first());
    pages.insert("pages/a.html", index(library).first());
    pages.insert("notes.txt", library);
    QTest::newRow("other-pages-sorted") << pages << false
                                        << QStringList{missing.arg("pages/a.html"), missing.arg("pages/b.htm")};
    pages = index(library);
    pages.insert("sub/ok.html", index(jquery + library).first());
    QTest::newRow("secured-bundle") << pages << true << warned;
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
    QCOMPARE(::warnings(run), warnings.replaceInStrings(QStringLiteral("@"), bundle));
}

QTEST_MAIN(tst_ScriptPluginSpec)

#include "tst_scriptpluginspec.moc"

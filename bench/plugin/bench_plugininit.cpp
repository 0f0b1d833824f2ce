// ScriptPlugin::init over plug-in folders of 50, 200 and 800 bundles (three quarters folders,
// one quarter secured files of about 200 kB) against the essential work alone: reading every
// file once and decoding every secured payload once. Then init over one bundle whose manifest
// declares 5,000 or 20,000 actions and as many features, against reading that manifest into
// its record (what `tessel lint` does). Prints both and the ratio per size: a start-up linear
// in the manifest keeps the large-manifest ratio the same at both sizes.
#include "securedwriter.h"

#include <bundle/securedfile.h>
#include <bundle/standardbundle.h>
#include <plugin/scriptplugin.h>
#include <plugin/scriptpluginspec.h>

#include <application.h>
#include <defaultservices.h>
#include <idoctemplateservice.h>
#include <iformulaoutputservice.h>
#include <ihotkeyservice.h>
#include <servicelocator.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

const QByteArray png = QByteArray::fromBase64(
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==");

QByteArray manifest(int n)
{
    const QByteArray id = "bench" + QByteArray::number(n);
    return "{\n"
           "  // a realistic manifest\n"
           "  id: \"" + id + "\", name: \"Bench " + QByteArray::number(n) + "\", version: \"1." + QByteArray::number(n % 7) + "\",\n"
           "  desc: \"A plug-in of the benchmark\", icon: \"main\", openInIcon: \"open\", entry: \"index.html\",\n"
           "  supportSymbolLinking: true, openIn: \"symbol\", hotkeys: \"Ctrl+Shift+" + QByteArray(1, char('A' + n % 26)) + "\",\n"
           "  features: [\"alerts\", \"trading\"],\n"
           "  icons: { main: [\"main.png\", \"main_black.png\"], open: \"open.png\" },\n"
           "  actions: { refresh: { name: \"Refresh\", hotkeys: \"F5\", icon: \"main\" },\n"
           "             detach: { name: \"Detach\", isCheckable: true }, reset: { name: \"Reset\" } },\n"
           "  commands: { setSymbol: { undoText: \"Change symbol\" } },\n"
           "  objects: { view: { columns: { type: \"int\", default: 5 }, title: { type: \"string\", default: \"Quotes\" },\n"
           "                     grid: { type: \"color\", theme: { black: \"#202020\", white: \"#e0e0e0\" } } } },\n"
           "  propertyPages: { general: { name: \"General\", bindings: [ { name: \"Columns\", bind: \"view.columns\", type: \"spin\" } ] } },\n"
           "  header: [ { id: \"symbol\", type: \"symbolEdit\" }, { id: \"go\", type: \"button\", text: \"Go\" } ]\n"
           "}\n";
}

QByteArray page(int size)
{
    QByteArray text;
    for (int line = 0; text.size() < size; ++line)
        text += "function row" + QByteArray::number(line) + "(q) { return q.bid * " + QByteArray::number(line % 97) + " + q.ask; }\n";
    return text;
}

QByteArray noise(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

QMap<QString, QByteArray> files(int n)
{
    return {{QStringLiteral("plugin.spec"), manifest(n)}, {QStringLiteral("index.html"), page(4000)},
            {QStringLiteral("main.png"), png}, {QStringLiteral("main_black.png"), png},
            {QStringLiteral("open.png"), png}};
}

QByteArray zip(const QMap<QString, QByteArray> &entries)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip archive(&buffer);
    archive.open(QuaZip::mdCreate);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        QuaZipFile file(&archive);
        file.open(QIODevice::WriteOnly, QuaZipNewInfo(it.key()));
        file.write(it.value());
        file.close();
    }
    archive.close();
    return bytes;
}

// A data folder whose "WebPlugins" holds count bundles.
class DataFolder
{
public:
    explicit DataFolder(int count)
    {
        const QString plugins = path() + QStringLiteral("WebPlugins/");
        for (int n = 0; n < count; ++n) {
            QMap<QString, QByteArray> content = files(n);
            if (n % 4 == 3) {
                content.insert(QStringLiteral("app.js"), page(250000));
                content.insert(QStringLiteral("chart.bin"), noise(150000, quint32(n)));
                QFile out(plugins + QStringLiteral("b%1.wps").arg(n));
                QDir().mkpath(plugins);
                out.open(QIODevice::WriteOnly);
                out.write(encodeSecured(zip(content), QByteArray()));
                continue;
            }
            for (auto it = content.cbegin(); it != content.cend(); ++it) {
                QDir().mkpath(plugins + QStringLiteral("b%1").arg(n));
                QFile out(plugins + QStringLiteral("b%1/").arg(n) + it.key());
                out.open(QIODevice::WriteOnly);
                out.write(it.value());
            }
        }
    }
    QString path() const { return m_dir.path() + QLatin1Char('/'); }

private:
    QTemporaryDir m_dir;
};

// A manifest with count actions (every third with a key sequence of its own, such as
// "Ctrl+Alt+B, A, C") and count features.
QByteArray largeManifest(int count)
{
    QByteArray actions;
    QByteArray features;
    for (int n = 0; n < count; ++n) {
        const QByteArray number = QByteArray::number(n);
        if (n > 0) {
            actions += ",\n";
            features += ", ";
        }
        actions += "  a" + number + ": { name: \"Action " + number + "\"";
        if (n % 3 == 0) {
            const int key = n / 3;
            actions += ", hotkeys: \"Ctrl+Alt+" + QByteArray(1, char('A' + key % 26)) + ", "
                + QByteArray(1, char('A' + key / 26 % 26)) + ", "
                + QByteArray(1, char('A' + key / 676 % 26)) + "\"";
        }
        actions += " }";
        features += "\"feature" + number + "\"";
    }
    return "{ id: \"large\", name: \"Large\", version: \"1.0\", entry: \"index.html\",\n"
           "  actions: {\n" + actions + "\n  },\n  features: [" + features + "]\n}\n";
}

// A data folder whose "WebPlugins" holds the one bundle of a large manifest.
class LargeManifestFolder
{
public:
    explicit LargeManifestFolder(int count)
    {
        QDir().mkpath(bundle());
        QFile spec(bundle() + QStringLiteral("/plugin.spec"));
        spec.open(QIODevice::WriteOnly);
        spec.write(largeManifest(count));
        QFile index(bundle() + QStringLiteral("/index.html"));
        index.open(QIODevice::WriteOnly);
        index.write(page(4000));
    }
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString bundle() const { return path() + QStringLiteral("WebPlugins/large"); }

private:
    QTemporaryDir m_dir;
};

LargeManifestFolder &largeManifestFolder(int count)
{
    static std::map<int, std::unique_ptr<LargeManifestFolder>> folders;
    auto &folder = folders[count];
    if (!folder)
        folder.reset(new LargeManifestFolder(count));
    return *folder;
}

DataFolder &dataFolder(int count)
{
    static std::map<int, std::unique_ptr<DataFolder>> folders;
    auto &folder = folders[count];
    if (!folder)
        folder.reset(new DataFolder(count));
    return *folder;
}

void BM_EssentialWork(benchmark::State &state)
{
    const QString plugins = dataFolder(int(state.range(0))).path() + QStringLiteral("WebPlugins");
    for (auto _ : state) {
        QDirIterator it(plugins, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            file.open(QIODevice::ReadOnly);
            const QByteArray bytes = file.readAll();
            if (file.fileName().endsWith(QLatin1String(".wps")))
                benchmark::DoNotOptimize(decodeSecured(bytes, QByteArray()));
            else
                benchmark::DoNotOptimize(bytes);
        }
    }
}

// Replaces a service by a new default implementation, as a freshly started host has.
template <class Interface>
void renew(HostApi::ServiceLocator *locator)
{
    delete dynamic_cast<QObject *>(locator->service<Interface>());
    locator->unregisterService<Interface>();
}

// Each run starts as the host does, with no templates, hot keys or output yet.
void freshServices()
{
    HostApi::ServiceLocator *locator = HostApi::ServiceLocator::instance();
    renew<HostApi::IDocTemplateService>(locator);
    renew<HostApi::IHotKeyService>(locator);
    renew<HostApi::IFormulaOutputService>(locator);
    HostApi::installDefaultServices(locator);
}

void BM_PluginInit(benchmark::State &state)
{
    const QString data = dataFolder(int(state.range(0))).path();
    Application::instance()->setAppDataPath(data);
    for (auto _ : state) {
        state.PauseTiming();
        freshServices();
        state.ResumeTiming();
        ScriptPlugin plugin;
        plugin.setSearchFolders(QString(), data + QStringLiteral("WebPlugins"));
        plugin.init();
        benchmark::DoNotOptimize(plugin.catalogue().size());
    }
}

void BM_ManifestRead(benchmark::State &state)
{
    const QString bundlePath = largeManifestFolder(int(state.range(0))).bundle();
    for (auto _ : state) {
        StandardBundle bundle(bundlePath);
        const ScriptPluginSpec spec = ScriptPluginSpec::read(
            &bundle, QStringLiteral("plugin.spec"), QStringLiteral("black"),
            QStringLiteral("en_US"), nullptr);
        benchmark::DoNotOptimize(spec.actions.size());
    }
}

void BM_LargeManifestInit(benchmark::State &state)
{
    const QString data = largeManifestFolder(int(state.range(0))).path();
    Application::instance()->setAppDataPath(data);
    for (auto _ : state) {
        state.PauseTiming();
        freshServices();
        state.ResumeTiming();
        ScriptPlugin plugin;
        plugin.setSearchFolders(QString(), data + QStringLiteral("WebPlugins"));
        plugin.init();
        benchmark::DoNotOptimize(plugin.catalogue().size());
    }
}

BENCHMARK(BM_EssentialWork)->Arg(50)->Arg(200)->Arg(800)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PluginInit)->Arg(50)->Arg(200)->Arg(800)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManifestRead)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeManifestInit)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(RatioReporter::CpuTime);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char *count : {"50", "200", "800"}) {
        const double essential = reporter.time(std::string("BM_EssentialWork/") + count);
        const double init = reporter.time(std::string("BM_PluginInit/") + count);
        std::printf("%4s bundles: essential work %8.1f ms, init %8.1f ms (CPU), ratio %.2fx\n", count,
                    essential, init, essential > 0 ? init / essential : 0.0);
    }
    for (const char *count : {"5000", "20000"}) {
        const double read = reporter.time(std::string("BM_ManifestRead/") + count);
        const double init = reporter.time(std::string("BM_LargeManifestInit/") + count);
        std::printf("%5s actions and features: manifest read %8.1f ms, init %8.1f ms (CPU), "
                    "ratio %.2fx\n", count, read, init, read > 0 ? init / read : 0.0);
    }
    return 0;
}

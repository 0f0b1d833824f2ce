// Opening a script document, from initDocument to the page's loadFinished, against a bare
// QWebView loading the same page from disk; closing is timed for neither. Then the memory each
// open document adds (VmRSS over 10 documents, against 10 bare views, measured first on a
// fresh heap). The ratio (target 1.3x) is of the medians of alternating runs, so that a
// machine whose speed drifts during the run slows both alike.
#include <document/scriptdocument.h>
#include <plugin/pluginkey.h>
#include <plugin/scriptplugin.h>

#include <application.h>
#include <document.h>
#include <themestyle.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int LoadTimeoutMs = 30000;
constexpr int MemoryDocuments = 10;
constexpr int AlternatingRuns = 400;
const char PluginId[] = "benchpage";

// A small page as plug-ins write them: a style sheet, a script that uses the bridge when it
// is there, and a table of quotes.
const std::map<QString, QByteArray> &pageFiles()
{
    static const std::map<QString, QByteArray> files = {
        {QStringLiteral("plugin.spec"),
         "{ id: \"benchpage\", name: \"Bench page\", version: \"1.0\", entry: \"index.html\","
         " actions: { reload: { name: \"Reload\" } } }"},
        {QStringLiteral("index.html"),
         "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Quotes</title>\n"
         "<link rel=\"stylesheet\" href=\"style.css\"><script src=\"app.js\"></script></head>\n"
         "<body><h1 id=\"title\">Quotes</h1><table id=\"quotes\"></table></body></html>\n"},
        {QStringLiteral("style.css"),
         "body { font: 12px sans-serif; background: #1b1e23; color: #ddd; }\n"
         "td { padding: 2px 6px; } tr:nth-child(odd) { background: #23272e; }\n"},
        {QStringLiteral("app.js"),
         "document.addEventListener('DOMContentLoaded', function () {\n"
         "  var bridge = window._quorvex_bridge;\n"
         "  if (bridge) { bridge.windowTitle = 'Quotes ' + bridge.apiVersion; bridge.readyStatus = 'ready'; }\n"
         "  var rows = '';\n"
         "  for (var i = 0; i < 50; ++i)\n"
         "    rows += '<tr><td>SYM' + i + '</td><td>' + (100 + i * 0.25).toFixed(2) + '</td></tr>';\n"
         "  document.getElementById('quotes').innerHTML = rows;\n"
         "});\n"},
    };
    return files;
}

// The plug-in folder with the page, and the plug-in loaded from it.
class Fixture
{
public:
    Fixture()
    {
        const QString bundle = folder() + QStringLiteral("/WebPlugins/") + QLatin1String(PluginId);
        QDir().mkpath(bundle);
        for (const auto &file : pageFiles()) {
            QFile out(bundle + QLatin1Char('/') + file.first);
            out.open(QIODevice::WriteOnly);
            out.write(file.second);
        }
        Application::instance()->setAppDataPath(folder());
        m_plugin.setSearchFolders(folder(), folder() + QStringLiteral("/WebPlugins"));
        m_plugin.init();
        m_page = QUrl::fromLocalFile(bundle + QStringLiteral("/index.html"));
    }

    QString folder() const { return m_dir.path(); }
    QUrl pageUrl() const { return m_page; }

    // A host document with its script document; the page is loading.
    std::unique_ptr<Document> openDocument()
    {
        std::unique_ptr<Document> doc(new Document(pluginKey(QLatin1String(PluginId))));
        m_plugin.initDocument(doc.get());
        return doc;
    }

private:
    QTemporaryDir m_dir;
    ScriptPlugin m_plugin;
    QUrl m_page;
};

Fixture &fixture()
{
    static Fixture instance;
    return instance;
}

// Runs the event loop until view finished loading.
bool waitForLoad(QWebView *view)
{
    QEventLoop loop;
    bool finished = false;
    QObject::connect(view, &QWebView::loadFinished, &loop, [&](bool ok) {
        finished = ok;
        loop.quit();
    });
    QTimer::singleShot(LoadTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return finished;
}

QWebView *viewOf(Document *doc)
{
    auto *script = doc->findChild<ScriptDocument *>();
    return script ? script->view() : nullptr;
}

void BM_BareView(benchmark::State &state)
{
    const QUrl url = fixture().pageUrl();
    for (auto _ : state) {
        std::unique_ptr<QWebView> view(new QWebView);
        view->load(url);
        if (!waitForLoad(view.get()))
            state.SkipWithError("the page did not load");
        // Closing is not timed, as for the document.
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}

void BM_ScriptDocument(benchmark::State &state)
{
    for (auto _ : state) {
        std::unique_ptr<Document> doc = fixture().openDocument();
        QWebView *view = viewOf(doc.get());
        if (!view || !waitForLoad(view))
            state.SkipWithError("the document did not load");
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_BareView)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ScriptDocument)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Resident memory of the process in kB (VmRSS), 0 when unknown.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// The memory that each of MemoryDocuments bare views, then each of MemoryDocuments open
// documents, adds, after one of each was opened to load the engine's shared parts. Everything
// stays open until both are measured, so neither reuses memory the other freed.
std::pair<double, double> memoryPerViewAndDocument()
{
    QWebView warmView;
    warmView.load(fixture().pageUrl());
    waitForLoad(&warmView);
    std::unique_ptr<Document> warmDocument = fixture().openDocument();
    waitForLoad(viewOf(warmDocument.get()));
    settle();

    long before = residentKb();
    std::vector<std::unique_ptr<QWebView>> views;
    for (int i = 0; i < MemoryDocuments; ++i) {
        views.emplace_back(new QWebView);
        views.back()->load(fixture().pageUrl());
        waitForLoad(views.back().get());
    }
    settle();
    const double perView = double(residentKb() - before) / MemoryDocuments;

    before = residentKb();
    std::vector<std::unique_ptr<Document>> docs;
    for (int i = 0; i < MemoryDocuments; ++i) {
        docs.push_back(fixture().openDocument());
        waitForLoad(viewOf(docs.back().get()));
    }
    settle();
    const double perDocument = double(residentKb() - before) / MemoryDocuments;
    return {perView, perDocument};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The median times in ms of opening a bare view and a document, one after the other.
std::pair<double, double> alternatingMedians()
{
    std::vector<double> bare;
    std::vector<double> document;
    QElapsedTimer timer;
    for (int i = 0; i < AlternatingRuns; ++i) {
        timer.start();
        std::unique_ptr<QWebView> view(new QWebView);
        view->load(fixture().pageUrl());
        if (waitForLoad(view.get()))
            bare.push_back(timer.nsecsElapsed() / 1e6);
        view.reset();

        timer.start();
        std::unique_ptr<Document> doc = fixture().openDocument();
        if (waitForLoad(viewOf(doc.get())))
            document.push_back(timer.nsecsElapsed() / 1e6);
    }
    return {median(bare), median(document)};
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The host's application style, as tessel-host sets it.
    QApplication::setStyle(new ThemeStyle);
    benchmark::Initialize(&argc, argv);
    fixture();
    const std::pair<double, double> memory = memoryPerViewAndDocument();
    benchmark::RunSpecifiedBenchmarks();

    const std::pair<double, double> open = alternatingMedians();
    std::printf("open to loadFinished, median of %d alternating runs: bare view %.2f ms,"
                " script document %.2f ms, ratio %.2fx (target <= 1.30x)\n",
                AlternatingRuns, open.first, open.second,
                open.first > 0 ? open.second / open.first : 0.0);
    std::printf("memory per open document (%d documents): %.0f kB; per bare view: %.0f kB\n",
                MemoryDocuments, memory.second, memory.first);
    return 0;
}

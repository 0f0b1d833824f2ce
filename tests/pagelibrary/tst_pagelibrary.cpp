// The page library (qrc:///tessel/tessel.js) on real documents: every check runs a piece of
// page script, and a script that throws reports the error's name and message as its result,
// so a failing row names the check and what went wrong. The datafeed's native request slot is
// replaced in the page by a recorder (window.sent, answering window.accept); answer() emits the
// native response signal from the page.
#include "documentfixture.h"

#include <document/scriptdocument.h>
#include <plugin/scriptplugin.h>
#include <plugin/themepack.h>
#include <scriptdatafeed/scriptdatafeed.h>

#include <appearancemanager.h>
#include <application.h>
#include <hotkeyaction.h>

#include <QFile>
#include <QImage>
#include <QResource>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>

namespace {

const char MainId[] = "zebpage";
const char TwiceId[] = "zebtwice";
const char NoJQueryId[] = "zebnojq";
const char BadTypeId[] = "zebbadtype";

const QByteArray mainManifest = manifest(QLatin1String(MainId),
    "actions: { zoom: { name: \"Zoom\", isCheckable: true } },"
    "commands: { paint: { undoText: \"Paint\" } },"
    "objects: { look: { size: { type: \"int\", default: 3, undoText: \"Size\" } } },"
    "header: [ { id: \"combo\", type: \"ComboBox\", options: [\"a\", \"b\"] },"
    "  { id: \"sym\", type: \"SymbolEdit\" },"
    "  { id: \"ins\", type: \"InsertSymbolButton\", button: { id: \"insb\", name: \"Add\" },"
    "    dialog: { title: \"Add\" } },"
    "  { id: \"btn\", type: \"Button\", name: \"Go\" },"
    "  { id: \"tgl\", type: \"ToggleButton\", name: \"T\" },"
    "  { id: \"menu\", type: \"MenuButton\", name: \"M\", actions: [\"zoom\"] } ],"
    "supportSymbolLinking: true, supportSymbolDrop: true, supportForwardBack: true,");

const QByteArray library = "<script src=\"qrc:///tessel/tessel.js\"></script>\n";
const QByteArray jquery = "<script src=\"jquery.min.js\"></script>\n";
const QByteArray recorder =
    "<script>\n"
    "window.log = []; window.sent = []; window.accept = true;\n"
    "Zeb.datafeed._h = { request: function (m) { sent.push(JSON.stringify(m)); return accept; } };\n"
    "Zeb.symbolLinking.bind('activated', function (s) { Zeb.output.warn('linked ' + s); });\n"
    "function answer(rid, results) { sent = []; results.forEach(function (r) { _quorvex_bridge.datafeed.response("
    "{request: {rid: rid}, result: r, data: {formatterId: 'ACME.QB'}}); }); return 'answered'; }\n"
    "</script>\n";
// A bridge whose header holds a control of a type the library does not know.
const QByteArray fakeBridge =
    "<script>\n"
    "var real = _quorvex_bridge;\n"
    "window._quorvex_bridge = { header: { controls: [ { type: 'Slider', objectName: 's' } ] },\n"
    "  outScriptErr: function (e) { real.outScriptErr(e); } };\n"
    "</script>\n";

QByteArray libraryPage(const QByteArray &head)
{
    return "<!DOCTYPE html>\n<html><head>\n" + head + "</head><body></body></html>\n";
}

// A bundle of manifestText and a page with head, beside Debian's jQuery.
FileMap bundle(const QByteArray &manifestText, const QByteArray &head)
{
    QFile jq(QLatin1String(JQUERY_PATH));
    jq.open(QIODevice::ReadOnly);
    return {{QStringLiteral("plugin.spec"), manifestText},
            {QStringLiteral("index.html"), libraryPage(head)},
            {QStringLiteral("jquery.min.js"), jq.readAll()}};
}

// Code run on a fresh wrapper o.
QString onButton(const char *code)
{
    return QStringLiteral("var o = new Zeb.Button(); ") + QLatin1String(code);
}

// A request started by start (on Zeb.datafeed), with its callbacks written to log, then
// answered by answers (the arguments of answer()).
QString tracked(const char *start, const char *answers)
{
    return QLatin1String("Zeb.datafeed.") + QLatin1String(start)
        + QLatin1String(".done(function (a) { log.push('done:' + a.result); })"
                        ".progress(function (a) { log.push('progress:' + a.result); })"
                        ".fail(function (a) { log.push('fail:' + a.result); }); return answer(")
        + QLatin1String(answers) + QLatin1String(");");
}

// Code that makes the call on Zeb.datafeed and gives what the page sent.
QString sends(const char *call)
{
    return QStringLiteral("Zeb.datafeed.%1; return sent;").arg(QLatin1String(call));
}

// Code that makes the call on Zeb.datafeed with every request refused.
QString refused(const char *call)
{
    return QStringLiteral("accept = false; Zeb.datafeed.%1;").arg(QLatin1String(call));
}

// What a request's log shows after it stopped itself.
QString stopped(const char *log)
{
    return QLatin1String(log) + QLatin1String(R"(|{"type":"stop","rid":1})");
}

} // namespace

class tst_PageLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void script_data();
    void script();
    void loading_data();
    void loading();
    void reloadsDisconnect();
    void resources_data();
    void resources();
    void themeSwitch();

private:
    // Runs code (a function body) in the page; its return value as text, or "threw ...".
    QString run(const OpenDocument &open, const QString &code) const;
    QString run(const QString &code) const { return run(m_open, code); }

    PluginFixture m_fixture;
    OpenDocument m_open;
};

void tst_PageLibrary::initTestCase()
{
    QVERIFY(QFile::exists(QLatin1String(JQUERY_PATH)));
    const std::pair<const char *, QByteArray> pages[] = {
        {TwiceId, jquery + library + library}, {NoJQueryId, library}, {BadTypeId, fakeBridge + library}};
    m_fixture.addBundle(QLatin1String(MainId), bundle(mainManifest, jquery + library + recorder));
    for (const auto &[id, head] : pages)
        m_fixture.addBundle(QLatin1String(id), bundle(manifest(QLatin1String(id)), head));
    m_fixture.start();
    // The library's own lines are checked; page console forwarding has its own test.
    PluginFixture::setDeveloperFeature(false);
}

void tst_PageLibrary::init()
{
    m_open = m_fixture.open(QLatin1String(MainId));
    QVERIFY(m_open.script);
    QCOMPARE(run(QStringLiteral("return typeof Zeb.datafeed;")), QStringLiteral("object"));
    PluginFixture::takeOutput();
}

void tst_PageLibrary::cleanup()
{
    m_open = OpenDocument();
}

QString tst_PageLibrary::run(const OpenDocument &open, const QString &code) const
{
    const QString wrapped = QStringLiteral(
        "(function () { try { return String((function () { %1 })()); }"
        " catch (e) { return 'threw ' + e.name + ': ' + e.message; } })()").arg(code);
    return open.eval(wrapped).toString();
}

void tst_PageLibrary::script_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");

    QTest::newRow("bind with context")
        << onButton("o.bind('e', function (x) { log.push(this.n + x); }, {n: 'c'}); o.trigger('e', 1); return log;") << "c1";
    QTest::newRow("bind without context runs on the object")
        << onButton("o.bind('e', function () { log.push(this === o); }); o.trigger('e'); return log;") << "true";
    QTest::newRow("unbind callback drops its first binding only")
        << onButton("var f = function () { log.push('f'); }; o.bind('e', f).bind('e', f);"
               " o.unbind('e', f).trigger('e'); return log;") << "f";
    QTest::newRow("unbind event keeps other events")
        << onButton("o.bind('e', function () { log.push('e'); }).bind('x', function () { log.push('x'); });"
               " o.unbind('e').trigger('e').trigger('x'); return log;") << "x";
    QTest::newRow("unbind without event drops everything")
        << onButton("o.bind('e', function () { log.push('e'); }).bind('all', function () { log.push('a'); });"
               " o.unbind().trigger('e'); return log.length;") << "0";
    QTest::newRow("removing a later callback during trigger") << onButton("var b = function () { log.push('b'); };"
               " o.bind('e', function () { log.push('a'); o.unbind('e', b); }).bind('e', b)"
               ".bind('e', function () { log.push('c'); }); o.trigger('e'); o.trigger('e'); return log.join(' ');") << "a c a c";
    QTest::newRow("removing itself during trigger skips nothing")
        << onButton("var a = function () { log.push('a'); o.unbind('e', a); };"
               " o.bind('e', a).bind('e', function () { log.push('b'); });"
               " o.trigger('e'); o.trigger('e'); return log.join(' ');") << "a b b";
    QTest::newRow("bound during trigger waits for the next")
        << onButton("o.bind('e', function () { log.push('a'); o.bind('e', function () { log.push('d'); }); });"
               " o.trigger('e'); o.trigger('e'); return log.join(' ');") << "a a d";
    QTest::newRow("all runs after the event with its name first")
        << onButton("o.bind('all', function (n, x) { log.push('all:' + n + x); })"
               ".bind('e', function (x) { log.push('e' + x); }); o.trigger('e', 1); return log.join(' ');") << "e1 all:e1";
    QTest::newRow("header classes") << "var c = ['ComboBox', 'SymbolEdit', 'InsertSymbolButton', 'Button', 'ToggleButton',"
           " 'MenuButton']; return ['combo', 'sym', 'ins', 'btn', 'tgl', 'menu'].map(function (id) { return c.filter("
           "function (k) { return Zeb.header[id] instanceof Zeb[k]; }).join('+'); });"
        << "ComboBox,SymbolEdit,InsertSymbolButton,Button,ToggleButton,MenuButton";
    // Native signals reach bound callbacks without the wrapper, except the context menu's.
    QTest::newRow("symbol linking without wrapper") << "Zeb.symbolLinking.bind('activated', function (s) { log.push(s); });"
           " _quorvex_bridge.symbolLinkingChanged('ACME.QB'); return log;" << "ACME.QB";
    QTest::newRow("window active without wrapper") << "Zeb.bridge.bind('windowActive', function (a) { log.push(a); });"
           " _quorvex_bridge.onWindowActiveChanged(true); return log;" << "true";
    QTest::newRow("symbol drop without wrapper") << "Zeb.bridge.bind('symbolDrop', function (s) { log.push(s.join('+')); });"
           " _quorvex_bridge.symbolDrop(['ACME.QB', 'B']); return log;" << "ACME.QB+B";
    QTest::newRow("context menu with wrapper") << "Zeb.bridge.bind('initContextMenu', function (w, c) {"
           " log.push(w === Zeb.bridge, typeof c); }); _quorvex_bridge.initContextMenu(_quorvex_bridge); return log;"
        << "true,object";
    QTest::newRow("menu button actions from native action")
        << "Zeb.header.menu.actions(['zoom', '-']); return Zeb.header.menu._h.action;" << "zoom,-";
    QTest::newRow("action activate fires activated with wrapper and checked")
        << "var z = Zeb.actions.zoom; z.bind('activated', function (w, on) {"
           " log.push(w === z, on); }); z.activate(); return log;" << "true,true";
    QTest::newRow("action enabled and checked") << "var z = Zeb.actions.zoom; z.enabled(false); z.checked(true);"
           " return [z.enabled(), z._h.checked];" << "false,true";
    QTest::newRow("command activate runs redo")
        << "var p = Zeb.commands.paint; p.bind('redo', function (w, v) { log.push(w === p, v); });"
           " p.activate(5); return log;" << "true,5";
    QTest::newRow("property object lists its properties")
        << "return Zeb.look.properties() + ':' + Zeb.look.size.id();" << "size:size";
    QTest::newRow("property set with undo") << "Zeb.look.size.setValue(8, true); return Zeb.look.size.value();" << "8";
    QTest::newRow("property wrapper has no setValueWithUndo") << "return typeof Zeb.look.size.setValueWithUndo;" << "undefined";
    // A native change passes the wrapper; reset() fires the event without arguments.
    QTest::newRow("property change and reset fire changed")
        << "var s = Zeb.look.size; s.bind('changed', function (w) { log.push(w === s); });"
           " s.setValue(9); Zeb.look.reset(); return log;" << "true,false";
    QTest::newRow("bridge error status") << "Zeb.bridge.showErrorStatus('bad');"
           " return Zeb.bridge.readyStatus() + ':' + Zeb.bridge.readyStatusText();" << "error:bad";
    QTest::newRow("bridge creation context taken once") << "Zeb.bridge.takeCreationContext(function (c) { log.push(typeof c); });"
           " Zeb.bridge.takeCreationContext(function (c) { log.push('again'); }); return log;" << "object";
    QTest::newRow("bridge slots with overloads")
        << "Zeb.bridge.log('one'); Zeb.bridge.log('two', 2); return Zeb.bridge.apiVersion();" << "1.0";
    QTest::newRow("symbolinfo") << sends("startSymbolInfo('ACME.QB', 'vmt')")
        << R"({"rid":1,"type":"symbolinfo","symbol":"ACME.QB","symbology":"vmt"})";
    QTest::newRow("quote realtime only when true") << sends("startQuote('A', ['Last'], 1)")
        << R"({"rid":1,"type":"quote","symbol":"A","fields":["Last"],"realtime":false})";
    QTest::newRow("chain with date") << sends("startChain('CL#', 0, 1)")
        << R"({"rid":1,"type":"chain","symbol":"CL#","date":"1970-01-01T00:00:00.000Z","isOutright":true})";
    QTest::newRow("chain without date") << sends("startChain('CL#')")
        << R"({"rid":1,"type":"chain","symbol":"CL#","date":null,"isOutright":false})";
    QTest::newRow("history") << sends("startHistory('A', 5, 86400000)")
        << R"({"rid":1,"type":"history","symbol":"A","endDate":"1970-01-02T00:00:00.000Z","itemsCount":5})";
    QTest::newRow("news") << sends("startNews(['A'], 's', ['c'], 1, 2, 'k', true, false, true, 9, false)")
        << R"({"rid":1,"type":"news","symbols":["A"],"service":"s","categories":["c"],"daysBack":1,"hoursBack":2,"keywords":"k",)"
           R"("keywordsOr":true,"wholeWord":false,"caseSensitive":true,"historyLimit":9,"realtime":false})";
    QTest::newRow("newsbody") << sends("startNewsBody('s7')") << R"({"rid":1,"type":"newsbody","storyId":"s7"})";
    QTest::newRow("symbol info defaults") << sends("requestSymbolInfo('A')")
        << R"({"rid":1,"type":"symbolinfo","symbol":"A","symbology":"vmt"})";
    QTest::newRow("symbol info realtime must be boolean") << sends("requestSymbolInfo('A', 1)")
        << "threw TypeError: realtime argument is optional and must be boolean if specified";

    const QString failed = QStringLiteral("threw Error: Failed to start %1 request with following params: rid = 1, ");
    QTest::newRow("refused symbolinfo") << refused("startSymbolInfo('A')") << failed.arg("startSymbolInfo") + "symbol = A";
    QTest::newRow("refused quote") << refused("startQuote('A', ['Last', 'Bid'])")
                                   << failed.arg("startQuote") + "symbol = A, fields Last,Bid";
    QTest::newRow("refused chain") << refused("startChain('CL#', null, true)")
                                   << failed.arg("startChain") + "symbol = CL#, date = null, isShowAsOutright = true";
    QTest::newRow("refused history") << "accept = false; try { Zeb.datafeed.startHistory('A', 5, 0); } catch (e) {"
           " return e.message.replace(String(new Date(0)), 'DATE'); }"
        << "Failed to start startHistory request with following params: rid = 1, symbol = A, endDate = DATE, itemsCount = 5";
    QTest::newRow("refused news") << refused("startNews('A', 's', 'c', 1, 2, 'k', true, false, true, 9, false)")
        << failed.arg("startNews") + "symbols = A, service = s, categories = c, daysBack = 1, hoursBack = 2, keywords = k,"
           " keywordsOr = true, wholeWord = false, caseSensitive = true, historyLimit = 9, realtime = false";
    QTest::newRow("refused newsbody") << refused("startNewsBody('s7')") << failed.arg("startNewsBody") + "storyId = s7";
    QTest::newRow("refused request forgets its id") << "accept = false; try { Zeb.datafeed.startNewsBody('s7'); } catch (e) {}"
           " return JSON.stringify(Zeb.datafeed.getActiveRids());" << "{}";
    QTest::newRow("request that cannot start") << refused("requestNewsBody('s7')") << "threw Error: Failed to start request";

    QTest::newRow("generateRid records comments") << "Zeb.datafeed.generateRid('a'); Zeb.datafeed.generateRid();"
           " return JSON.stringify(Zeb.datafeed.getActiveRids());" << R"({"1":"a","2":"rid#2"})";
    QTest::newRow("stop of an unknown id sends nothing") << sends("stop(42)") << "";
    QTest::newRow("stop twice sends once")
        << "var rid = Zeb.datafeed.generateRid(); Zeb.datafeed.stop(rid).stop(rid); return sent;"
        << R"({"type":"stop","rid":1})";
    QTest::newRow("reset stops ids as text and counts from 1")
        << "Zeb.datafeed.generateRid(); Zeb.datafeed.generateRid(); Zeb.datafeed.reset();"
           " return sent.join(' ') + ' next ' + Zeb.datafeed.generateRid();"
        << R"({"type":"stop","rid":"1"} {"type":"stop","rid":"2"} next 1)";
    // Answered rows give the callbacks' log, then "|" and what was sent after the answers.
    QTest::newRow("realtime ok notifies and keeps running")
        << tracked("requestQuote('A', ['Last'], true)", "1, ['progress', 'ok', 'ok']") << "progress:progress,progress:ok,progress:ok|";
    QTest::newRow("one-shot ok resolves and stops") << tracked("requestNewsBody('s7')", "1, ['ok']") << stopped("done:ok");
    QTest::newRow("fail rejects and stops") << tracked("requestChain('CL#')", "1, ['fail']") << stopped("fail:fail");
    QTest::newRow("restart resolves a realtime request")
        << tracked("requestQuote('A', ['Last'], true)", "1, ['restart']") << stopped("done:restart");
    QTest::newRow("history not realtime resolves") << tracked("requestHistory('A', 5, 0, false)", "1, ['ok']") << stopped("done:ok");
    QTest::newRow("answers after settling are ignored")
        << tracked("requestNewsBody('s7')", "1, ['ok', 'ok', 'fail']") << stopped("done:ok");
    QTest::newRow("answers for unknown ids are ignored") << tracked("requestNewsBody('s7')", "2, ['ok', 'fail']") << "|";
    QTest::newRow("hook sees the answer first") << "Zeb.datafeed.requestSymbolInfo('ACME.QB').done(function () {"
           " log.push(Zeb.formatter.formatPrice(1, 'ACME.QB') === ''); }); return answer(1, ['ok']);" << stopped("true");
    QTest::newRow("formatter id from symbol info") << "Zeb.datafeed.getFormatterId('ACME.QB').done(function (id) {"
           " log.push(id); }); return answer(1, ['ok']);" << stopped("ACME.QB");
    const QString noId = QStringLiteral("threw TypeError: formatterId is required and must be a string");
    QTest::newRow("missing formatter id") << "Zeb.formatter.formatPrice(1);" << noId;
    QTest::newRow("empty formatter id") << "Zeb.formatter.parsePrice('1', '');" << noId;
    QTest::newRow("numeric formatter id") << "Zeb.formatter.formatDateTime(new Date(), 5);" << noId;
    QTest::newRow("formatter id not learnt yet") << "Zeb.formatter.formatCurrency(1, 'ACME.QB', true);"
        << "threw Error: no formatter registered for foramtterId ACME.QB";
    QTest::newRow("formatter id forgotten on fail") << "Zeb.datafeed.requestSymbolInfo('A');"
           " Zeb.datafeed.trigger('response', {request: {rid: 1}, result: 'ok',"
           " data: {formatterId: 'A.X'}}); Zeb.Datafeed.prototype._formatterIds.A = null;"
           " Zeb.formatter.parseDateTime('x', 'A.X');" << "threw Error: no formatter registered for foramtterId A.X";
    QTest::newRow("learnt formatter id reaches the native formatter") << "Zeb.datafeed.requestSymbolInfo('A');"
           " Zeb.datafeed.trigger('response', {request: {rid: 1}, result: 'ok',"
           " data: {formatterId: 'A.X'}}); return typeof Zeb.formatter.formatPrice(1, 'A.X');" << "string";
    const QString noPrecision = QStringLiteral("threw TypeError: precision is required and must be a number");
    QTest::newRow("precision missing") << "Zeb.formatter.formatNumber(1.5);" << noPrecision;
    QTest::newRow("precision as text") << "Zeb.formatter.formatNumber(1.5, '2');" << noPrecision;
}

void tst_PageLibrary::script()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    const QString result = run(code);
    // jQuery settles piped promises asynchronously: an answered row reads the log until it matches.
    if (result == QLatin1String("answered"))
        QTRY_COMPARE(run(QStringLiteral("return log + '|' + sent.join(' ');")), expected);
    else
        QCOMPARE(result, expected);
}

void tst_PageLibrary::loading_data()
{
    QTest::addColumn<QString>("pluginId");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("output");

    QTest::newRow("unknown control type stops loading") << BadTypeId << "return typeof Zeb;" << "undefined"
        << QStringList{"zebbadtype: tessel.js failed to load: Unknown header control type 'Slider' of control 's', "};
    QTest::newRow("loaded twice connects once")
        << TwiceId << "return Zeb._signals.length === 7 + Object.keys(Zeb.actions).length;" << "true"
        << QStringList{"zebtwice: tessel.js is loaded more than once; the first copy stays in use, "};
    QTest::newRow("without jquery requests fail clearly") << NoJQueryId << "Zeb.datafeed.requestQuote('A', ['Last']);"
        << "threw Error: Datafeed requests need jQuery ($.Deferred): load jquery before making requests"
        << QStringList{"zebnojq: Datafeed requests need jQuery ($.Deferred): load jquery before making requests, "};
    QTest::newRow("without jquery nothing starts")
        << NoJQueryId << "try { Zeb.datafeed.requestQuote('A', ['Last']); } catch (e) {}"
           " return JSON.stringify(Zeb.datafeed.getActiveRids());" << "{}"
        << QStringList{"zebnojq: Datafeed requests need jQuery ($.Deferred): load jquery before making requests, "};
}

void tst_PageLibrary::loading()
{
    QFETCH(QString, pluginId);
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QFETCH(QStringList, output);

    PluginFixture::takeOutput();
    const OpenDocument open = m_fixture.open(pluginId);
    QVERIFY(open.script);
    QCOMPARE(run(open, code), expected);
    QCOMPARE(PluginFixture::takeOutput(), output);
}

// Each reload disconnects the old page, so one native signal reaches only the current page
// (every page writes an output line when the symbol linking fires).
void tst_PageLibrary::reloadsDisconnect()
{
    const QString count = QStringLiteral("return Zeb._signals.length;");
    const QString first = run(count);
    for (int i = 0; i < 50; ++i) {
        m_open.script->view()->reload();
        QVERIFY(m_open.waitForLoad());
    }
    QCOMPARE(run(count), first);
    PluginFixture::takeOutput();
    emit m_open.script->symbolLinkingChanged(QStringLiteral("ACME.QB"));
    QCOMPARE(PluginFixture::takeOutput(), QStringList{"zebpage: linked ACME.QB, "});
}

void tst_PageLibrary::resources_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("compressed");

    QTest::newRow("page library") << ":/tessel/tessel.js" << true;
    QTest::newRow("style sheet") << ":/tessel/tessel.css" << true;
    QTest::newRow("black pack") << ":/tessel/themes/black/resources.qcc" << false;
    QTest::newRow("white pack") << ":/tessel/themes/white/resources.qcc" << false;
    QTest::newRow("english") << ":/tessel/translations/tessel_en_US.qm" << false;
    QTest::newRow("russian") << ":/tessel/translations/tessel_ru_RU.qm" << false;
    QTest::newRow("italian") << ":/tessel/translations/tessel_it_IT.qm" << false;
}

// The tree is there while the plug-in is initialised and gone after termResources().
void tst_PageLibrary::resources()
{
    QFETCH(QString, path);
    QFETCH(bool, compressed);

    const QResource resource(path);
    QVERIFY(resource.isValid());
    if (compressed)
        QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);
    m_fixture.plugin()->termResources();
    const bool goneAfterTerm = !QFile::exists(path);
    m_fixture.plugin()->initResources();
    QVERIFY(goneAfterTerm);
    QVERIFY(QFile::exists(path));
}

// The back and forward actions have icons, and the shipped arrows follow the theme: the black
// pack draws light arrows, the white pack dark ones.
void tst_PageLibrary::themeSwitch()
{
    AppearanceManager *appearance = Application::instance()->appearanceManager();
    const QString before = appearance->currentTheme();
    for (const QString &theme : {QStringLiteral("white"), QStringLiteral("black")}) {
        appearance->setCurrentTheme(theme);
        for (const char *name : {"back", "forward"}) {
            const ScriptDocument::ActionEntry *entry = m_open.script->findAction(QLatin1String(name));
            QVERIFY2(entry && entry->hotkey && !entry->hotkey->icon().isNull(), name);
            const QImage shipped(QStringLiteral(":/tessel/images/%1.png").arg(QLatin1String(name)));
            QCOMPARE(shipped.size(), QSize(15, 15));
            QCOMPARE(qRed(shipped.pixel(7, 7)), theme == QLatin1String("black") ? 214 : 64);
        }
    }
    appearance->setCurrentTheme(before);
}

QTEST_MAIN(tst_PageLibrary)
#include "tst_pagelibrary.moc"

// The page library (qrc:///tessel/tessel.js) on real documents: every check runs a piece of
// page script, and a script that throws reports the error's name and message as its result,
// so a failing row names the check and what went wrong. The datafeed's native request slot is
// replaced in the page by a recorder (window.sent, answering window.accept), and responses
// arrive through the native response signal.
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

// A request started by start, with its callbacks written to log.
QString tracked(const char *start)
{
    return QLatin1String(start)
        + QLatin1String(".done(function (a) { log.push('done:' + a.result); })"
                        ".progress(function (a) { log.push('progress:' + a.result); })"
                        ".fail(function (a) { log.push('fail:' + a.result); })");
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

    void events_data();
    void events();
    void wrappers_data();
    void wrappers();
    void nativeEvents_data();
    void nativeEvents();
    void requestMaps_data();
    void requestMaps();
    void requestResults_data();
    void requestResults();
    void formatter_data();
    void formatter();
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
    void respond(int rid, const QString &result);

    PluginFixture m_fixture;
    OpenDocument m_open;
};

void tst_PageLibrary::initTestCase()
{
    QVERIFY(QFile::exists(QLatin1String(JQUERY_PATH)));
    m_fixture.addBundle(QLatin1String(MainId),
                        bundle(mainManifest, jquery + library + recorder));
    m_fixture.addBundle(QLatin1String(TwiceId),
                        bundle(manifest(QLatin1String(TwiceId)),
                               jquery + library + library));
    m_fixture.addBundle(QLatin1String(NoJQueryId),
                        bundle(manifest(QLatin1String(NoJQueryId)),
                               library));
    m_fixture.addBundle(QLatin1String(BadTypeId),
                        bundle(manifest(QLatin1String(BadTypeId)),
                               fakeBridge + library));
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

void tst_PageLibrary::respond(int rid, const QString &result)
{
    const QVariantMap request{{QStringLiteral("rid"), rid}};
    const QVariantMap data{{QStringLiteral("formatterId"), QStringLiteral("ACME.QB")}};
    emit m_open.script->scriptDatafeed()->response({{QStringLiteral("request"), request},
                                                    {QStringLiteral("result"), result},
                                                    {QStringLiteral("data"), data}});
}

void tst_PageLibrary::events_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");

    QTest::newRow("bind with context")
        << onButton("o.bind('e', function (x) { log.push(this.n + x); }, {n: 'c'}); o.trigger('e', 1);"
               " return log;")
        << "c1";
    QTest::newRow("bind without context runs on the object")
        << onButton("o.bind('e', function () { log.push(this === o); }); o.trigger('e'); return log;")
        << "true";
    QTest::newRow("unbind callback drops its first binding only")
        << onButton("var f = function () { log.push('f'); }; o.bind('e', f).bind('e', f);"
               " o.unbind('e', f).trigger('e'); return log;")
        << "f";
    QTest::newRow("unbind event keeps other events")
        << onButton("o.bind('e', function () { log.push('e'); }).bind('x', function () { log.push('x'); });"
               " o.unbind('e').trigger('e').trigger('x'); return log;")
        << "x";
    QTest::newRow("unbind without event drops everything")
        << onButton("o.bind('e', function () { log.push('e'); }).bind('all', function () { log.push('a'); });"
               " o.unbind().trigger('e'); return log.length;")
        << "0";
    QTest::newRow("removing a later callback during trigger")
        << onButton("var b = function () { log.push('b'); };"
               " o.bind('e', function () { log.push('a'); o.unbind('e', b); }).bind('e', b)"
               ".bind('e', function () { log.push('c'); }); o.trigger('e'); o.trigger('e');"
               " return log.join(' ');")
        << "a c a c";
    QTest::newRow("removing itself during trigger skips nothing")
        << onButton("var a = function () { log.push('a'); o.unbind('e', a); };"
               " o.bind('e', a).bind('e', function () { log.push('b'); });"
               " o.trigger('e'); o.trigger('e'); return log.join(' ');")
        << "a b b";
    QTest::newRow("bound during trigger waits for the next")
        << onButton("o.bind('e', function () { log.push('a'); o.bind('e', function () { log.push('d'); }); });"
               " o.trigger('e'); o.trigger('e'); return log.join(' ');")
        << "a a d";
    QTest::newRow("all runs after the event with its name first")
        << onButton("o.bind('all', function (n, x) { log.push('all:' + n + x); })"
               ".bind('e', function (x) { log.push('e' + x); }); o.trigger('e', 1);"
               " return log.join(' ');")
        << "e1 all:e1";
}

void tst_PageLibrary::events()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QCOMPARE(run(code), expected);
}

void tst_PageLibrary::wrappers_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");

    const QString classOf = QStringLiteral(
        "return ['ComboBox', 'SymbolEdit', 'InsertSymbolButton', 'Button', 'ToggleButton',"
        " 'MenuButton'].filter(function (c) { return Zeb.header.%1 instanceof Zeb[c]; });");
    QTest::newRow("ComboBox") << classOf.arg(QLatin1String("combo")) << "ComboBox";
    QTest::newRow("SymbolEdit") << classOf.arg(QLatin1String("sym")) << "SymbolEdit";
    QTest::newRow("InsertSymbolButton") << classOf.arg(QLatin1String("ins"))
                                        << "InsertSymbolButton";
    QTest::newRow("Button") << classOf.arg(QLatin1String("btn")) << "Button";
    QTest::newRow("ToggleButton") << classOf.arg(QLatin1String("tgl")) << "ToggleButton";
    QTest::newRow("MenuButton") << classOf.arg(QLatin1String("menu")) << "MenuButton";

    QTest::newRow("menu button actions from native action")
        << "Zeb.header.menu.actions(['zoom', '-']); return Zeb.header.menu._h.action;" << "zoom,-";
    QTest::newRow("action activate fires activated with wrapper and checked")
        << "var z = Zeb.actions.zoom; z.bind('activated', function (w, on) {"
           " log.push(w === z, on); }); z.activate(); return log;" << "true,true";
    QTest::newRow("action enabled and checked")
        << "var z = Zeb.actions.zoom; z.enabled(false); z.checked(true);"
           " return [z.enabled(), z._h.checked];" << "false,true";
    QTest::newRow("command activate runs redo")
        << "var p = Zeb.commands.paint; p.bind('redo', function (w, v) { log.push(w === p, v); });"
           " p.activate(5); return log;" << "true,5";
    QTest::newRow("property object lists its properties")
        << "return Zeb.look.properties() + ':' + Zeb.look.size.id();" << "size:size";
    QTest::newRow("property set with undo")
        << "Zeb.look.size.setValue(8, true); return Zeb.look.size.value();" << "8";
    QTest::newRow("property wrapper has no setValueWithUndo")
        << "return typeof Zeb.look.size.setValueWithUndo;" << "undefined";
    // A native change passes the wrapper; reset() fires the event without arguments.
    QTest::newRow("property change and reset fire changed")
        << "var s = Zeb.look.size; s.bind('changed', function (w) { log.push(w === s); });"
           " s.setValue(9); Zeb.look.reset(); return log;" << "true,false";
    QTest::newRow("bridge error status")
        << "Zeb.bridge.showErrorStatus('bad');"
           " return Zeb.bridge.readyStatus() + ':' + Zeb.bridge.readyStatusText();" << "error:bad";
    QTest::newRow("bridge creation context taken once")
        << "Zeb.bridge.takeCreationContext(function (c) { log.push(typeof c); });"
           " Zeb.bridge.takeCreationContext(function (c) { log.push('again'); }); return log;"
        << "object";
    QTest::newRow("bridge slots with overloads")
        << "Zeb.bridge.log('one'); Zeb.bridge.log('two', 2); return Zeb.bridge.apiVersion();"
        << "1.0";
}

void tst_PageLibrary::wrappers()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QCOMPARE(run(code), expected);
}

void tst_PageLibrary::nativeEvents_data()
{
    QTest::addColumn<QString>("bind");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QString>("expected");

    QTest::newRow("symbol linking without wrapper")
        << "Zeb.symbolLinking.bind('activated', function (s) { log.push(s); });"
        << QByteArray("symbolLinkingChanged") << "ACME.QB";
    QTest::newRow("window active without wrapper")
        << "Zeb.bridge.bind('windowActive', function (a) { log.push(a); });"
        << QByteArray("onWindowActiveChanged") << "true";
    QTest::newRow("symbol drop without wrapper")
        << "Zeb.bridge.bind('symbolDrop', function (s) { log.push(s.join('+')); });"
        << QByteArray("symbolDrop") << "ACME.QB";
    QTest::newRow("context menu with wrapper")
        << "Zeb.bridge.bind('initContextMenu', function (w, c) {"
           " log.push(w === Zeb.bridge, typeof c); });"
        << QByteArray("initContextMenu") << "true,object";
}

void tst_PageLibrary::nativeEvents()
{
    QFETCH(QString, bind);
    QFETCH(QByteArray, signal);
    QFETCH(QString, expected);

    QCOMPARE(run(bind + QStringLiteral("return 'bound';")), QStringLiteral("bound"));
    ScriptDocument *doc = m_open.script;
    const QString symbol = QStringLiteral("ACME.QB");
    if (signal == "symbolLinkingChanged")
        emit doc->symbolLinkingChanged(symbol);
    else if (signal == "onWindowActiveChanged")
        emit doc->onWindowActiveChanged(true);
    else if (signal == "symbolDrop")
        emit doc->symbolDrop({symbol});
    else
        emit doc->initContextMenu(doc);
    QCOMPARE(run(QStringLiteral("return log;")), expected);
}

void tst_PageLibrary::requestMaps_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");

    QTest::newRow("symbolinfo")
        << "Zeb.datafeed.startSymbolInfo('ACME.QB', 'vmt'); return sent;"
        << R"({"rid":1,"type":"symbolinfo","symbol":"ACME.QB","symbology":"vmt"})";
    QTest::newRow("quote realtime only when true")
        << "Zeb.datafeed.startQuote('A', ['Last'], 1); return sent;"
        << R"({"rid":1,"type":"quote","symbol":"A","fields":["Last"],"realtime":false})";
    QTest::newRow("chain with date")
        << "Zeb.datafeed.startChain('CL#', 0, 1); return sent;"
        << R"({"rid":1,"type":"chain","symbol":"CL#","date":"1970-01-01T00:00:00.000Z","isOutright":true})";
    QTest::newRow("chain without date")
        << "Zeb.datafeed.startChain('CL#'); return sent;"
        << R"({"rid":1,"type":"chain","symbol":"CL#","date":null,"isOutright":false})";
    QTest::newRow("history")
        << "Zeb.datafeed.startHistory('A', 5, 86400000); return sent;"
        << R"({"rid":1,"type":"history","symbol":"A","endDate":"1970-01-02T00:00:00.000Z","itemsCount":5})";
    QTest::newRow("news")
        << "Zeb.datafeed.startNews(['A'], 's', ['c'], 1, 2, 'k', true, false, true, 9, false);"
           " return sent;"
        << R"({"rid":1,"type":"news","symbols":["A"],"service":"s","categories":["c"],"daysBack":1,)"
           R"("hoursBack":2,"keywords":"k","keywordsOr":true,"wholeWord":false,"caseSensitive":true,)"
           R"("historyLimit":9,"realtime":false})";
    QTest::newRow("newsbody")
        << "Zeb.datafeed.startNewsBody('s7'); return sent;"
        << R"({"rid":1,"type":"newsbody","storyId":"s7"})";
    QTest::newRow("symbol info defaults")
        << "Zeb.datafeed.requestSymbolInfo('A'); return sent;"
        << R"({"rid":1,"type":"symbolinfo","symbol":"A","symbology":"vmt"})";
    QTest::newRow("symbol info realtime must be boolean")
        << "Zeb.datafeed.requestSymbolInfo('A', 1);"
        << "threw TypeError: realtime argument is optional and must be boolean if specified";

    QTest::newRow("refused symbolinfo")
        << "accept = false; Zeb.datafeed.startSymbolInfo('A');"
        << "threw Error: Failed to start startSymbolInfo request with following params: rid = 1,"
           " symbol = A";
    QTest::newRow("refused quote")
        << "accept = false; Zeb.datafeed.startQuote('A', ['Last', 'Bid']);"
        << "threw Error: Failed to start startQuote request with following params: rid = 1,"
           " symbol = A, fields Last,Bid";
    QTest::newRow("refused chain")
        << "accept = false; Zeb.datafeed.startChain('CL#', null, true);"
        << "threw Error: Failed to start startChain request with following params: rid = 1,"
           " symbol = CL#, date = null, isShowAsOutright = true";
    QTest::newRow("refused history")
        << "accept = false; try { Zeb.datafeed.startHistory('A', 5, 0); } catch (e) {"
           " return e.message.replace(String(new Date(0)), 'DATE'); }"
        << "Failed to start startHistory request with following params: rid = 1, symbol = A,"
           " endDate = DATE, itemsCount = 5";
    QTest::newRow("refused news")
        << "accept = false; Zeb.datafeed.startNews('A', 's', 'c', 1, 2, 'k', true, false, true, 9,"
           " false);"
        << "threw Error: Failed to start startNews request with following params: rid = 1,"
           " symbols = A, service = s, categories = c, daysBack = 1, hoursBack = 2, keywords = k,"
           " keywordsOr = true, wholeWord = false, caseSensitive = true, historyLimit = 9,"
           " realtime = false";
    QTest::newRow("refused newsbody")
        << "accept = false; Zeb.datafeed.startNewsBody('s7');"
        << "threw Error: Failed to start startNewsBody request with following params: rid = 1,"
           " storyId = s7";
    QTest::newRow("refused request forgets its id")
        << "accept = false; try { Zeb.datafeed.startNewsBody('s7'); } catch (e) {}"
           " return JSON.stringify(Zeb.datafeed.getActiveRids());" << "{}";
    QTest::newRow("request that cannot start")
        << "accept = false; Zeb.datafeed.requestNewsBody('s7');"
        << "threw Error: Failed to start request";

    QTest::newRow("generateRid records comments")
        << "Zeb.datafeed.generateRid('a'); Zeb.datafeed.generateRid();"
           " return JSON.stringify(Zeb.datafeed.getActiveRids());" << R"({"1":"a","2":"rid#2"})";
    QTest::newRow("stop of an unknown id sends nothing")
        << "Zeb.datafeed.stop(42); return sent.length;" << "0";
    QTest::newRow("stop twice sends once")
        << "var rid = Zeb.datafeed.generateRid(); Zeb.datafeed.stop(rid).stop(rid); return sent;"
        << R"({"type":"stop","rid":1})";
    QTest::newRow("reset stops ids as text and counts from 1")
        << "Zeb.datafeed.generateRid(); Zeb.datafeed.generateRid(); Zeb.datafeed.reset();"
           " return sent.join(' ') + ' next ' + Zeb.datafeed.generateRid();"
        << R"({"type":"stop","rid":"1"} {"type":"stop","rid":"2"} next 1)";
}

void tst_PageLibrary::requestMaps()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QCOMPARE(run(code), expected);
}

void tst_PageLibrary::requestResults_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("rid");
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QString>("expected");   // callbacks, then "|" and the maps sent after start

    QTest::newRow("realtime ok notifies and keeps running")
        << tracked("Zeb.datafeed.requestQuote('A', ['Last'], true)") << 1
        << QStringList{"progress", "ok", "ok"} << "progress:progress,progress:ok,progress:ok|";
    QTest::newRow("one-shot ok resolves and stops")
        << tracked("Zeb.datafeed.requestNewsBody('s7')") << 1 << QStringList{"ok"}
        << stopped("done:ok");
    QTest::newRow("fail rejects and stops")
        << tracked("Zeb.datafeed.requestChain('CL#')") << 1 << QStringList{"fail"}
        << stopped("fail:fail");
    QTest::newRow("restart resolves a realtime request")
        << tracked("Zeb.datafeed.requestQuote('A', ['Last'], true)") << 1 << QStringList{"restart"}
        << stopped("done:restart");
    QTest::newRow("history not realtime resolves")
        << tracked("Zeb.datafeed.requestHistory('A', 5, 0, false)") << 1 << QStringList{"ok"}
        << stopped("done:ok");
    QTest::newRow("answers after settling are ignored")
        << tracked("Zeb.datafeed.requestNewsBody('s7')") << 1 << QStringList{"ok", "ok", "fail"}
        << stopped("done:ok");
    QTest::newRow("answers for unknown ids are ignored")
        << tracked("Zeb.datafeed.requestNewsBody('s7')") << 2 << QStringList{"ok", "fail"} << "|";
    QTest::newRow("hook sees the answer first")
        << "Zeb.datafeed.requestSymbolInfo('ACME.QB').done(function () {"
           " log.push(Zeb.formatter.formatPrice(1, 'ACME.QB') === ''); });" << 1
        << QStringList{"ok"} << stopped("true");
    QTest::newRow("formatter id from symbol info")
        << "Zeb.datafeed.getFormatterId('ACME.QB').done(function (id) { log.push(id); })" << 1 << QStringList{"ok"}
        << stopped("ACME.QB");
}

void tst_PageLibrary::requestResults()
{
    QFETCH(QString, start);
    QFETCH(int, rid);
    QFETCH(QStringList, results);
    QFETCH(QString, expected);

    QCOMPARE(run(start + QStringLiteral("; sent = []; return 'started';")),
             QStringLiteral("started"));
    for (const QString &result : results)
        respond(rid, result);
    // jQuery settles piped promises asynchronously.
    QTRY_COMPARE(run(QStringLiteral("return log + '|' + sent.join(' ');")), expected);
}

void tst_PageLibrary::formatter_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing formatter id")
        << "Zeb.formatter.formatPrice(1);"
        << "threw TypeError: formatterId is required and must be a string";
    QTest::newRow("empty formatter id")
        << "Zeb.formatter.parsePrice('1', '');"
        << "threw TypeError: formatterId is required and must be a string";
    QTest::newRow("numeric formatter id")
        << "Zeb.formatter.formatDateTime(new Date(), 5);"
        << "threw TypeError: formatterId is required and must be a string";
    QTest::newRow("formatter id not learnt yet")
        << "Zeb.formatter.formatCurrency(1, 'ACME.QB', true);"
        << "threw Error: no formatter registered for foramtterId ACME.QB";
    QTest::newRow("formatter id forgotten on fail")
        << "Zeb.datafeed.requestSymbolInfo('A');"
           " Zeb.datafeed.trigger('response', {request: {rid: 1}, result: 'ok',"
           " data: {formatterId: 'A.X'}}); Zeb.Datafeed.prototype._formatterIds.A = null;"
           " Zeb.formatter.parseDateTime('x', 'A.X');"
        << "threw Error: no formatter registered for foramtterId A.X";
    QTest::newRow("learnt formatter id reaches the native formatter")
        << "Zeb.datafeed.requestSymbolInfo('A');"
           " Zeb.datafeed.trigger('response', {request: {rid: 1}, result: 'ok',"
           " data: {formatterId: 'A.X'}}); return typeof Zeb.formatter.formatPrice(1, 'A.X');"
        << "string";
    QTest::newRow("precision missing")
        << "Zeb.formatter.formatNumber(1.5);"
        << "threw TypeError: precision is required and must be a number";
    QTest::newRow("precision as text")
        << "Zeb.formatter.formatNumber(1.5, '2');"
        << "threw TypeError: precision is required and must be a number";
}

void tst_PageLibrary::formatter()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QCOMPARE(run(code), expected);
}

void tst_PageLibrary::loading_data()
{
    QTest::addColumn<QString>("pluginId");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("output");

    QTest::newRow("unknown control type stops loading")
        << BadTypeId << "return typeof Zeb;" << "undefined"
        << QStringList{"zebbadtype: tessel.js failed to load: Unknown header control type"
                       " 'Slider' of control 's', "};
    QTest::newRow("loaded twice connects once")
        << TwiceId << "return Zeb._signals.length === 7 + Object.keys(Zeb.actions).length;"
        << "true"
        << QStringList{"zebtwice: tessel.js is loaded more than once; the first copy stays in"
                       " use, "};
    QTest::newRow("without jquery requests fail clearly")
        << NoJQueryId << "Zeb.datafeed.requestQuote('A', ['Last']);"
        << "threw Error: Datafeed requests need jQuery ($.Deferred): load jquery before making"
           " requests"
        << QStringList{"zebnojq: Datafeed requests need jQuery ($.Deferred): load jquery before"
                       " making requests, "};
    QTest::newRow("without jquery nothing starts")
        << NoJQueryId << "try { Zeb.datafeed.requestQuote('A', ['Last']); } catch (e) {}"
           " return JSON.stringify(Zeb.datafeed.getActiveRids());" << "{}"
        << QStringList{"zebnojq: Datafeed requests need jQuery ($.Deferred): load jquery before"
                       " making requests, "};
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

// The back and forward icons follow the theme: the black pack draws light arrows, the white
// pack dark ones.
void tst_PageLibrary::themeSwitch()
{
    const ScriptDocument::ActionEntry *back = m_open.script->findAction(QStringLiteral("back"));
    QVERIFY(back && back->hotkey);
    QVERIFY(!back->hotkey->icon().isNull());

    AppearanceManager *appearance = Application::instance()->appearanceManager();
    const QString before = appearance->currentTheme();
    for (const QString &theme : {QStringLiteral("white"), QStringLiteral("black")}) {
        appearance->setCurrentTheme(theme);
        const QImage shipped(QStringLiteral(":/tessel/images/back.png"));
        QCOMPARE(shipped.size(), QSize(15, 15));
        QCOMPARE(qRed(shipped.pixel(7, 7)), theme == QLatin1String("black") ? 214 : 64);
    }
    appearance->setCurrentTheme(before);
}

QTEST_MAIN(tst_PageLibrary)
#include "tst_pagelibrary.moc"

#include "pagedocument.h"

#include <document/scriptdocument.h>
#include <plugin/pluginkey.h>
#include <plugin/scriptplugin.h>

#include <application.h>
#include <document.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <QtTest/QTest>

#include <cstdio>

namespace {

const char PluginId[] = "benchfeed";
constexpr int LoadTimeoutMs = 30000;

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

PageDocument::PageDocument(const QByteArray &html)
    : m_plugin(new ScriptPlugin)
{
    const QString bundle = m_data.path() + QStringLiteral("/WebPlugins/") + QLatin1String(PluginId);
    if (!QDir().mkpath(bundle)
        || !writeFile(bundle + QStringLiteral("/plugin.spec"),
                      QByteArray("{ id: \"") + PluginId
                          + "\", name: \"Datafeed bench\", version: \"1.0\", entry: \"index.html\" }")
        || !writeFile(bundle + QStringLiteral("/index.html"), html)) {
        std::fprintf(stderr, "cannot write the plug-in in %s\n", qPrintable(m_data.path()));
        return;
    }
    Application::instance()->setAppDataPath(m_data.path());
    m_plugin->setSearchFolders(m_data.path(), m_data.path() + QStringLiteral("/WebPlugins"));
    m_plugin->init();

    m_document.reset(new Document(pluginKey(QLatin1String(PluginId))));
    m_plugin->initDocument(m_document.get());
    m_script = m_document->findChild<ScriptDocument *>();
    if (!m_script) {
        std::fprintf(stderr, "the module opened no script document\n");
        return;
    }
    QEventLoop loop;
    QObject::connect(m_script->view(), &QWebView::loadFinished, &loop, [&](bool ok) {
        m_loaded = ok;
        loop.quit();
    });
    QTimer::singleShot(LoadTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    if (!m_loaded)
        std::fprintf(stderr, "the page did not load\n");
}

PageDocument::~PageDocument() = default;

QVariant PageDocument::eval(const QString &code) const
{
    return m_script->view()->page()->mainFrame()->evaluateJavaScript(code);
}

bool PageDocument::waitFor(const QString &condition, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return eval(condition).toBool(); }, timeoutMs);
}

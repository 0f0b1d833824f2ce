#include "pluginscaffold.h"

#include "common/jsonwriter.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

namespace {

// A string of the manifest's dialect, quoted and escaped.
QByteArray quoted(const QString &text)
{
    return Common::writeJson(QVariant(text));
}

// Text for an HTML page: markup characters as entities.
QByteArray htmlText(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

const char PluginScaffold::ActionHotKey[] = "Ctrl+Alt+G";

PluginScaffold::PluginScaffold(const QString &id, const QString &name)
    : m_id(id), m_name(name)
{
}

QMap<QString, QByteArray> PluginScaffold::files() const
{
    return {
        {QStringLiteral("plugin.spec"), manifest()},
        {QStringLiteral("index.html"), page()},
        {QStringLiteral("main.js"), script()},
        {QStringLiteral("icons/app.png"), icon()},
    };
}

bool PluginScaffold::isPlainId(const QString &id)
{
    static const QRegularExpression plain(QStringLiteral("\\A[A-Za-z0-9][A-Za-z0-9._-]*\\z"));
    return plain.match(id).hasMatch();
}

QByteArray PluginScaffold::manifest() const
{
    return "// " + m_name.toUtf8() + ": a web plug-in of Tessel. docs/manifest.md describes every key;\n"
           "// check this file with \"tessel lint --strict FOLDER\".\n"
           "{\n"
           "    id: " + quoted(m_id) + ",\n"
           "    name: " + quoted(m_name) + ",\n"
           "    desc: " + quoted(m_name + QStringLiteral(": says hello")) + ",\n"
           "    windowTitle: " + quoted(m_name) + ",\n"
           "    version: \"1.0\",\n"
           "    apiVersion: \"1.0\",\n"
           "    icon: \"app\",\n"
           "    entry: \"index.html\",\n"
           "    // Each action is a menu entry and a hot key of the plug-in's windows; the page\n"
           "    // hears it through the bridge's actions.\n"
           "    actions: {\n"
           "        greet: {\n"
           "            name: \"Say Hello\",\n"
           "            desc: \"Shows a greeting on the page\",\n"
           "            icon: \"app\",\n"
           "            hotkeys: \"" + QByteArray(ActionHotKey) + "\"\n"
           "        }\n"
           "    },\n"
           "    icons: {\n"
           "        app: \"icons/app.png\"\n"
           "    }\n"
           "}\n";
}

QByteArray PluginScaffold::page() const
{
    return "<!DOCTYPE html>\n"
           "<html>\n"
           "<head>\n"
           "<meta charset=\"utf-8\">\n"
           "<title>" + htmlText(m_name) + "</title>\n"
           "<style>\n"
           "    body { font-family: sans-serif; margin: 24px; }\n"
           "    body.black { background: #1b1e23; color: #e6e6e6; }\n"
           "    body.white { background: #ffffff; color: #202020; }\n"
           "    h1 { font-size: 20px; color: #009688; }\n"
           "</style>\n"
           "</head>\n"
           "<body>\n"
           "<h1>" + htmlText(m_name) + "</h1>\n"
           "<p id=\"message\"></p>\n"
           "<script src=\"main.js\"></script>\n"
           "</body>\n"
           "</html>\n";
}

QByteArray PluginScaffold::script() const
{
    return "// The page of " + m_name.toUtf8() + ". docs/bridge.md describes _quorvex_bridge.\n"
           "(function () {\n"
           "    'use strict';\n"
           "    const bridge = window._quorvex_bridge;\n"
           "    let greetings = 0;\n"
           "\n"
           "    function show(text) {\n"
           "        document.getElementById('message').textContent = text;\n"
           "    }\n"
           "\n"
           "    // The manifest's action \"greet\": its menu entry or its hot key.\n"
           "    function greet() {\n"
           "        greetings += 1;\n"
           "        show('Hello! (' + greetings + ')');\n"
           "        bridge.readyStatusText = greetings + ' greeting(s)';\n"
           "    }\n"
           "\n"
           "    document.addEventListener('DOMContentLoaded', function () {\n"
           "        document.body.className = bridge.theme;\n"
           "        const action = bridge.actions.find((item) => item.objectName === 'greet');\n"
           "        action.triggered.connect(greet);\n"
           "        // Host objects outlive the page: disconnect before it goes.\n"
           "        window.addEventListener('beforeunload', () => action.triggered.disconnect(greet));\n"
           "        bridge.mainMenuActions = ['greet'];\n"
           "        show('Press " + QByteArray(ActionHotKey) + " or choose \"Say Hello\".');\n"
           "        // The window shows its status; \"ready\" tells the host the page has loaded.\n"
           "        bridge.readyStatus = 'ready';\n"
           "        bridge.readyStatusText = 'Loaded';\n"
           "    });\n"
           "}());\n";
}

// A 32-pixel tile of four squares on a rounded plate.
QByteArray PluginScaffold::icon()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x00, 0x96, 0x88));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    painter.setBrush(QColor(0xe0, 0xf2, 0xf1));
    for (const QPoint &corner : {QPoint(7, 7), QPoint(17, 7), QPoint(7, 17), QPoint(17, 17)})
        painter.drawRect(QRect(corner, QSize(8, 8)));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

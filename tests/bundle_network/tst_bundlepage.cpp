#include "bundletestutils.h"
#include "securedwriter.h"
#include "testsupport.h"

#include <bundle/scriptnetworkaccessmanager.h>
#include <bundle/securedbundle.h>
#include <bundle/standardbundle.h>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebPage>
#include <QtTest>

#include <memory>

namespace {

const int LoadTimeout = 20000;

QByteArray pngImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A page whose script, style sheet, images and data files each leave a mark the test reads.
// No file carries a content type: the web engine takes it from the extension.
FileMap pageFiles()
{
    return {
        {QStringLiteral("index.html"),
         "<!DOCTYPE html>\n<html><head>\n"
         "<link rel=\"stylesheet\" href=\"css/style.css\">\n"
         "<script src=\"js/app.js\"></script>\n"
         "</head><body>\n<div id=\"box\">box</div>\n"
         "<img id=\"logo\" src=\"images/logo.png\">\n"
         "<img id=\"shape\" src=\"images/shape.svg\">\n"
         "</body></html>\n"},
        {QStringLiteral("js/app.js"), "document.title = 'Loaded ' + (6 * 7);\n"},
        {QStringLiteral("css/style.css"), "#box { width: 123px; color: rgb(1, 2, 3); }\n"},
        {QStringLiteral("images/logo.png"), pngImage(7, 5)},
        {QStringLiteral("images/shape.svg"),
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"11\" height=\"13\">"
         "<rect width=\"11\" height=\"13\" fill=\"red\"/></svg>\n"},
        {QStringLiteral("data/values.json"), "{\"answer\": 42}"},
        {QStringLiteral("data/items.xml"), "<?xml version=\"1.0\"?><items><item/></items>"},
    };
}

} // namespace

class tst_BundlePage : public QObject
{
    Q_OBJECT

private slots:
    void pageAppliesBundleFiles_data();
    void pageAppliesBundleFiles();
};

void tst_BundlePage::pageAppliesBundleFiles_data()
{
    QTest::addColumn<bool>("secured");

    QTest::newRow("folder") << false;
    QTest::newRow("secured") << true;
}

// Loads the entry page at the bundle's URL, as a script document does, and reads back what
// each served file did to it.
void tst_BundlePage::pageAppliesBundleFiles()
{
    QFETCH(bool, secured);

    QTemporaryDir dir;
    RecordingChannel channel;
    std::unique_ptr<ScriptBundle> bundle;
    if (secured) {
        const QString file = dir.path() + QStringLiteral("/Chart.wps");
        QVERIFY(writeFile(file, encodeSecured(makeZip(pageFiles()), QByteArray())));
        bundle.reset(new SecuredBundle(file, true, &channel));
    } else {
        QVERIFY(writeFiles(dir.path() + QStringLiteral("/Chart"), pageFiles()));
        bundle.reset(new StandardBundle(dir.path() + QStringLiteral("/Chart")));
    }

    QWebPage page;
    page.setNetworkAccessManager(new ScriptNetworkAccessManager(
        page.networkAccessManager(), &page, bundle.get(), &channel));
    QSignalSpy loaded(&page, &QWebPage::loadFinished);
    page.mainFrame()->load(QUrl(bundle->url(QStringLiteral("index.html"))));
    QVERIFY(loaded.wait(LoadTimeout));
    QCOMPARE(loaded.first().first().toBool(), true);

    QWebFrame *frame = page.mainFrame();
    const auto evaluate = [frame](const char *script) {
        return frame->evaluateJavaScript(QString::fromLatin1(script)).toString();
    };
    QCOMPARE(frame->title(), QStringLiteral("Loaded 42"));
    QCOMPARE(evaluate("getComputedStyle(box).width"), QStringLiteral("123px"));
    QCOMPARE(evaluate("getComputedStyle(box).color"), QStringLiteral("rgb(1, 2, 3)"));
    QCOMPARE(evaluate("logo.naturalWidth + 'x' + logo.naturalHeight"), QStringLiteral("7x5"));
    QCOMPARE(evaluate("shape.naturalWidth + 'x' + shape.naturalHeight"), QStringLiteral("11x13"));

    // A synchronous request must be readable when the manager returns its reply.
    QCOMPARE(evaluate("var sync = new XMLHttpRequest();"
                      "sync.open('GET', 'data/values.json', false); sync.send();"
                      "JSON.parse(sync.responseText).answer"),
             QStringLiteral("42"));
    frame->evaluateJavaScript(QStringLiteral(
        "var async = new XMLHttpRequest(); async.open('GET', 'data/items.xml');"
        "async.onload = function() { window.xmlRoot = async.responseXML.documentElement.nodeName; };"
        "async.send();"));
    QTRY_COMPARE(evaluate("window.xmlRoot"), QStringLiteral("items"));

    QCOMPARE(channel.lines, QStringList());
}

QTEST_MAIN(tst_BundlePage)
#include "tst_bundlepage.moc"

#include "testsupport.h"

#include <appearancemanager.h>
#include <application.h>
#include <contextdata.h>
#include <document.h>
#include <featuremanager.h>
#include <pluginbase.h>
#include <settings.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class tst_HostApiApplication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void settingsValue();
    void settingsFollowDataFolder();
    void features();
    void themes_data();
    void themes();
    void openUrl();
    void pluginBase();
    void pluginContext();
    void pluginDialogs();
    void documentWidget();

private:
    QTemporaryDir m_dataDir;
};

void tst_HostApiApplication::initTestCase()
{
    QVERIFY(m_dataDir.isValid());
    Application::instance()->setAppDataPath(m_dataDir.path());
}

// A stored false is not taken for "absent"; removing the key gives the default again.
void tst_HostApiApplication::settingsValue()
{
    HostApi::Settings *settings = Application::instance()->settings();
    QSignalSpy changed(settings, &HostApi::Settings::valueChanged);
    const QString key = QStringLiteral("enableWebPluginsUpdates");
    QCOMPARE(settings->value(key, true), QVariant(true));
    settings->setValue(key, false);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(settings->value(key, true), QVariant(false));
    settings->remove(key);
    QCOMPARE(settings->value(key, true), QVariant(true));
}

void tst_HostApiApplication::settingsFollowDataFolder()
{
    Application *app = Application::instance();
    app->settings()->setValue(QStringLiteral("t/kept"), 7);
    app->settings()->sync();
    QVERIFY(QFile::exists(m_dataDir.filePath(QLatin1String(Application::SettingsFileName))));

    QTemporaryDir other;
    app->setAppDataPath(other.path());
    QCOMPARE(app->appDataPath(), other.path() + QLatin1Char('/'));
    QVERIFY(!app->settings()->contains(QStringLiteral("t/kept")));

    app->setAppDataPath(m_dataDir.path());
    QCOMPARE(app->settings()->value(QStringLiteral("t/kept")).toInt(), 7);
    app->settings()->remove(QStringLiteral("t/kept"));
}

void tst_HostApiApplication::features()
{
    FeatureManager *features = FeatureManager::instance();
    const QString name = QStringLiteral("webplugin.developer");
    QVERIFY(!features->isEnabled(name));
    QVERIFY(!features->setEnabled(name, true));

    QSignalSpy registered(features, &FeatureManager::featureRegistered);
    QVERIFY(features->registerFeature(name));
    QVERIFY(features->registerFeature(name));
    QCOMPARE(registered.count(), 1);
    QVERIFY(!features->isEnabled(name));

    // Turned on by the user through the host's settings.
    Application::instance()->settings()->setValue(QStringLiteral("features/") + name, true);
    QVERIFY(features->isEnabled(name));

    QSignalSpy enabled(features, &FeatureManager::enabledChanged);
    QVERIFY(features->setEnabled(name, false));
    QVERIFY(features->setEnabled(name, false));
    QCOMPARE(enabled.count(), 1);
    QVERIFY(!features->isEnabled(name));
    QCOMPARE(Application::instance()->settings()->value(QStringLiteral("features/") + name),
             QVariant(false));

    LogCapture capture;
    QVERIFY(!features->registerFeature(QString()));
    QCOMPARE(capture.texts("Assert"), QStringList{QStringLiteral("!name.isEmpty()")});
}

void tst_HostApiApplication::themes_data()
{
    QTest::addColumn<QString>("theme");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("black") << QStringLiteral("black") << true;
    QTest::newRow("capitalised") << QStringLiteral("White") << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_HostApiApplication::themes()
{
    QFETCH(QString, theme);
    QFETCH(bool, accepted);
    AppearanceManager *appearance = Application::instance()->appearanceManager();
    const QString other = theme == AppearanceManager::BlackTheme ? AppearanceManager::WhiteTheme
                                                                  : AppearanceManager::BlackTheme;
    QVERIFY(appearance->setCurrentTheme(other));
    QSignalSpy changed(appearance, &AppearanceManager::currentThemeChanged);
    QCOMPARE(appearance->setCurrentTheme(theme), accepted);
    QCOMPARE(appearance->currentTheme(), accepted ? theme : other);
    QCOMPARE(changed.count(), accepted ? 1 : 0);
    appearance->setCurrentTheme(AppearanceManager::BlackTheme);
}

void tst_HostApiApplication::openUrl()
{
    Application *app = Application::instance();
    QSignalSpy requested(app, &Application::urlOpenRequested);
    const QUrl url(QStringLiteral("https://example.org/help"));
    app->openUrl(url);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.first().first().toUrl(), url);
}

void tst_HostApiApplication::pluginBase()
{
    HostApi::PluginBase plugin("sample");
    QObject *object = &plugin;
    HostApi::IPlugin *iplugin = qobject_cast<HostApi::IPlugin *>(object);
    QCOMPARE(iplugin, static_cast<HostApi::IPlugin *>(&plugin));
    QVERIFY(plugin.qt_metacast("com.quorvex.corvodesk.plugin/1.0"));

    iplugin->init();
    QVERIFY(plugin.isInitialized());
    Document doc("webplugin_sample");
    QCOMPARE(iplugin->initDocument(&doc), HostApi::IPlugin::DocumentRefused);
    iplugin->term();
    QVERIFY(!plugin.isInitialized());

    LogCapture capture;
    QCOMPARE(iplugin->initDocument(nullptr), HostApi::IPlugin::DocumentRefused);
    iplugin->applyContext(&doc, nullptr);
    QCOMPARE(capture.texts("Assert"),
             QStringList({QStringLiteral("0 != doc"), QStringLiteral("0 != context")}));
}

void tst_HostApiApplication::pluginContext()
{
    HostApi::PluginBase plugin("sample");
    Document doc("webplugin_sample");
    ContextData context;
    context.setDocument(&doc);
    context.setSymbolContext("AAPL");
    context.setSymbolListContext(SymbolListContext(QStringLiteral("Watch"), {"A", "B"}));
    context.setSupportOrderPositionMenu(true);

    plugin.setContext(&context);
    context.clear();
    QVERIFY(!context.hasSymbolContext());
    // The plug-in keeps a copy.
    const ContextData kept = plugin.context();
    QCOMPARE(kept.document(), &doc);
    QCOMPARE(kept.symbol(), QByteArray("AAPL"));
    QCOMPARE(kept.symbolList(), SymbolListContext(QStringLiteral("Watch"), {"A", "B"}));
    QVERIFY(kept.supportOrderPositionMenu());

    plugin.resetContext();
    QVERIFY(!plugin.context().hasSymbolContext() && !plugin.context().hasSymbolListContext());
    QVERIFY(!plugin.context().document());
}

void tst_HostApiApplication::pluginDialogs()
{
    HostApi::PluginBase plugin("sample");
    QWidget shown;
    auto *gone = new QWidget;
    plugin.registerDialog(&shown);
    plugin.registerDialog(gone);
    shown.show();
    gone->show();
    delete gone;
    plugin.hidePluginDialogs();
    QVERIFY(!shown.isVisible());
}

void tst_HostApiApplication::documentWidget()
{
    Document doc("webplugin_sample");
    QSignalSpy changed(&doc, &Document::documentWidgetChanged);
    auto *widget = new QWidget;
    doc.setDocumentWidget(widget);
    doc.setDocumentWidget(widget);
    QCOMPARE(doc.documentWidget(), widget);
    QCOMPARE(changed.count(), 1);
    delete widget;
    QVERIFY(!doc.documentWidget());

    // A context keeps no dangling document either.
    ContextData context;
    {
        Document shortLived("x");
        context.setDocument(&shortLived);
    }
    QVERIFY(!context.document());
}

QTEST_MAIN(tst_HostApiApplication)
#include "tst_hostapi_application.moc"

#include "testsupport.h"

#include <appearancemanager.h>
#include <application.h>
#include <doctemplate.h>
#include <doctemplateservice.h>
#include <document.h>
#include <favoritesservice.h>
#include <formulaoutputservice.h>
#include <ifavoritesservice.h>
#include <ihotkeyservice.h>
#include <ipropertypageregistry.h>
#include <ithemeservice.h>
#include <outputchannel.h>
#include <propertypage.h>
#include <propertypageregistry.h>
#include <servicelocator.h>
#include <serviceregistry.h>
#include <themestyle.h>

#include <QPointer>
#include <QSignalSpy>
#include <QStyle>
#include <QtTest>

// An interface nobody registers by default.
class IUnknownService
{
public:
    virtual ~IUnknownService() = default;
    virtual int answer() const = 0;
};

Q_DECLARE_INTERFACE(IUnknownService, "com.quorvex.test.IUnknownService/1.0")

namespace {

class UnknownService : public IUnknownService
{
public:
    int answer() const override { return 42; }
};

class EmptyPage : public HostApi::PropertyPage
{
public:
    EmptyPage() : HostApi::PropertyPage(QIcon()) {}

protected:
    void initPage() override {}
};

} // namespace

class tst_HostApiServices : public QObject
{
    Q_OBJECT

private slots:
    void locatorHasDefaultServices();
    void missingServiceIsReported();
    void registeredServiceIsFound();
    void registryHoldsLocator();
    void outputChannelKeepsTextAndSignals();
    void outputChannelRegisteredOnce();
    void outputChannelKeepsNewestText();
    void docTemplateKeepsValues();
    void docTemplateServiceRefuses_data();
    void docTemplateServiceRefuses();
    void propertyPageRegistryOwnsPages();
    void favoritesForgetDestroyedDocuments();
    void themeStyleFollowsTheme();
};

void tst_HostApiServices::locatorHasDefaultServices()
{
    LogCapture capture;
    HostApi::ServiceLocator *locator = Application::instance()->serviceLocator();
    QCOMPARE(locator, HostApi::ServiceLocator::instance());
    QVERIFY(locator->service<HostApi::IHotKeyService>());
    QVERIFY(locator->service<HostApi::IFormulaOutputService>());
    QVERIFY(locator->service<HostApi::IDocTemplateService>());
    QVERIFY(locator->service<HostApi::IPropertyPageRegistry>());
    QVERIFY(locator->service<HostApi::IFavoritesService>());
    QVERIFY(locator->service<HostApi::IThemeService>());
    QVERIFY(capture.texts("Assert").isEmpty());
}

void tst_HostApiServices::missingServiceIsReported()
{
    HostApi::ServiceLocator locator;
    LogCapture capture;
    QVERIFY(!locator.service<IUnknownService>());
    QCOMPARE(capture.texts("Assert"), QStringList{QStringLiteral("Service not found")});
    QCOMPARE(capture.entries().first().level, 3);
}

void tst_HostApiServices::registeredServiceIsFound()
{
    HostApi::ServiceLocator locator;
    UnknownService first;
    UnknownService second;
    locator.registerService<IUnknownService>(&first);
    QCOMPARE(locator.service<IUnknownService>(), static_cast<IUnknownService *>(&first));
    locator.registerService<IUnknownService>(&second);
    QCOMPARE(locator.service<IUnknownService>(), static_cast<IUnknownService *>(&second));
    locator.unregisterService<IUnknownService>();
    QVERIFY(!locator.hasService<IUnknownService>());
}

void tst_HostApiServices::registryHoldsLocator()
{
    {
        LogCapture capture;
        HostApi::ServiceRegistry registry;
        QCOMPARE(registry.locator(), Application::instance()->serviceLocator());
        QVERIFY(registry.service<HostApi::IHotKeyService>());
        QVERIFY(capture.texts("Assert").isEmpty());
    }
    LogCapture capture;
    HostApi::ServiceRegistry registry(nullptr);
    QVERIFY(!registry.service<HostApi::IHotKeyService>());
    QCOMPARE(capture.texts("Assert"),
             QStringList({QStringLiteral("0 != m_locator"), QStringLiteral("0 != m_locator")}));
}

void tst_HostApiServices::outputChannelKeepsTextAndSignals()
{
    HostApi::FormulaOutputService service;
    QSignalSpy registered(&service, &HostApi::FormulaOutputService::channelRegistered);
    HostApi::OutputChannel *channel =
        service.registerChannel(QStringLiteral("webpluginoutput"), QStringLiteral("Plugin Output"));
    QVERIFY(channel);
    QCOMPARE(registered.count(), 1);
    QCOMPARE(service.channel(QStringLiteral("webpluginoutput")), channel);

    QSignalSpy appended(channel, &HostApi::OutputChannel::appended);
    HostApi::IOutputChannel *writer = channel;
    writer->append(QStringLiteral("a: b, c\n"));
    writer->append(QString());
    writer->append(QStringLiteral("d: e, f\n"));
    QCOMPARE(channel->text(), QStringLiteral("a: b, c\nd: e, f\n"));
    QCOMPARE(appended.count(), 2);
    QCOMPARE(appended.at(1).at(0).toString(), QStringLiteral("d: e, f\n"));
}

void tst_HostApiServices::outputChannelRegisteredOnce()
{
    HostApi::FormulaOutputService service;
    HostApi::OutputChannel *first = service.registerChannel(QStringLiteral("x"), QStringLiteral("X"));
    first->append(QStringLiteral("kept\n"));
    HostApi::OutputChannel *again = service.registerChannel(QStringLiteral("x"), QStringLiteral("Y"));
    QCOMPARE(again, first);
    QCOMPARE(again->title(), QStringLiteral("Y"));
    QCOMPARE(again->text(), QStringLiteral("kept\n"));
    QCOMPARE(service.channels().size(), 1);

    LogCapture capture;
    QVERIFY(!service.registerChannel(QString(), QStringLiteral("Z")));
    QCOMPARE(capture.texts("Assert"), QStringList{QStringLiteral("!id.isEmpty()")});
}

void tst_HostApiServices::outputChannelKeepsNewestText()
{
    HostApi::OutputChannel channel(QStringLiteral("x"), QStringLiteral("X"));
    auto line = [](char c) -> QString { return QString(99, QLatin1Char(c)) + QLatin1Char('\n'); };
    const int fitting = HostApi::OutputChannel::MaxTextLength / line('a').size();
    channel.append(line('f'));
    for (int i = 1; i < fitting; ++i)
        channel.append(line('a'));
    QCOMPARE(channel.text().size(), fitting * line('a').size());

    // One more line overflows by less than a line: the whole oldest line goes.
    QSignalSpy appended(&channel, &HostApi::OutputChannel::appended);
    channel.append(line('z'));
    QCOMPARE(appended.count(), 1);
    QCOMPARE(channel.text().size(), fitting * line('a').size());
    QVERIFY(!channel.text().contains(QLatin1Char('f')));
    QVERIFY(channel.text().startsWith(line('a')));
    QVERIFY(channel.text().endsWith(line('a') + line('z')));

    // A single append longer than the limit keeps its end.
    channel.append(QString(HostApi::OutputChannel::MaxTextLength + 10, QLatin1Char('b')));
    QCOMPARE(channel.text(), QString(HostApi::OutputChannel::MaxTextLength, QLatin1Char('b')));
}

// A registered template is found by a document's template id; its flags are a bit mask.
void tst_HostApiServices::docTemplateKeepsValues()
{
    int applied = 0;
    auto *docTemplate = new HostApi::DocTemplate(
        nullptr, "webplugin_sample", QStringLiteral("Sample"), QIcon(), QIcon(),
        HostApi::DocTemplate::SupportRefresh | HostApi::DocTemplate::SupportTrading,
        QStringLiteral("sample"), HostApi::DocTemplate::OpenInSymbolList, {},
        [&applied](Document *, const QString &) { ++applied; }, nullptr, {14, 15}, true);
    HostApi::DocTemplateService service;
    QVERIFY(service.registerTemplate(docTemplate));
    QCOMPARE(service.docTemplate(Document("webplugin_sample").templateId()), docTemplate);
    QCOMPARE(docTemplate->supportFlags(), 0x28);
    QVERIFY(docTemplate->supports(HostApi::DocTemplate::SupportTrading));
    QVERIFY(!docTemplate->supports(HostApi::DocTemplate::SupportPrinting));
    docTemplate->styleTemplateApplier()(nullptr, QString());
    QCOMPARE(applied, 1);
}

void tst_HostApiServices::docTemplateServiceRefuses_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QString>("report");
    QTest::newRow("empty-id") << QByteArray() << QStringLiteral("!docTemplate->id().isEmpty()");
    QTest::newRow("repeated-id") << QByteArray("webplugin_a")
                                 << QStringLiteral("0 == this->docTemplate(docTemplate->id())");
}

void tst_HostApiServices::docTemplateServiceRefuses()
{
    QFETCH(QByteArray, id);
    QFETCH(QString, report);
    HostApi::DocTemplateService service;
    auto make = [](const QByteArray &templateId) {
        return new HostApi::DocTemplate(nullptr, templateId, QString(), QIcon(), QIcon(), 0,
                                        QString(), 0, {}, nullptr, nullptr, {}, false);
    };
    QVERIFY(service.registerTemplate(make("webplugin_a")));
    LogCapture capture;
    QVERIFY(!service.registerTemplate(make(id)));
    QCOMPARE(capture.texts("Assert"), QStringList{report});
    QCOMPARE(service.templates().size(), 1);
}

void tst_HostApiServices::propertyPageRegistryOwnsPages()
{
    QPointer<HostApi::PropertyPage> first;
    QPointer<HostApi::PropertyPage> refused;
    {
        HostApi::PropertyPageRegistry registry;
        first = new EmptyPage;
        QVERIFY(registry.registerPage("webplugin_a_page", first));
        refused = new EmptyPage;
        LogCapture capture;
        QVERIFY(!registry.registerPage("webplugin_a_page", refused));
        QCOMPARE(capture.texts("Assert"), QStringList{QStringLiteral("!m_pages.contains(id)")});
        QVERIFY(refused.isNull());
        QCOMPARE(registry.page("webplugin_a_page"), first.data());
        QCOMPARE(registry.pageIds(), QList<QByteArray>{"webplugin_a_page"});
    }
    QVERIFY(first.isNull());
}

void tst_HostApiServices::favoritesForgetDestroyedDocuments()
{
    HostApi::FavoritesService service;
    QSignalSpy changed(&service, &HostApi::FavoritesService::changed);
    auto *kept = new Document("a");
    auto *gone = new Document("b");
    service.addDocument(kept);
    service.addDocument(gone);
    service.addDocument(kept);
    QCOMPARE(service.documents(), QList<Document *>({kept, gone}));
    delete gone;
    QCOMPARE(service.documents(), QList<Document *>({kept}));
    service.removeDocument(kept);
    QVERIFY(!service.contains(kept));
    QCOMPARE(changed.count(), 4);
    delete kept;
    QCOMPARE(changed.count(), 4);
}

void tst_HostApiServices::themeStyleFollowsTheme()
{
    AppearanceManager *appearance = Application::instance()->appearanceManager();
    const QString previous = appearance->currentTheme();
    QStyle *style = HostApi::ServiceLocator::instance()->service<HostApi::IThemeService>()->style();
    QVERIFY(style);
    appearance->setCurrentTheme(AppearanceManager::WhiteTheme);
    const QRgb white = QRgb(style->styleHint(QStyle::StyleHint(ThemeStyle::BaseColorHint)));
    appearance->setCurrentTheme(AppearanceManager::BlackTheme);
    const QRgb black = QRgb(style->styleHint(QStyle::StyleHint(ThemeStyle::BaseColorHint)));
    appearance->setCurrentTheme(previous);
    QCOMPARE(QColor::fromRgba(white), QColor(Qt::white));
    QVERIFY(QColor::fromRgba(black).lightness() < 64);
}

QTEST_MAIN(tst_HostApiServices)
#include "tst_hostapi_services.moc"

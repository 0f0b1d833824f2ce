#include "scriptdocument.h"

#include "documentstatusconverter.h"
#include "externalurl.h"
#include "scriptcommand.h"
#include "scriptcontext.h"
#include "scriptheader.h"
#include "scriptwidget.h"
#include "signalguard.h"
#include "webinspectorwindow.h"
#include "webpage.h"

#include <bundle/scriptbundle.h>
#include <bundle/scriptnetworkaccessmanager.h>
#include <common/notifier/commonabstractnotifier.h>
#include <common/pluginlogline.h>
#include <plugin/pluginkey.h>
#include <plugin/scriptplugin.h>
#include <properties/scriptpropertycontainer.h>
#include <scriptdatafeed/scriptdatafeed.h>

#include <appearancemanager.h>
#include <application.h>
#include <contextdata.h>
#include <document.h>
#include <featuremanager.h>
#include <hotkey.h>
#include <hotkeyaction.h>
#include <hotkeyhelpers.h>
#include <iconhelpers.h>
#include <ifavoritesservice.h>
#include <interactiveobject.h>
#include <ithemeservice.h>
#include <itradingservice.h>
#include <linkingsignal.h>
#include <logservice.h>
#include <preferences.h>
#include <printer.h>
#include <servicelocator.h>
#include <symboldraganddrop.h>
#include <symbolnormalizer.h>
#include <themestyle.h>

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QMenu>
#include <QNetworkReply>
#include <QStyle>
#include <QWebFrame>
#include <QWebPage>
#include <QWebSettings>
#include <QWebView>

namespace {

const char BridgeName[] = "_quorvex_bridge";
const char OutputSource[] = "bridge";
const char LogCategory[] = "scriptdocument";
const char DeveloperFeature[] = "webplugin.developer";
// Before forwarded console messages of these levels.
const char ErrorPrefix[] = "error: ";
const char WarningPrefix[] = "warning: ";
const char InspectorHotKeyId[] = "showWebInspectorHotKeyId";
const char ForwardHotKeyId[] = "forwardHotKeyId";
const char BackHotKeyId[] = "backHotKeyId";
const char ForwardIcon[] = ":/tessel/images/forward.png";
const char BackIcon[] = ":/tessel/images/back.png";
const char StyleTemplateMenuName[] = "styletemplatemenu";
const char SeparatorName[] = "-";
const char DefaultConnectionsPage[] = "DocumentDefaultConnectionsPage";
const char ObjectsName[] = "objects";
// Context-menu entries of the document go to this place (section) of the host's menu.
constexpr int ContextMenuPlace = 1;

// Script severities 0..4 are the log's levels 1..5; the two lowest obey the category's
// threshold (its low three bits).
constexpr int MinSeverity = 0;
constexpr int MaxSeverity = 4;
constexpr int FilteredLevels = 2;
constexpr int ThresholdMask = 0x7;

// The imitation video-player menu.
const char FakeMenuIdProperty[] = "id";
const char FakeMenuAboutId[] = "about";
const char FakeMenuLicenceId[] = "gnu";
const char FakeMenuProductUrl[] = "http://flowplayer.org";
const char FakeMenuLicenceUrl[] = "https://www.gnu.org/licenses/gpl-3.0.html";

// The built-in actions: script name → the widget's standard hot key.
struct BuiltInAction
{
    const char *name;
    const char *hotKeyId;
};

const BuiltInAction builtInActions[] = {
    {"properties", ActionWidget::PropertiesHotKeyId},
    {"cut", ActionWidget::CutHotKeyId},
    {"copy", ActionWidget::CopyHotKeyId},
    {"paste", ActionWidget::PasteHotKeyId},
    {"selectAll", ActionWidget::SelectAllHotKeyId},
    {"undo", ActionWidget::UndoHotKeyId},
    {"redo", ActionWidget::RedoHotKeyId},
    {"help", ActionWidget::HelpHotKeyId},
    {"refresh", ActionWidget::RefreshHotKeyId},
};

int logCategory()
{
    static const int category = QuorvexServiceApi()->registerCategory(LogCategory);
    return category;
}

void registerQObjectList()
{
    static const int id = qRegisterMetaType<QObjectList>("QObjectList");
    Q_UNUSED(id)
}

} // namespace

ScriptDocument::ScriptDocument(ScriptPlugin *plugin, Document *doc, const ScriptPluginSpec &spec)
    : QObject(doc)
    , m_spec(spec)
    , m_plugin(plugin)
    , m_log(plugin ? plugin->logChannel() : nullptr)
    , m_outputSource(QLatin1String(OutputSource))
    , m_contextData(new ScriptContext(this))
    , m_creationContext(new ScriptContext(this))
    , m_datafeed(new ScriptDatafeed(m_log))
    , m_doc(doc)
{
    installEventFilter(this);
    m_contextData->installEventFilter(this);
    m_creationContext->installEventFilter(this);
    m_datafeed->setParent(this);
    m_datafeed->installEventFilter(this);
    m_datafeed->formatter()->installEventFilter(this);
    m_datafeed->setUsernameSource([]() -> QString { return Preferences::instance()->username(); });
    logCategory();
    initAll();
    registerQObjectList();
    m_doc->setPrintObjectsProvider(this);
}

ScriptDocument::~ScriptDocument()
{
    if (m_doc->printObjectsProvider() == this)
        m_doc->setPrintObjectsProvider(nullptr);
    m_inspector.reset();
    m_inspectorAction.reset();
    m_forwardAction.reset();
    m_backAction.reset();
    delete m_widget;
}

void ScriptDocument::initAll()
{
    initWidget();
    initView();
    initActions();
    initMainMenu();
    initCommands();
    initObjects();
    initHeader();
    m_widget->setScriptDoc(this);

    m_doc->setDocumentWidget(m_widget);
    m_doc->setDocumentHeader(m_header->widget());
    m_doc->setDocumentObject(m_widget);

    if (m_spec.supportFavorites) {
        HostApi::ServiceLocator *locator = HostApi::ServiceLocator::instance();
        if (auto *favorites = locator->service<HostApi::IFavoritesService>())
            favorites->addDocument(m_doc);
    }
    if (m_inspectorAction)
        m_doc->addCaptionBarUserAction(m_inspectorAction.get());
    if (m_spec.supportFlags & ScriptPluginSpec::SupportSymbolLinking) {
        Common::AbstractNotifier::subscribe(m_doc->symbolLinking(), "activated", this,
                                            "onSymbolLinkingChanged");
    }
    if (m_spec.supportSymbolDrop) {
        m_dragAndDrop = new HostApi::SymbolDragAndDrop(this, m_doc, false);
        m_dragAndDrop->addWatchedObject(m_view);
        HOSTAPI_ASSERT(connect(m_dragAndDrop, SIGNAL(dropSymbol(QByteArray)),
                               this, SLOT(onDropSymbol(const QByteArray&))), );
    }
    m_contextData->setSupportOrderPositionMenu(m_spec.supportOrderPositionMenu);
    m_doc->ignoreHibernationEvents(true);
    Document *doc = m_doc;
    HOSTAPI_ASSERT(connect(doc, SIGNAL(activeChanged(bool)),
                           this, SIGNAL(onWindowActiveChanged(bool))), );
    m_view->load(QUrl(m_spec.entry));
}

void ScriptDocument::initWidget()
{
    m_widget = new ScriptWidget(m_doc);
}

void ScriptDocument::initView()
{
    m_view = new QWebView(m_widget);
    auto *page = new WebPage(m_view);
    page->setSupportRedirectToExternalLinks(m_spec.supportRedirectToExternalLinks);
    m_view->setPage(page);
    connect(page, &WebPage::externalLinkRefused, this, [this](const QUrl &url) {
        logLine(tr("failed to open url"), tr("unsupported url: %1").arg(url.toString()));
    });
    connect(page, &WebPage::loadFailed, this, [this](const QUrl &url, const QString &error) {
        const QString name = bundleName(url.toString());
        logLine(tr("failed to load page"), QStringLiteral("%1: %2").arg(name, error));
        showLoadFailure(url.fileName().isEmpty() ? name : url.fileName());
    });

    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    QStyle *style = themeStyle();
    if (style) {
        m_view->setStyle(style);
        if (!m_spec.supportOwnTheme) {
            QPalette palette = m_view->palette();
            const int base = style->styleHint(QStyle::StyleHint(ThemeStyle::BaseColorHint));
            palette.setColor(QPalette::Base, QColor::fromRgba(QRgb(base)));
            m_view->setPalette(palette);
        }
    }

    QWebFrame *frame = page->mainFrame();
    HOSTAPI_ASSERT(connect(frame, SIGNAL(javaScriptWindowObjectCleared()),
                           this, SLOT(repopulateWebView())), );

    auto *manager = new ScriptNetworkAccessManager(page->networkAccessManager(), this,
                                                   m_spec.bundle, m_log);
    manager->setUsernameSource([]() -> QString { return Application::instance()->username(); });
    manager->setPasswordSource([]() -> QString { return Application::instance()->password(); });
    page->setNetworkAccessManager(manager);
    // The bundle serves a missing file as an empty page: a missing entry page is told in the
    // window's status and on the plug-in output.
    connect(manager, &ScriptNetworkAccessManager::servedEmpty, this, [this](const QUrl &url) {
        const QUrl entry(m_spec.entry);
        const QString file = QDir::cleanPath(entry.toLocalFile());
        if (QDir::cleanPath(url.toLocalFile()) != file || !m_spec.bundle
            || m_spec.bundle->exists(file)) {
            return;
        }
        logLine(tr("failed to load page"),
                tr("'%1' is not in the plug-in's bundle").arg(entry.fileName()));
        showLoadFailure(entry.fileName());
    });

    page->setForwardUnsupportedContent(true);
    HOSTAPI_ASSERT(connect(page, SIGNAL(unsupportedContent(QNetworkReply*)),
                           this, SLOT(unsupportedContent(QNetworkReply*))), );
    HOSTAPI_ASSERT(connect(page, SIGNAL(downloadRequested(QNetworkRequest)),
                           this, SLOT(downloadRequested(QNetworkRequest))), );

    QWebSettings *settings = m_view->settings();
    settings->setAttribute(QWebSettings::DeveloperExtrasEnabled, true);
    settings->setAttribute(QWebSettings::PluginsEnabled, true);
    settings->setAttribute(QWebSettings::JavascriptCanAccessClipboard, true);
    settings->setAttribute(QWebSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebSettings::WebSecurityEnabled, !m_spec.disableWebSecurity);

    if (FeatureManager::instance()->isEnabled(QLatin1String(DeveloperFeature))) {
        m_inspectorAction = createAction(InspectorHotKeyId, QString(), this,
                                         SLOT(showWebInspector()));
        connect(page, &QWebPage::consoleMessageReceived, this,
                [this](QWebPage::MessageSource, QWebPage::MessageLevel level, const QString &message,
                       int line, const QString &source) {
                    forwardConsoleMessage(level, message, line, source);
                });
    }
    if (m_spec.supportForwardBack) {
        m_forwardAction = createAction(ForwardHotKeyId, QLatin1String(ForwardIcon), m_view,
                                       SLOT(forward()));
        m_backAction = createAction(BackHotKeyId, QLatin1String(BackIcon), m_view, SLOT(back()));
        HOSTAPI_ASSERT(connect(page->action(QWebPage::Forward), SIGNAL(changed()),
                               this, SLOT(updateWebViewActions())), );
        HOSTAPI_ASSERT(connect(page->action(QWebPage::Back), SIGNAL(changed()),
                               this, SLOT(updateWebViewActions())), );
        updateWebViewActions();
    }

    HOSTAPI_ASSERT(connect(m_view, SIGNAL(loadStarted()), this, SLOT(setViewStarted())), );
    HOSTAPI_ASSERT(connect(m_view, SIGNAL(loadProgress(int)), this, SLOT(setViewProgress(int))), );
    HOSTAPI_ASSERT(connect(m_view, SIGNAL(loadFinished(bool)),
                           this, SLOT(setViewFinished(bool))), );
    HOSTAPI_ASSERT(connect(page, SIGNAL(statusBarMessage(QString)),
                           this, SLOT(setViewStatus(QString))), );
    HOSTAPI_ASSERT(connect(m_doc, SIGNAL(printRequested(HostApi::Printer*)),
                           this, SLOT(printView(HostApi::Printer*))), );
}

std::unique_ptr<HostApi::HotKeyAction> ScriptDocument::createAction(const QByteArray &hotKeyId,
                                                                    const QString &iconPath,
                                                                    QObject *slotObj,
                                                                    const char *slot)
{
    HostApi::HotKeyAction *registered = m_plugin ? m_plugin->hotkey(templateKey(), hotKeyId)
                                                 : nullptr;
    HOSTAPI_ASSERT(0 != registered, return nullptr);
    std::unique_ptr<HostApi::HotKeyAction> action(registered->createAction());
    HOSTAPI_ASSERT(action, return nullptr);
    action->setObjectName(QString::fromLatin1(hotKeyId));
    action->addToWidget(m_widget);
    action->addToToolBar(m_widget->toolBar());
    if (HostApi::HotKey *hotKey = action->hotKey())
        action->setText(hotKey->text());
    if (!iconPath.isEmpty())
        action->setIcon(HostApi::buildIconWithStates(iconPath, iconPath, QString(), QString()));
    HOSTAPI_ASSERT(QObject::connect(action.get(), SIGNAL(triggered(bool)), slotObj, slot), );
    return action;
}

void ScriptDocument::initActions()
{
    HOSTAPI_ASSERT(m_actions.isEmpty(), );
    for (const BuiltInAction &builtIn : builtInActions)
        registerAction(QLatin1String(builtIn.name), m_widget->hotKeyAction(builtIn.hotKeyId));
    if (m_spec.supportForwardBack) {
        registerAction(QStringLiteral("forward"), m_forwardAction.get());
        registerAction(QStringLiteral("back"), m_backAction.get());
    }
    const QByteArray parent = templateKey();
    for (const ActionSpec &spec : qAsConst(m_spec.actions)) {
        HostApi::HotKey *hotkey = HostApi::widgetChildHotKey(spec.id.toUtf8(), parent);
        HOSTAPI_ASSERT(0 != hotkey, continue);
        HostApi::HotKeyAction *action = hotkey->createAction(this);
        action->setAutoToolTip(true);
        action->setText(spec.name);
        action->setIcon(m_spec.icon(spec.icon));
        action->addToWidget(m_widget);
        action->addToToolBar(m_widget->toolBar());
        action->setObjectName(spec.id);
        if (spec.isCheckable)
            action->setCheckable(true);
        // A refused action would only add a second, unreachable shortcut beside the first.
        if (!registerAction(spec.id, action))
            delete action;
    }
}

bool ScriptDocument::registerAction(const QString &name, HostApi::HotKeyAction *action)
{
    if (m_actions.contains(name)) {
        logLine(tr("failed to create action"), tr("action '%1' already existed").arg(name));
        return false;
    }
    HOSTAPI_ASSERT(0 != action, return false);
    ActionEntry entry;
    entry.hotkey = action;
    m_actions.insert(name, entry);
    return true;
}

void ScriptDocument::registerStyleTemplateMenu(QAction *menuAction)
{
    ActionEntry &a = m_actions[QLatin1String(StyleTemplateMenuName)];
    a.qaction = menuAction;
    HOSTAPI_ASSERT(0 != a.qaction, );
    if (m_mainMenuActions.contains(QLatin1String(StyleTemplateMenuName)))
        rebuildMainMenu();
}

void ScriptDocument::initMainMenu()
{
    HOSTAPI_ASSERT(0 == m_mainMenu, return);
    m_mainMenu = new QMenu(m_spec.name, m_widget);
    m_mainMenu->setIcon(m_spec.icon(m_spec.mainMenuIconName.isEmpty() ? m_spec.iconName
                                                                      : m_spec.mainMenuIconName));
    rebuildMainMenu();
}

void ScriptDocument::rebuildMainMenu()
{
    if (m_mainMenuActions.isEmpty() || !m_mainMenu) {
        m_doc->setMainMenu(nullptr);
        return;
    }
    m_mainMenu->clear();
    buildMainMenu(m_mainMenu, m_mainMenuActions);
    m_doc->setMainMenu(m_mainMenu);
}

void ScriptDocument::buildMainMenu(QMenu *menu, const QStringList &names)
{
    HOSTAPI_ASSERT(0 != menu, return);
    for (const QString &name : names) {
        if (name == QLatin1String(SeparatorName)) {
            menu->addSeparator();
            continue;
        }
        const ActionEntry *entry = menuEntry(name);
        if (!entry)
            continue;
        if (entry->hotkey)
            entry->hotkey->addToWidget(menu);
        if (entry->qaction)
            menu->addAction(entry->qaction);
    }
}

const ScriptDocument::ActionEntry *ScriptDocument::findAction(const QString &name) const
{
    const auto it = m_actions.constFind(name);
    return it == m_actions.constEnd() ? nullptr : &it.value();
}

const ScriptDocument::ActionEntry *ScriptDocument::menuEntry(const QString &name)
{
    const ActionEntry *entry = findAction(name);
    if (!entry)
        logLine(tr("error building menu"), tr("action %1 is not defined").arg(name));
    return entry;
}

ContextMenuActionList ScriptDocument::buildContextMenu()
{
    ContextMenuActionList list;
    for (const QString &name : qAsConst(m_contextMenuActions)) {
        if (name == QLatin1String(SeparatorName)) {
            list.append(ContextMenuAction::separator(ContextMenuPlace));
            continue;
        }
        const ActionEntry *entry = menuEntry(name);
        if (!entry)
            continue;
        if (entry->hotkey)
            entry->hotkey->addToContextMenuActionList(list, ContextMenuPlace);
        if (entry->qaction)
            list.append(ContextMenuAction(entry->qaction, false, ContextMenuPlace));
    }
    return list;
}

void ScriptDocument::initCommands()
{
    HOSTAPI_ASSERT(m_commands.isEmpty(), );
    for (const CommandSpec &spec : qAsConst(m_spec.commands)) {
        auto *command = new ScriptCommand(spec.id, spec.undoText, spec.bind, this);
        command->installEventFilter(this);
        m_commands.append(command);
    }
}

// The property tree "objects" of the manifest's "objects", a child of the widget. Pages may
// not delete any of its objects.
void ScriptDocument::initObjects()
{
    m_objects = ScriptPropertyContainer::createObjects(QLatin1String(ObjectsName),
                                                       m_spec.objects, m_log);
    m_objects->setParent(m_widget);
    m_objects->installEventFilter(this);
    for (QObject *object : m_objects->findChildren<QObject *>())
        object->installEventFilter(this);
}

// Pages may not delete the header or its controls.
void ScriptDocument::initHeader()
{
    m_header = new ScriptHeader(m_widget, this);
    m_header->installEventFilter(this);
    for (QObject *control : m_header->controls())
        control->installEventFilter(this);
}

void ScriptDocument::initFakeContextMenu()
{
    m_fakeMenu = new QMenu(m_widget);
    const auto addItem = [this](const QString &text, bool enabled, const char *id) {
        QAction *action = m_fakeMenu->addAction(text);
        action->setEnabled(enabled);
        if (id)
            action->setProperty(FakeMenuIdProperty, QLatin1String(id));
        HOSTAPI_ASSERT(connect(action, SIGNAL(triggered()),
                               this, SLOT(handleTriggeredMenuAction())), );
    };
    addItem(QStringLiteral("About Flowplayer free version 3.2.18..."), true, FakeMenuAboutId);
    m_fakeMenu->addSeparator();
    addItem(QStringLiteral("Free version for non-commercial use"), false, nullptr);
    addItem(QStringLiteral("Flowplayer comes without any warranty"), false, nullptr);
    addItem(QStringLiteral("GNU GENERAL PUBLIC LICENCE..."), true, FakeMenuLicenceId);
}

void ScriptDocument::appendScriptObject(const QString &name, QObject *object)
{
    HOSTAPI_ASSERT(!name.isEmpty(), );
    if (m_view)
        m_view->page()->mainFrame()->addToJavaScriptWindowObject(name, object);
}

void ScriptDocument::initPropertyPages(InteractiveObject *object)
{
    HOSTAPI_ASSERT(0 != object, return);
    object->setPageTitle(m_spec.name);
    for (const PropertyPageSpec &page : qAsConst(m_spec.propertyPages))
        object->addPropertyPage(pluginKey(m_spec.id, page.id, QStringLiteral("_")));
    if ((m_doc->templateFlags() & ScriptPluginSpec::SupportDefaultConnections)
        && HostApi::ServiceLocator::instance()->hasService<Trade::ITradingService>()) {
        object->addPropertyPage(DefaultConnectionsPage);
    }
    m_objects->attach(object);
}

void ScriptDocument::setCreationContext(const ContextData &context)
{
    if (!m_creationContext)
        m_creationContext = new ScriptContext(this);
    m_creationContext->fromContextData(context);
}

void ScriptDocument::writeContextData(ContextData *context)
{
    HOSTAPI_ASSERT(0 != context, return);
    m_contextData->clear();
    emit initContextData(m_contextData);
    m_contextData->toContextData(context, m_doc);
}

ContextMenuActionList ScriptDocument::contextMenuFor(const ContextData &context)
{
    m_contextData->fromContextData(context);
    emit initContextMenu(m_contextData);
    return buildContextMenu();
}

void ScriptDocument::setMainMenuActions(const QStringList &names)
{
    m_mainMenuActions = names;
    rebuildMainMenu();
}

template <typename Value>
Value ScriptDocument::guardedOnFirstRead(const char *property, const Value &value) const
{
    if (m_view && m_unguardedMembers.removeOne(property)) {
        SignalGuard::guardMember(m_view->page()->mainFrame(), QLatin1String(BridgeName),
                                 property, value);
    }
    return value;
}

QObjectList ScriptDocument::actions() const
{
    QObjectList list;
    for (const ActionEntry &entry : m_actions) {
        if (entry.hotkey)
            list.append(entry.hotkey);
        else if (entry.qaction)
            list.append(entry.qaction);
    }
    return guardedOnFirstRead("actions", list);
}

QObjectList ScriptDocument::commands() const
{
    return guardedOnFirstRead("commands", m_commands);
}

QObject *ScriptDocument::header() const
{
    return guardedOnFirstRead("header", static_cast<QObject *>(m_header));
}

QObject *ScriptDocument::datafeed() const
{
    return guardedOnFirstRead("datafeed", static_cast<QObject *>(m_datafeed));
}

QObject *ScriptDocument::objects() const
{
    return guardedOnFirstRead("objects", static_cast<QObject *>(m_objects));
}

bool ScriptDocument::isWindowActive() const
{
    return m_doc->isActive();
}

QString ScriptDocument::apiVersion() const
{
    return QStringLiteral("%1.%2").arg(ApiMajor).arg(ApiMinor);
}

QString ScriptDocument::pluginVersion() const
{
    return QStringLiteral("%1.%2").arg(m_spec.version.majorVersion())
        .arg(m_spec.version.minorVersion());
}

QString ScriptDocument::theme() const
{
    return Application::instance()->appearanceManager()->currentTheme();
}

QString ScriptDocument::readyStatus() const
{
    return DocumentStatusConverter::toString(m_doc->status());
}

void ScriptDocument::setReadyStatus(const QString &status)
{
    int value = 0;
    if (!DocumentStatusConverter::fromString(status, &value)) {
        logLine(tr("'setReadyStatus' failed"), tr("wrong status: %1").arg(status));
        return;
    }
    m_doc->setStatus(value);
}

QString ScriptDocument::readyStatusText() const
{
    return m_doc->statusText();
}

void ScriptDocument::setReadyStatusText(const QString &text)
{
    m_doc->setStatusText(text);
}

QString ScriptDocument::documentDesc() const
{
    return m_doc->description();
}

void ScriptDocument::setDocumentDesc(const QString &description)
{
    m_doc->setDescription(description);
    m_doc->setTaskBarTitleWrapper(description);
}

QString ScriptDocument::windowTitle() const
{
    return m_doc->title();
}

void ScriptDocument::setWindowTitle(const QString &title)
{
    m_doc->setTitle(title);
}

bool ScriptDocument::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::DeferredDelete)
        return false;
    QString name = watched->objectName();
    if (watched == this)
        name = QLatin1String(BridgeName);
    else if (qobject_cast<ScriptContext *>(watched))
        name = QStringLiteral("context");
    else if (watched == m_header)
        name = QStringLiteral("header");
    else if (watched == m_datafeed)
        name = QStringLiteral("datafeed");
    else if (watched == m_datafeed->formatter())
        name = QStringLiteral("formatter");
    logLine(tr("failed to delete object"), tr("'%1' belongs to the document").arg(name));
    return true;
}

QList<QWidget *> ScriptDocument::printObjects() const
{
    return {};
}

HostApi::PrintOptions ScriptDocument::printOptions() const
{
    HostApi::PrintOptions options;
    options.printTitle = true;
    options.fitToPage = true;
    options.background = Qt::white;
    return options;
}

ScriptWidget *ScriptDocument::widget() const
{
    return m_widget;
}

ScriptHeader *ScriptDocument::scriptHeader() const
{
    return m_header;
}

QWebView *ScriptDocument::view() const
{
    return m_view;
}

QByteArray ScriptDocument::templateKey() const
{
    return pluginKey(m_spec.id);
}

void ScriptDocument::widgetDestroyed()
{
    m_inspector.reset();
    delete m_view;
    m_doc->setMainMenu(nullptr);
    m_mainMenu = nullptr;
    m_fakeMenu = nullptr;
}

void ScriptDocument::showWebInspector()
{
    if (!m_view)
        return;
    if (!m_inspector) {
        m_inspector.reset(new WebInspectorWindow(m_view->page(), themeStyle()));
        if (m_plugin)
            m_plugin->registerDialog(m_inspector.get());
    }
    m_inspector->show();
}

void ScriptDocument::setSymbolLinking(QString symbol)
{
    LinkingSignal *linking = m_doc->symbolLinking();
    if (!symbol.isEmpty() && linking)
        linking->activate(symbol.toUtf8(), true);
}

void ScriptDocument::notifyContextChanged()
{
    if (m_widget)
        m_widget->contextChanged();
}

void ScriptDocument::outScriptErr(QString e)
{
    pluginLogLine(m_log, m_spec.id, e, QString());
}

void ScriptDocument::outScriptWarn(QString e)
{
    outScriptErr(e);
}

bool ScriptDocument::isFeatureEnabled(QString feature)
{
    const QByteArray key = pluginKey(m_spec.id, feature, QStringLiteral("."));
    return FeatureManager::instance()->isEnabled(QString::fromUtf8(key));
}

bool ScriptDocument::isFeatureQuorvexApp(QString)
{
    return m_spec.isQuorvexApp;
}

QString ScriptDocument::translateSymbol(QString symbol)
{
    return QString::fromUtf8(FeedApi::SymbolNormalizer::normalize(symbol.toUtf8()));
}

QObject *ScriptDocument::takeCreationContext()
{
    QObject *context = m_creationContext;
    m_creationContext = nullptr;
    return context;
}

// Only web and mail addresses go outside: other schemes could start programs or expose files.
void ScriptDocument::openUrl(QString url)
{
    const QUrl target(url);
    if (!isExternallyOpenable(target)) {
        logLine(tr("failed to open url"), tr("unsupported url: %1").arg(url));
        return;
    }
    Application::instance()->openUrl(target);
}

void ScriptDocument::log(QString text, int severity)
{
    if (severity < MinSeverity || severity > MaxSeverity)
        return;
    const int level = severity + 1;
    HostApi::LogService *service = QuorvexServiceApi();
    const int category = logCategory();
    if (level <= FilteredLevels) {
        const int threshold = service->threshold(category);
        if (threshold < 0 || (threshold & ThresholdMask) > level)
            return;
    }
    service->write(category, level, __FILE__, __LINE__, Q_FUNC_INFO, text);
}

void ScriptDocument::log(QString text)
{
    log(text, 1);
}

void ScriptDocument::showFakeMenu(int x, int y)
{
    if (!m_widget)
        return;
    if (!m_fakeMenu)
        initFakeContextMenu();
    m_fakeMenu->exec(QPoint(x, y));
}

void ScriptDocument::handleTriggeredMenuAction()
{
    auto *action = qobject_cast<QAction *>(sender());
    HOSTAPI_ASSERT(action, return);
    const QString id = action->property(FakeMenuIdProperty).toString();
    if (id == QLatin1String(FakeMenuLicenceId))
        Application::instance()->openUrl(QUrl(QLatin1String(FakeMenuLicenceUrl)));
    else if (id == QLatin1String(FakeMenuAboutId))
        Application::instance()->openUrl(QUrl(QLatin1String(FakeMenuProductUrl)));
}

// The status is cleared first: a reload may report a missing page before it returns.
void ScriptDocument::refresh()
{
    m_doc->setStatus(Document::StatusNone);
    m_doc->setStatusText(QString());
    if (m_view)
        m_view->reload();
}

void ScriptDocument::onSymbolLinkingChanged(const QByteArray &symbol)
{
    emit symbolLinkingChanged(QString::fromUtf8(symbol));
}

void ScriptDocument::repopulateWebView()
{
    m_datafeed->clearAll();
    appendScriptObject(QLatin1String(BridgeName), this);
    if (!m_view)
        return;
    SignalGuard::install(m_view->page()->mainFrame(), QLatin1String(BridgeName), this);
    m_unguardedMembers = {"actions", "commands", "header", "datafeed", "objects"};
}

void ScriptDocument::updateWebViewActions()
{
    if (!m_spec.supportForwardBack || !m_view)
        return;
    if (m_forwardAction)
        m_forwardAction->setEnabled(m_view->page()->action(QWebPage::Forward)->isEnabled());
    if (m_backAction)
        m_backAction->setEnabled(m_view->page()->action(QWebPage::Back)->isEnabled());
}

// Nothing is downloaded: the reply is stopped and released, so a large file does not keep
// streaming into memory.
void ScriptDocument::unsupportedContent(QNetworkReply *reply)
{
    HOSTAPI_ASSERT(0 != reply, return);
    logLine(tr("unsupported content"),
            tr("resource wasn't loaded: %1").arg(reply->url().toString()));
    reply->abort();
    reply->deleteLater();
}

void ScriptDocument::downloadRequested(const QNetworkRequest &request)
{
    logLine(tr("unsupported content"),
            tr("resource wasn't loaded: %1").arg(request.url().toString()));
}

void ScriptDocument::setViewStatus(const QString &)
{
}

void ScriptDocument::setViewStarted()
{
    m_doc->setStatusAvailable(true);
    m_doc->setInProgress(true);
}

void ScriptDocument::setViewProgress(int progress)
{
    m_doc->setProgressText(tr("%1% completed").arg(progress));
}

void ScriptDocument::setViewFinished(bool)
{
    m_doc->setInProgress(false);
}

void ScriptDocument::printView(HostApi::Printer *printer)
{
    HOSTAPI_ASSERT(0 != printer, return);
    if (m_view)
        m_view->page()->mainFrame()->print(printer);
}

void ScriptDocument::onDropSymbol(const QByteArray &symbol)
{
    emit symbolDrop(QStringList(QString::fromUtf8(symbol)));
}

// "<id>: [error: |warning: ]<message>, <file>:<line>": console output and uncaught errors of
// the page's scripts, for the plug-in's author.
void ScriptDocument::forwardConsoleMessage(int level, const QString &message, int line,
                                           const QString &source) const
{
    QString text = message;
    if (level == QWebPage::ErrorMessageLevel)
        text.prepend(QLatin1String(ErrorPrefix));
    else if (level == QWebPage::WarningMessageLevel)
        text.prepend(QLatin1String(WarningPrefix));
    // Scripts that are not the page's own, run by the host or the inspector, have no place.
    QString place = tr("unknown place");
    if (!source.isEmpty())
        place = line > 0 ? QStringLiteral("%1:%2").arg(bundleName(source)).arg(line) : bundleName(source);
    pluginLogLine(m_log, m_spec.id, text, place);
}

QString ScriptDocument::bundleName(const QString &url) const
{
    const QUrl parsed(url);
    if (!m_spec.bundle || !parsed.isLocalFile())
        return url;
    const QString root = QDir::cleanPath(m_spec.bundle->path()) + QLatin1Char('/');
    const QString path = QDir::cleanPath(parsed.toLocalFile());
    return path.startsWith(root) ? path.mid(root.size()) : url;
}

void ScriptDocument::showLoadFailure(const QString &page)
{
    m_doc->setStatusAvailable(true);
    m_doc->setStatus(Document::StatusError);
    m_doc->setStatusText(tr("The page %1 could not be loaded").arg(page));
}

QStyle *ScriptDocument::themeStyle() const
{
    auto *themes = HostApi::ServiceLocator::instance()->service<HostApi::IThemeService>();
    return themes ? themes->style() : nullptr;
}

void ScriptDocument::logLine(const QString &message, const QString &detail) const
{
    pluginLogLine(m_log, m_outputSource, message, detail);
}

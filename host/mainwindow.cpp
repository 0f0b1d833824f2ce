#include "mainwindow.h"

#include "documentwindow.h"
#include "outputdock.h"
#include "pluginmenu.h"
#include "propertydialog.h"
#include "settingsdialog.h"
#include "updatestatus.h"

#include <actionwidget.h>
#include <appearancemanager.h>
#include <application.h>
#include <contextdata.h>
#include <contextmenu.h>
#include <doctemplate.h>
#include <document.h>
#include <hotkeyaction.h>
#include <idoctemplateservice.h>
#include <interactiveobject.h>
#include <iplugin.h>
#include <iprintobjectsprovider.h>
#include <logservice.h>
#include <outputchannel.h>
#include <printer.h>
#include <servicelocator.h>

#include <QActionGroup>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QScreen>
#include <QStatusBar>
#include <QUndoGroup>
#include <QUndoStack>

namespace {

constexpr int StatusMessageTimeout = 10000;
constexpr int OutputDockHeight = 120;
// The share of the screen a window without a saved geometry takes.
constexpr double UnplacedScreenShare = 0.85;

// The standard actions of document widgets that the Edit menu offers.
const struct { const char *hotKeyId; const char *text; QKeySequence::StandardKey key; } standardActions[] = {
    {ActionWidget::CutHotKeyId, QT_TRANSLATE_NOOP("MainWindow", "Cu&t"), QKeySequence::Cut},
    {ActionWidget::CopyHotKeyId, QT_TRANSLATE_NOOP("MainWindow", "&Copy"), QKeySequence::Copy},
    {ActionWidget::PasteHotKeyId, QT_TRANSLATE_NOOP("MainWindow", "&Paste"), QKeySequence::Paste},
    {ActionWidget::SelectAllHotKeyId, QT_TRANSLATE_NOOP("MainWindow", "Select &All"), QKeySequence::SelectAll},
    {nullptr, nullptr, QKeySequence::UnknownKey},
    {ActionWidget::RefreshHotKeyId, QT_TRANSLATE_NOOP("MainWindow", "&Refresh"), QKeySequence::Refresh},
};

// A menu text showing the key of a shortcut that the document widget itself owns: the host's
// action must not take the same key, or neither would fire.
QString withKeyText(const QString &text, QKeySequence::StandardKey key)
{
    const QString keyText = QKeySequence(key).toString(QKeySequence::NativeText);
    return keyText.isEmpty() ? text : text + QLatin1Char('\t') + keyText;
}

void logWarning(const QString &text)
{
    static const int category = QuorvexServiceApi()->registerCategory("TesselHost");
    QuorvexServiceApi()->write(category, 3, __FILE__, __LINE__, Q_FUNC_INFO, text);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_area(new QMdiArea(this))
    , m_outputDock(new OutputDock(this))
    , m_pluginMenu(new PluginMenu(this))
    , m_undoGroup(new QUndoGroup(this))
    , m_updateStatus(new UpdateStatus(this))
    , m_statusLabel(new QLabel(this))
    , m_contextLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(tr("Tessel Host"));
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_area);
    addDockWidget(Qt::BottomDockWidgetArea, m_outputDock);
    resizeDocks({m_outputDock}, {OutputDockHeight}, Qt::Vertical);
    // Status texts come from pages: never rich text.
    m_statusLabel->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(m_statusLabel, 1);
    m_contextLabel->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(m_contextLabel);
    HostApi::ContextMenu::instance()->setHostEntries(
        [this](const ContextData &context) { return openInEntries(context); });

    createMenus();
    connect(m_area, &QMdiArea::subWindowActivated, this, &MainWindow::activate);
    connect(m_pluginMenu, &PluginMenu::openRequested, this, &MainWindow::openFromMenu);
    connect(m_updateStatus, &UpdateStatus::progressed, this, [this](const QString &text) {
        statusBar()->showMessage(text);
    });
    connect(m_updateStatus, &UpdateStatus::finished, this, &MainWindow::showUpdatesFinished);
    connect(m_undoGroup, &QUndoGroup::canUndoChanged, this, &MainWindow::updateEditActions);
    connect(m_undoGroup, &QUndoGroup::canRedoChanged, this, &MainWindow::updateEditActions);
    connect(m_undoGroup, &QUndoGroup::undoTextChanged, this, &MainWindow::updateEditActions);
    connect(m_undoGroup, &QUndoGroup::redoTextChanged, this, &MainWindow::updateEditActions);
    connect(Application::instance(), &Application::urlOpenRequested, this,
            [](const QUrl &url) { QDesktopServices::openUrl(url); });
    updateEditActions();
}

MainWindow::~MainWindow()
{
    HostApi::ContextMenu::instance()->setHostEntries({});
    Application::instance()->setActiveDocument(nullptr);
    // Documents go before the window's menus and dock, which they may refer to.
    qDeleteAll(documentWindows());
}

void MainWindow::setUp(HostApi::OutputChannel *channel)
{
    m_pluginMenu->rebuild();
    m_outputDock->setChannel(channel);
}

void MainWindow::followUpdates(QObject *pluginInstance)
{
    QObject *updater = UpdateStatus::findUpdater(pluginInstance);
    if (updater && !m_updateStatus->follow(updater)) {
        logWarning(tr("The web plug-in updater of %1 lacks the signals progressChanged(int,int) "
                      "and finished(): its run is not shown")
                       .arg(QString::fromLatin1(pluginInstance->metaObject()->className())));
    }
}

DocumentWindow *MainWindow::openDocument(const QByteArray &templateId, QString *error)
{
    auto *templates = HostApi::ServiceLocator::instance()->service<HostApi::IDocTemplateService>();
    HostApi::DocTemplate *docTemplate = templates ? templates->docTemplate(templateId) : nullptr;
    if (!docTemplate || !docTemplate->plugin()) {
        if (error)
            *error = tr("no plug-in '%1' is installed").arg(QString::fromUtf8(templateId));
        return nullptr;
    }

    auto *document = new Document(docTemplate->id(), docTemplate->supportFlags());
    // The title a window has until its page gives it one.
    document->setTitle(docTemplate->name());
    const int result = docTemplate->plugin()->initDocument(document);
    if (result != HostApi::IPlugin::DocumentCreated) {
        delete document;
        if (error) {
            *error = tr("plug-in '%1' refused to open a document (result %2)")
                         .arg(docTemplate->name()).arg(result);
        }
        return nullptr;
    }

    auto *window = new DocumentWindow(document, docTemplate);
    m_area->addSubWindow(window);
    trackUndoStack(window);
    connect(window, &DocumentWindow::statusLineChanged, this, [this, window](const QString &line) {
        if (window == m_active)
            showStatus(line);
    });
    connect(window, &DocumentWindow::propertiesRequested, this, [this, window] { showProperties(window); });
    connect(window, &DocumentWindow::ready, this, [this, window] {
        if (window == m_active)
            updateContextLine();
    });
    if (auto *widget = qobject_cast<ActionWidget *>(document->documentWidget())) {
        QPointer<DocumentWindow> guard(window);
        widget->setContextChangeHandler([this, guard] {
            if (guard && guard == m_active)
                updateContextLine();
        });
    }
    connect(document, &AbstractDocument::mainMenuChanged, this, [this, window] {
        if (window == m_active)
            showDocumentMenu(window);
    });
    window->show();
    m_area->setActiveSubWindow(window);
    activate(window);
    return window;
}

QList<DocumentWindow *> MainWindow::documentWindows() const
{
    QList<DocumentWindow *> windows;
    for (QMdiSubWindow *subWindow : m_area->subWindowList(QMdiArea::StackingOrder)) {
        if (auto *window = qobject_cast<DocumentWindow *>(subWindow))
            windows.append(window);
    }
    return windows;
}

DocumentWindow *MainWindow::activeDocumentWindow() const
{
    return qobject_cast<DocumentWindow *>(m_area->currentSubWindow());
}

Workspace MainWindow::workspace() const
{
    Workspace workspace;
    workspace.windowGeometry = saveGeometry();
    workspace.windowState = saveState();
    const DocumentWindow *active = activeDocumentWindow();
    for (const DocumentWindow *window : documentWindows()) {
        WorkspaceDocument document;
        document.templateId = window->templateId();
        document.title = window->document()->title();
        document.geometry = window->normalGeometry();
        if (window->isMinimized())
            document.state = WorkspaceDocument::WindowState::Minimized;
        else if (window->isMaximized())
            document.state = WorkspaceDocument::WindowState::Maximized;
        document.linkGroup = window->linkGroup();
        if (const InteractiveObject *object = window->document()->documentObject())
            document.properties = object->objectToJson().toMap();
        if (window == active)
            workspace.activeDocument = workspace.documents.size();
        workspace.documents.append(document);
    }
    return workspace;
}

QStringList MainWindow::restoreWorkspace(const Workspace &workspace)
{
    if (!workspace.windowGeometry.isEmpty())
        restoreGeometry(workspace.windowGeometry);
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(screen->availableSize() * UnplacedScreenShare);
    if (!workspace.windowState.isEmpty())
        restoreState(workspace.windowState);

    QStringList notRestored;
    DocumentWindow *active = nullptr;
    bool tile = false;
    for (int i = 0; i < workspace.documents.size(); ++i) {
        const WorkspaceDocument &saved = workspace.documents.at(i);
        QString error;
        DocumentWindow *window = openDocument(saved.templateId, &error);
        if (!window) {
            const QString message = tr("Not restored: %1").arg(error);
            logWarning(message);
            statusBar()->showMessage(message, StatusMessageTimeout);
            notRestored.append(message);
            continue;
        }
        if (!saved.title.isEmpty())
            window->document()->setTitle(saved.title);
        // Values that do not fit the plug-in's properties are skipped and logged.
        if (InteractiveObject *object = window->document()->documentObject(); object && !saved.properties.isEmpty())
            object->objectFromJson(saved.properties, 0);
        if (saved.geometry.isNull())
            tile = true;
        else
            window->setGeometry(saved.geometry);
        window->setLinkGroup(saved.linkGroup);
        if (saved.state == WorkspaceDocument::WindowState::Maximized)
            window->showMaximized();
        else if (saved.state == WorkspaceDocument::WindowState::Minimized)
            window->showMinimized();
        if (i == workspace.activeDocument)
            active = window;
    }
    // The document area keeps tiled windows tiled as it is resized, until one is moved.
    if (tile)
        m_area->tileSubWindows();
    if (active) {
        m_area->setActiveSubWindow(active);
        activate(active);
    }
    return notRestored;
}

void MainWindow::showProperties(DocumentWindow *window)
{
    if (!window || !PropertyDialog::hasPages(window->document()))
        return;
    PropertyDialog dialog(window->document(), this);
    dialog.exec();
}

void MainWindow::showMessage(const QString &text)
{
    statusBar()->showMessage(text, StatusMessageTimeout);
}

QString MainWindow::statusLine() const
{
    return m_statusLabel->text();
}

QString MainWindow::contextLine() const
{
    return m_contextLabel->text();
}

ContextMenuActionList MainWindow::openInEntries(const ContextData &context)
{
    // After the document's own entries.
    constexpr int Place = 10;
    ContextMenuActionList entries;
    if (!context.hasSymbolContext() && !context.hasSymbolListContext())
        return entries;
    auto *templates = HostApi::ServiceLocator::instance()->service<HostApi::IDocTemplateService>();
    if (!templates)
        return entries;
    for (HostApi::DocTemplate *docTemplate : templates->templates()) {
        if (!docTemplate->plugin() || !docTemplate->supports(HostApi::DocTemplate::SupportSymbolLinking))
            continue;
        if (entries.isEmpty())
            entries.append(ContextMenuAction::separator(Place));
        auto *action = new QAction(docTemplate->icon(), tr("Open in %1").arg(docTemplate->name()), nullptr);
        const QByteArray id = docTemplate->id();
        ContextData target = context;
        target.setDocument(nullptr);
        connect(action, &QAction::triggered, this, [this, id, target] { openWithContext(id, target); });
        entries.append(ContextMenuAction(action, true, Place));
    }
    return entries;
}

void MainWindow::openWithContext(const QByteArray &templateId, const ContextData &context)
{
    QString error;
    DocumentWindow *window = openDocument(templateId, &error);
    if (!window) {
        statusBar()->showMessage(error, StatusMessageTimeout);
        return;
    }
    ContextData creation = context;
    creation.setDocument(window->document());
    auto *templates = HostApi::ServiceLocator::instance()->service<HostApi::IDocTemplateService>();
    if (HostApi::DocTemplate *docTemplate = templates ? templates->docTemplate(templateId) : nullptr)
        docTemplate->plugin()->applyContext(window->document(), &creation);
}

void MainWindow::updateContextLine()
{
    auto *widget = m_active ? qobject_cast<ActionWidget *>(m_active->document()->documentWidget()) : nullptr;
    QString line;
    if (widget) {
        ContextData context;
        widget->fillContextData(&context);
        if (context.hasSymbolContext()) {
            line = tr("Symbol: %1").arg(QString::fromUtf8(context.symbol()));
        } else if (context.hasSymbolListContext()) {
            const SymbolListContext list = context.symbolList();
            line = tr("List: %1 (%n symbols)", nullptr, list.symbols.size()).arg(list.title);
        }
    }
    m_contextLabel->setText(line);
}

void MainWindow::createMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Settings..."), this, &MainWindow::showSettings);
    m_printAction = file->addAction(tr("&Print..."), this, &MainWindow::print);
    file->addSeparator();
    file->addAction(tr("&Quit"), this, &QWidget::close, QKeySequence::Quit);

    createEditMenu();
    createViewMenu();
    menuBar()->addMenu(m_pluginMenu);
    createWindowMenu();

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About Tessel Host"), this, &MainWindow::showAbout);
}

void MainWindow::createEditMenu()
{
    m_editMenu = menuBar()->addMenu(tr("&Edit"));
    m_undoAction = m_editMenu->addAction(tr("&Undo"), m_undoGroup, &QUndoGroup::undo);
    m_redoAction = m_editMenu->addAction(tr("&Redo"), m_undoGroup, &QUndoGroup::redo);
    m_editMenu->addSeparator();
    for (const auto &standard : standardActions) {
        if (!standard.hotKeyId) {
            m_editMenu->addSeparator();
            continue;
        }
        const QByteArray id(standard.hotKeyId);
        QAction *action = m_editMenu->addAction(
            withKeyText(tr(standard.text), standard.key), this, [this, id] { triggerStandardAction(id); });
        action->setData(id);
        m_standardActions.append(action);
    }
}

void MainWindow::createViewMenu()
{
    QMenu *view = menuBar()->addMenu(tr("&View"));
    QMenu *theme = view->addMenu(tr("&Theme"));
    auto *themes = new QActionGroup(this);
    AppearanceManager *appearance = Application::instance()->appearanceManager();
    const struct { const QString &name; const char *text; } choices[] = {
        {AppearanceManager::BlackTheme, QT_TR_NOOP("&Black")},
        {AppearanceManager::WhiteTheme, QT_TR_NOOP("&White")},
    };
    for (const auto &choice : choices) {
        QAction *action = theme->addAction(tr(choice.text));
        action->setCheckable(true);
        action->setData(choice.name);
        action->setChecked(appearance->currentTheme() == choice.name);
        themes->addAction(action);
        const QString name = choice.name;
        connect(action, &QAction::triggered, appearance, [appearance, name] {
            appearance->setCurrentTheme(name);
        });
    }
    connect(appearance, &AppearanceManager::currentThemeChanged, themes, [themes](const QString &name) {
        for (QAction *action : themes->actions())
            action->setChecked(action->data().toString() == name);
    });
    view->addSeparator();
    view->addAction(m_outputDock->toggleViewAction());
}

void MainWindow::createWindowMenu()
{
    m_windowMenu = menuBar()->addMenu(tr("&Window"));
    m_windowMenu->addAction(tr("&Cascade"), m_area, &QMdiArea::cascadeSubWindows);
    m_windowMenu->addAction(tr("&Tile"), m_area, &QMdiArea::tileSubWindows);
    m_windowMenu->addSeparator();
    m_propertiesAction = m_windowMenu->addAction(tr("&Properties..."), this, [this] {
        showProperties(activeDocumentWindow());
    });
    m_windowMenu->addSeparator();
    m_windowMenu->addAction(tr("Cl&ose"), m_area, &QMdiArea::closeActiveSubWindow);
    m_windowMenu->addAction(tr("Close &All"), m_area, &QMdiArea::closeAllSubWindows);
}

void MainWindow::openFromMenu(const QByteArray &templateId)
{
    QString error;
    if (!openDocument(templateId, &error))
        statusBar()->showMessage(error, StatusMessageTimeout);
}

void MainWindow::activate(QMdiSubWindow *subWindow)
{
    auto *activated = qobject_cast<DocumentWindow *>(subWindow);
    for (DocumentWindow *window : documentWindows())
        window->document()->setActive(window == activated);

    DocumentWindow *current = activated ? activated : activeDocumentWindow();
    if (current && current == m_active)
        return;
    m_active = current;
    Document *document = current ? current->document() : nullptr;
    m_undoGroup->setActiveStack(document ? document->undoStack() : nullptr);
    Application::instance()->setActiveDocument(document);
    showDocumentMenu(current);
    updateContextLine();
    showStatus(current ? current->statusLine() : QString());
    updateEditActions();
}

void MainWindow::trackUndoStack(DocumentWindow *window)
{
    auto add = [this, window] {
        QUndoStack *stack = window->document()->undoStack();
        if (!stack)
            return;
        m_undoGroup->addStack(stack);
        if (window == m_active)
            m_undoGroup->setActiveStack(stack);
    };
    connect(window->document(), &Document::documentObjectChanged, this, add);
    add();
}

void MainWindow::triggerStandardAction(const QByteArray &hotKeyId)
{
    DocumentWindow *window = activeDocumentWindow();
    auto *widget = window ? qobject_cast<ActionWidget *>(window->document()->documentWidget()) : nullptr;
    if (QAction *action = widget ? widget->hotKeyAction(hotKeyId) : nullptr)
        action->trigger();
}

void MainWindow::updateEditActions()
{
    m_undoAction->setEnabled(m_undoGroup->canUndo());
    m_undoAction->setText(withKeyText(m_undoGroup->canUndo()
                                          ? tr("&Undo %1").arg(m_undoGroup->undoText())
                                          : tr("&Undo"),
                                      QKeySequence::Undo));
    m_redoAction->setEnabled(m_undoGroup->canRedo());
    m_redoAction->setText(withKeyText(m_undoGroup->canRedo()
                                          ? tr("&Redo %1").arg(m_undoGroup->redoText())
                                          : tr("&Redo"),
                                      QKeySequence::Redo));

    DocumentWindow *window = m_active;
    auto *widget = window ? qobject_cast<ActionWidget *>(window->document()->documentWidget()) : nullptr;
    for (QAction *action : qAsConst(m_standardActions))
        action->setEnabled(widget && widget->hotKeyAction(action->data().toByteArray()));
    m_printAction->setEnabled(window != nullptr);
    m_propertiesAction->setEnabled(window && PropertyDialog::hasPages(window->document()));
}

void MainWindow::showDocumentMenu(DocumentWindow *window)
{
    if (m_documentMenuAction)
        menuBar()->removeAction(m_documentMenuAction);
    m_documentMenuAction = nullptr;
    QMenu *menu = window ? window->document()->mainMenu() : nullptr;
    if (menu)
        m_documentMenuAction = menuBar()->insertMenu(m_windowMenu->menuAction(), menu);
}

void MainWindow::showStatus(const QString &line)
{
    m_statusLabel->setText(line);
}

void MainWindow::showUpdatesFinished(const QString &text)
{
    statusBar()->showMessage(text, StatusMessageTimeout);
    // The status bar's message goes; the output keeps it.
    if (HostApi::OutputChannel *channel = m_outputDock->channel())
        channel->append(text + QLatin1Char('\n'));
}

void MainWindow::showSettings()
{
    SettingsDialog dialog(this);
    dialog.exec();
}

void MainWindow::print()
{
    DocumentWindow *window = activeDocumentWindow();
    if (!window)
        return;
    Document *document = window->document();
    const HostApi::IPrintObjectsProvider *provider = document->printObjectsProvider();
    HostApi::Printer printer(provider ? provider->printOptions() : HostApi::PrintOptions());
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        document->print(&printer);
}

void MainWindow::showAbout()
{
    QMessageBox::about(this, tr("About Tessel Host"),
                       tr("<p><b>Tessel Host</b></p><p>The reference host application of the "
                          "tessel module: it opens web plug-ins as document windows.</p>"));
}

#include "pluginbase.h"

#include "logservice.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace HostApi {

PluginBase::PluginBase(const QByteArray &pluginId, QObject *parent)
    : QObject(parent)
    , m_pluginId(pluginId)
{
    setObjectName(QString::fromUtf8(pluginId));
}

PluginBase::~PluginBase()
{
    termResources();
}

void PluginBase::registerDialog(QWidget *dialog)
{
    HOSTAPI_ASSERT(dialog, return);
    m_dialogs.append(dialog);
}

void PluginBase::init()
{
    initResources();
    m_initialized = true;
}

void PluginBase::term()
{
    hidePluginDialogs();
    termResources();
    m_initialized = false;
}

// The base plug-in has no document templates, so every document is refused.
int PluginBase::initDocument(Document *doc)
{
    HOSTAPI_ASSERT(0 != doc, return DocumentRefused);
    return DocumentRefused;
}

void PluginBase::setContext(ContextData *context)
{
    m_context = context ? *context : ContextData();
}

void PluginBase::resetContext()
{
    m_context.clear();
}

ContextMenuActionList PluginBase::pluginContextMenuActions(ContextData *context)
{
    Q_UNUSED(context)
    return ContextMenuActionList();
}

// The base plug-in creates no documents, so no document of it can take a context.
void PluginBase::applyContext(Document *doc, ContextData *context)
{
    Q_UNUSED(doc)
    HOSTAPI_ASSERT(0 != context, return);
}

QObjectList PluginBase::feedapiCustomHandlers()
{
    return QObjectList();
}

QStringList PluginBase::customBackupCategories()
{
    return QStringList();
}

bool PluginBase::canTerm()
{
    return true;
}

void PluginBase::hidePluginDialogs()
{
    m_dialogs.removeAll(QPointer<QWidget>());
    for (const QPointer<QWidget> &dialog : qAsConst(m_dialogs))
        dialog->hide();
}

void PluginBase::initResources()
{
    if (m_translator || !QCoreApplication::instance())
        return;
    const QString name = QString::fromUtf8(m_pluginId);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(), name, QStringLiteral("_"),
                          QLatin1String(":/") + name + QLatin1String("/translations")))
        return;
    QCoreApplication::installTranslator(translator.get());
    m_translator = std::move(translator);
}

void PluginBase::termResources()
{
    if (!m_translator)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::removeTranslator(m_translator.get());
    m_translator.reset();
}

} // namespace HostApi

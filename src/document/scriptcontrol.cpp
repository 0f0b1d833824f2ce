#include "scriptcontrol.h"

#include "scriptdocument.h"

#include <common/pluginlogline.h>

#include <logservice.h>

#include <QIcon>
#include <QWidget>

namespace {

const char OutputSource[] = "header";

} // namespace

ScriptControl::ScriptControl(QObject *parent)
    : QObject(parent)
{
}

ScriptControl::~ScriptControl() = default;

void ScriptControl::setWidget(QWidget *widget)
{
    HOSTAPI_ASSERT(0 == m_widget, );
    HOSTAPI_ASSERT(0 != widget, );
    m_widget = widget;
}

void ScriptControl::logLine(ScriptDocument *doc, const QString &message, const QString &detail)
{
    pluginLogLine(doc ? doc->logChannel() : nullptr, QLatin1String(OutputSource), message,
                  detail);
}

QIcon ScriptControl::icon(ScriptDocument *doc, const QString &name)
{
    if (name.isEmpty() || !doc)
        return QIcon();
    if (!doc->spec().icons.contains(name)) {
        logLine(doc, tr("can't find icon"), tr("icon '%1' is not defined").arg(name));
        return QIcon();
    }
    return doc->spec().icon(name);
}

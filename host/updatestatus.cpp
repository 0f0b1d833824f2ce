#include "updatestatus.h"

#include <QVariant>

UpdateStatus::UpdateStatus(QObject *parent)
    : QObject(parent)
{
}

QObject *UpdateStatus::findUpdater(QObject *pluginInstance)
{
    return pluginInstance ? pluginInstance->findChild<QObject *>(QLatin1String(UpdaterName)) : nullptr;
}

bool UpdateStatus::follow(QObject *updater)
{
    if (m_updater)
        m_updater->disconnect(this);
    m_updater = nullptr;
    if (!updater)
        return false;
    if (!connect(updater, SIGNAL(progressChanged(int,int)), this, SLOT(onProgressChanged(int,int))))
        return false;
    if (!connect(updater, SIGNAL(finished()), this, SLOT(onFinished()))) {
        updater->disconnect(this);
        return false;
    }
    m_updater = updater;
    return true;
}

QString UpdateStatus::progressText(int done, int total)
{
    return tr("Updating web plug-ins: %1 of %2").arg(done).arg(total);
}

QString UpdateStatus::finishedText(const QString &summary, bool changedFiles)
{
    if (summary.isEmpty())
        return tr("Web plug-ins: the update has ended");
    const QString text = tr("Web plug-ins: %1").arg(summary);
    if (!changedFiles)
        return text;
    return tr("%1. Updated web plug-ins take effect at the next start.").arg(text);
}

void UpdateStatus::onProgressChanged(int done, int total)
{
    emit progressed(progressText(done, total));
}

void UpdateStatus::onFinished()
{
    if (!m_updater)
        return;
    emit finished(finishedText(m_updater->property("summary").toString(),
                               m_updater->property("changedFiles").toBool()));
}

#include "devsession.h"

#include "documentwindow.h"
#include "mainwindow.h"
#include "templatelookup.h"

#include <actionwidget.h>
#include <doctemplate.h>
#include <document.h>
#include <hotkeyaction.h>
#include <outputchannel.h>

#include <QDir>
#include <QDirIterator>
#include <QSet>

namespace {

const char outputSource[] = "dev: ";
const char backupSuffix[] = "~";

} // namespace

DevSession::DevSession(const QString &folder, const DevManifest &manifest, MainWindow *window,
                       HostApi::OutputChannel *channel, QObject *parent)
    : QObject(parent)
    , m_folder(QDir(folder).absolutePath())
    , m_manifest(manifest)
    , m_window(window)
    , m_channel(channel)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(QuietMilliseconds);
    connect(&m_quiet, &QTimer::timeout, this, &DevSession::review);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_quiet, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_quiet, qOverload<>(&QTimer::start));
}

void DevSession::start()
{
    m_snapshot = scan();
    watch(m_snapshot);
}

void DevSession::say(const QString &text)
{
    if (m_channel)
        m_channel->append(QLatin1String(outputSource) + text + QLatin1Char('\n'));
    m_window->showMessage(text);
}

DevSession::Snapshot DevSession::scan() const
{
    Snapshot snapshot;
    const QDir root(m_folder);
    // Hidden entries (".git", editors' swap files) are neither listed nor entered.
    QDirIterator it(m_folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.fileName().endsWith(QLatin1String(backupSuffix)))
            continue;
        QString name = root.relativeFilePath(info.filePath());
        if (info.isDir())
            name += QLatin1Char('/');
        snapshot.insert(name, FileState{info.isDir() ? 0 : info.size(), info.lastModified()});
    }
    return snapshot;
}

// Watches the folder and what snapshot holds, as far as the limit goes; a file that was
// replaced (as editors save) is watched again.
void DevSession::watch(const Snapshot &snapshot)
{
    QStringList paths{m_folder};
    QStringList names = snapshot.keys();
    names.sort();
    for (const QString &name : qAsConst(names))
        paths.append(QDir::cleanPath(QDir(m_folder).filePath(name)));
    if (paths.size() > MaxWatchedPaths) {
        paths = paths.mid(0, MaxWatchedPaths);
        if (!m_limitSaid) {
            say(tr("%1 holds more than %2 files and folders; changes to the others are not seen")
                    .arg(m_folder).arg(MaxWatchedPaths));
            m_limitSaid = true;
        }
    }
    const QStringList watchedList = m_watcher.files() + m_watcher.directories();
    const QSet<QString> watched(watchedList.cbegin(), watchedList.cend());
    QStringList added;
    for (const QString &path : qAsConst(paths)) {
        if (!watched.contains(path))
            added.append(path);
    }
    if (!added.isEmpty())
        m_watcher.addPaths(added);
}

void DevSession::review()
{
    const Snapshot now = scan();
    QStringList changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (!it.key().endsWith(QLatin1Char('/')) && !(m_snapshot.value(it.key()) == it.value()))
            changed.append(it.key());
    }
    for (auto it = m_snapshot.cbegin(); it != m_snapshot.cend(); ++it) {
        if (!it.key().endsWith(QLatin1Char('/')) && !now.contains(it.key()))
            changed.append(it.key());
    }
    m_snapshot = now;
    watch(now);
    if (changed.isEmpty())
        return;
    changed.sort();
    if (changed.contains(QLatin1String(DevManifest::FileName)))
        reviewManifest();
    else
        reloadWindows(changed);
}

void DevSession::reloadWindows(const QStringList &changed)
{
    const HostApi::DocTemplate *docTemplate = findDocTemplate(m_manifest.id());
    int reloaded = 0;
    for (DocumentWindow *window : m_window->documentWindows()) {
        if (!docTemplate || window->templateId() != docTemplate->id())
            continue;
        auto *widget = qobject_cast<ActionWidget *>(window->document()->documentWidget());
        if (QAction *refresh = widget ? widget->hotKeyAction(ActionWidget::RefreshHotKeyId) : nullptr) {
            refresh->trigger();
            ++reloaded;
        }
    }
    const QString files = changed.join(QLatin1String(", "));
    if (reloaded == 0)
        say(tr("no window of %1 to reload, changed: %2").arg(m_manifest.id(), files));
    else if (reloaded == 1)
        say(tr("reloaded the window of %1, changed: %2").arg(m_manifest.id(), files));
    else
        say(tr("reloaded %1 windows of %2, changed: %3").arg(reloaded).arg(m_manifest.id(), files));
}

void DevSession::reviewManifest()
{
    DevManifest changed;
    QString error;
    if (!changed.read(DevManifest::tesselPath(), m_folder, &error)) {
        say(tr("the manifest of %1 was not loaded again, %2").arg(m_manifest.id(), error));
        return;
    }
    const QStringList changes = DevManifest::changes(m_manifest.object(), changed.object());
    if (changes.isEmpty()) {
        say(tr("the manifest of %1 was saved, nothing the module reads changed").arg(m_manifest.id()));
        return;
    }
    m_manifest = changed;
    emit restartRequested(tr("restarted for the new manifest of %1, %2")
                              .arg(m_manifest.id(), changes.join(QLatin1String("; "))));
}

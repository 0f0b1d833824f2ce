#pragma once

#include "devmanifest.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

class MainWindow;

namespace HostApi {
class OutputChannel;
}

// The host's --dev run of a plug-in folder: watches the folder's files (hidden ones and
// backups ending in "~" aside) and, once they have been quiet for QuietMilliseconds, reloads
// the plug-in's windows when page files changed. A changed manifest is read again: when what
// the module reads differs, restartRequested() asks for a new run of the host, which alone
// registers the plug-in anew; a manifest that cannot be read leaves the running plug-in as it
// is. Each event is said as a "Plugin Output" line "dev: ..." and in the status bar.
class DevSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int QuietMilliseconds = 300;
    // Files and folders watched at most; a larger folder is watched in part, which is said.
    static constexpr int MaxWatchedPaths = 4096;

    // manifest: the folder's manifest as the plug-in was started with it. Neither window nor
    // channel is owned; channel may be null.
    DevSession(const QString &folder, const DevManifest &manifest, MainWindow *window,
               HostApi::OutputChannel *channel, QObject *parent = nullptr);

    // Starts watching the folder.
    void start();
    // Says text as "dev: text" on the output and, without the source, in the status bar.
    void say(const QString &text);

signals:
    // The manifest changed in what the module reads; summary says how.
    void restartRequested(const QString &summary);

private:
    struct FileState
    {
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const FileState &other) const
        {
            return size == other.size && modified == other.modified;
        }
    };
    using Snapshot = QHash<QString, FileState>;

    // The folder's files by name relative to it; folders also (with a "/" at the end).
    Snapshot scan() const;
    void watch(const Snapshot &snapshot);
    void review();
    void reloadWindows(const QStringList &changed);
    void reviewManifest();

    QString m_folder;
    DevManifest m_manifest;
    MainWindow *m_window;
    QPointer<HostApi::OutputChannel> m_channel;
    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    Snapshot m_snapshot;
    bool m_limitSaid = false;
};

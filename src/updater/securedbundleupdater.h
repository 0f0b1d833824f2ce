#pragma once

#include "updatetable.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace Tessel {
namespace Updater {

// Brings one secured bundle of the plug-in folder in step with its entry of the update
// table: keeps it when its digest matches, downloads it when it is missing or different,
// removes it when no build covers the application's version. Emits finished() exactly once
// per process(), whatever the outcome. A download replaces the file atomically and only
// when its digests match, so a failed or interrupted download keeps the old file whole.
class SecuredBundleUpdater : public QObject
{
    Q_OBJECT

public:
    enum Outcome { Pending, Kept, Downloaded, Removed, Failed };
    Q_ENUM(Outcome)

    static constexpr qint64 MaxDownloadSize = 256 * 1024 * 1024;
    // Milliseconds a download may go without receiving data, and in all.
    static constexpr int DefaultStallTimeout = 60 * 1000;
    static constexpr int DefaultTimeLimit = 15 * 60 * 1000;

    explicit SecuredBundleUpdater(QObject *parent = nullptr);
    ~SecuredBundleUpdater() override;

    void setTimeouts(int stallTimeout, int timeLimit);

    void process(const QString &pluginFolder, const QString &updateServer,
                 const PluginEntry &entry);
    Outcome outcome() const { return m_outcome; }

signals:
    void finished();

private slots:
    void onReplyFinished(QNetworkReply *reply);

private:
    void checkForUpdate(const QString &url);
    void download(const QString &url);
    void writePlugin(const QByteArray &content);
    void removePlugin(const QString &pluginFolder, const QString &fileName);
    // Refuses the running download with one line naming the reason.
    void refuseDownload(QNetworkReply *reply, const QString &reason);
    void finish(Outcome outcome);

    QNetworkAccessManager *m_manager;
    QString m_localPath;
    QByteArray m_expectedMd5;
    QByteArray m_expectedSha256;
    QTimer *m_timeLimit;
    QTimer *m_stall;
    QString m_refusal;
    Outcome m_outcome = Pending;
};

} // namespace Updater
} // namespace Tessel

#pragma once

#include "updatetable.h"

#include <requesterptr.h>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

namespace FeedApi {
class ErrorResponse;
class Requester;
}

namespace Tessel {
namespace Updater {

class EncryptedContentResponse;
class SecuredBundleUpdater;

// Keeps the secured bundles of the plug-in folder in step with the table of published web
// plug-ins ("webplugins.ctab") that the data service delivers: one plug-in at a time, each
// with its own SecuredBundleUpdater. Files it writes take effect at the next start.
class TesselUpdater : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString summary READ summary)
    Q_PROPERTY(bool changedFiles READ hasChangedFiles)

public:
    enum Status { Idle, Running, Finished, TableUnavailable, TableInvalid };
    Q_ENUM(Status)

    static constexpr const char *TableName = "webplugins.ctab";

    explicit TesselUpdater(const QString &pluginFolder, QObject *parent = nullptr);
    ~TesselUpdater() override;

    QString pluginFolder() const { return m_pluginFolder; }
    // Download limits handed to each bundle updater (see SecuredBundleUpdater::setTimeouts).
    void setDownloadTimeouts(int stallTimeout, int timeLimit);

    // Fetches the table and processes it; a running run is not restarted.
    void start();

    Status status() const { return m_status; }
    // Plug-ins of the table processed so far, and in all.
    int done() const { return m_done; }
    int total() const { return m_total; }
    int count(int outcome) const;
    // One line on the run: "1 downloaded, 0 removed, 3 kept, 0 failed", or why it ended.
    QString summary() const;
    // Whether the run downloaded or removed a bundle (which takes effect at the next start).
    bool hasChangedFiles() const;

signals:
    // A plug-in of the table was processed.
    void progressChanged(int done, int total);
    // The run ended: every plug-in processed, or the table was unavailable or invalid.
    void finished();

private slots:
    void tryToStartPluginUpdate();

private:
    void onError(FeedApi::Requester *requester, const FeedApi::ErrorResponse &error);
    void onData(FeedApi::Requester *requester, const EncryptedContentResponse &response);
    void end(Status status);

    QString m_pluginFolder;
    QString m_updateServer;
    FeedApi::RequesterPtr m_requester;
    QList<PluginEntry> m_queue;
    QPointer<SecuredBundleUpdater> m_current;

    int m_stallTimeout;
    int m_timeLimit;
    Status m_status = Idle;
    QString m_reason;
    int m_done = 0;
    int m_total = 0;
    QList<int> m_counts;
};

} // namespace Updater
} // namespace Tessel

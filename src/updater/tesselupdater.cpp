#include "tesselupdater.h"

#include "encryptedcontentrequest.h"
#include "encryptedcontentresponse.h"
#include "securedbundleupdater.h"
#include "common/jsonparser.h"
#include "common/jsonparserexception.h"

#include <application.h>
#include <errorresponse.h>
#include <logservice.h>
#include <requester.h>

namespace Tessel {
namespace Updater {

namespace {

constexpr int ProgressLevel = 2;
constexpr int FailureLevel = 3;

void log(int level, const QString &text)
{
    HostApi::LogService *service = QuorvexServiceApi();
    static const int category = service->registerCategory("Tessel.TesselUpdater");
    service->write(category, level, __FILE__, __LINE__, Q_FUNC_INFO, text);
}

} // namespace

TesselUpdater::TesselUpdater(const QString &pluginFolder, QObject *parent)
    : QObject(parent)
    , m_pluginFolder(pluginFolder)
    , m_stallTimeout(SecuredBundleUpdater::DefaultStallTimeout)
    , m_timeLimit(SecuredBundleUpdater::DefaultTimeLimit)
{
    EncryptedContentRequest::registeredType();
}

TesselUpdater::~TesselUpdater() = default;

void TesselUpdater::setDownloadTimeouts(int stallTimeout, int timeLimit)
{
    m_stallTimeout = stallTimeout;
    m_timeLimit = timeLimit;
}

void TesselUpdater::start()
{
    if (m_status == Running)
        return;
    m_status = Running;
    m_reason.clear();
    m_queue.clear();
    m_done = 0;
    m_total = 0;
    m_counts = QList<int>{0, 0, 0, 0, 0};

    log(ProgressLevel, QStringLiteral("Sending request for tab file content"));
    auto *requester = new FeedApi::Requester(EncryptedContentRequest(TableName));
    requester->bind(this, &TesselUpdater::onError);
    requester->bind(this, &TesselUpdater::onData);
    m_requester.reset(requester);
    requester->start();
}

int TesselUpdater::count(int outcome) const
{
    return m_counts.value(outcome);
}

QString TesselUpdater::summary() const
{
    switch (m_status) {
    case Idle:
        return tr("not run");
    case TableUnavailable:
        return tr("the update table could not be loaded (%1)").arg(m_reason);
    case TableInvalid:
        return tr("the update table is invalid (%1)").arg(m_reason);
    case Running:
    case Finished:
        break;
    }
    return tr("%1 downloaded, %2 removed, %3 kept, %4 failed")
        .arg(count(SecuredBundleUpdater::Downloaded))
        .arg(count(SecuredBundleUpdater::Removed))
        .arg(count(SecuredBundleUpdater::Kept))
        .arg(count(SecuredBundleUpdater::Failed));
}

bool TesselUpdater::hasChangedFiles() const
{
    return count(SecuredBundleUpdater::Downloaded) + count(SecuredBundleUpdater::Removed) > 0;
}

void TesselUpdater::onError(FeedApi::Requester *, const FeedApi::ErrorResponse &error)
{
    m_requester.reset();
    log(FailureLevel, QLatin1String("Could not load web plugins config.")
                          + QLatin1String(" error=") + QString::number(error.error())
                          + QLatin1String(" errorSource=") + error.source()
                          + QLatin1String(" errorClass=") + QString::number(error.eclass()));
    m_reason = tr("error %1 from %2").arg(error.error()).arg(error.source());
    end(TableUnavailable);
}

void TesselUpdater::onData(FeedApi::Requester *, const EncryptedContentResponse &response)
{
    m_requester.reset();
    log(ProgressLevel, QStringLiteral("Web plugins info received"));
    UpdateTable table;
    QString error;
    try {
        UpdateTable::read(Common::JsonParser::parse(response.content()), &table, &error);
    } catch (const Common::JsonParserException &exception) {
        error = QString::fromUtf8(exception.what());
    }
    if (!error.isEmpty()) {
        log(FailureLevel, QStringLiteral("Web plugins updates structure is invalid"));
        log(FailureLevel, QLatin1String("Update table: ") + error);
        m_reason = error;
        end(TableInvalid);
        return;
    }
    m_updateServer = table.updateServer;
    m_queue = table.plugins;
    m_total = m_queue.size();
    emit progressChanged(0, m_total);
    tryToStartPluginUpdate();
}

void TesselUpdater::tryToStartPluginUpdate()
{
    if (m_current) {
        const int outcome = m_current->outcome();
        if (outcome >= 0 && outcome < m_counts.size())
            ++m_counts[outcome];
        m_current->deleteLater();
        m_current = nullptr;
        emit progressChanged(++m_done, m_total);
    }
    if (m_status != Running)
        return;
    if (m_queue.isEmpty()) {
        end(Finished);
        return;
    }
    m_current = new SecuredBundleUpdater(this);
    m_current->setTimeouts(m_stallTimeout, m_timeLimit);
    // Queued, so that a table of plug-ins that are all current does not recurse.
    const bool connected = connect(m_current, &SecuredBundleUpdater::finished, this,
                                   &TesselUpdater::tryToStartPluginUpdate, Qt::QueuedConnection);
    HOSTAPI_ASSERT(connected, return);
    m_current->process(m_pluginFolder, m_updateServer, m_queue.takeFirst());
}

void TesselUpdater::end(Status status)
{
    m_status = status;
    emit finished();
}

} // namespace Updater
} // namespace Tessel

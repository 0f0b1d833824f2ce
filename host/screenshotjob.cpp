#include "screenshotjob.h"

#include "documentwindow.h"
#include "mainwindow.h"
#include "propertydialog.h"
#include "templatelookup.h"

#include <doctemplate.h>
#include <document.h>

#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QPixmap>

namespace {

const char webPluginPrefix[] = "webplugin_";

} // namespace

ScreenshotJob::ScreenshotJob(MainWindow *window, int timeoutSeconds, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_timeoutSeconds(timeoutSeconds)
{
    m_timeout.setSingleShot(true);
    m_settle.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &ScreenshotJob::timeOut);
    connect(&m_settle, &QTimer::timeout, this, &ScreenshotJob::capture);
}

void ScreenshotJob::setDocument(const QString &openId, const QString &fileName)
{
    m_openId = openId;
    m_fileName = fileName;
    m_folder.clear();
    m_workspace = Workspace();
}

void ScreenshotJob::setWorkspace(const Workspace &workspace, const QString &openId, const QString &folder)
{
    m_openId = openId;
    m_fileName.clear();
    m_folder = folder;
    m_workspace = workspace;
    m_workspace.windowGeometry.clear();
}

QString ScreenshotJob::fileNameFor(const QString &folder, const QByteArray &templateId, QStringList &taken)
{
    QString id = QString::fromUtf8(templateId);
    if (id.size() > int(sizeof(webPluginPrefix)) - 1 && id.startsWith(QLatin1String(webPluginPrefix)))
        id.remove(0, int(sizeof(webPluginPrefix)) - 1);
    for (QChar &c : id) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('.') && c != QLatin1Char('-')
            && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    QString name = id;
    for (int repeat = 2; taken.contains(name); ++repeat)
        name = id + QLatin1Char('-') + QString::number(repeat);
    taken.append(name);
    return QDir(folder).filePath(name + QLatin1String(".png"));
}

void ScreenshotJob::start()
{
    if (!m_folder.isEmpty()) {
        if (!QDir().mkpath(m_folder)) {
            finish(1, tr("cannot create the folder %1").arg(m_folder));
            return;
        }
        const QStringList notRestored = m_window->restoreWorkspace(m_workspace);
        if (!notRestored.isEmpty()) {
            finish(1, notRestored.first());
            return;
        }
    }
    m_window->resize(WindowWidth, WindowHeight);
    m_window->show();

    QStringList taken;
    for (DocumentWindow *window : m_window->documentWindows()) {
        const QString name = QString::fromUtf8(window->templateId());
        addShot(window, name, fileNameFor(m_folder, window->templateId(), taken));
    }
    if (!m_openId.isEmpty()) {
        DocumentWindow *window = openDocument();
        if (!window)
            return;
        addShot(window, m_openId,
                m_folder.isEmpty() ? m_fileName : fileNameFor(m_folder, window->templateId(), taken));
    }
    if (m_shots.isEmpty()) {
        finish(1, tr("the workspace has no windows"));
        return;
    }
    m_timeout.start(m_timeoutSeconds * 1000);
    checkSettled();
}

// Opens m_openId; null, once finished with the reason, when it cannot.
DocumentWindow *ScreenshotJob::openDocument()
{
    const HostApi::DocTemplate *docTemplate = findDocTemplate(m_openId);
    if (!docTemplate) {
        finish(1, tr("no plug-in '%1' is installed").arg(m_openId));
        return nullptr;
    }
    QString error;
    DocumentWindow *window = m_window->openDocument(docTemplate->id(), &error);
    if (!window) {
        finish(1, error);
        return nullptr;
    }
    if (!window->document()->documentWidget()) {
        finish(1, tr("plug-in '%1' shows no content").arg(m_openId));
        return nullptr;
    }
    return window;
}

void ScreenshotJob::addShot(DocumentWindow *window, const QString &name, const QString &fileName)
{
    m_shots.append(Shot{window, name, fileName});
    connect(window, &DocumentWindow::ready, this, &ScreenshotJob::checkSettled);
    connect(window->document(), &Document::statusChanged, this, &ScreenshotJob::checkSettled);
    connect(window, &QObject::destroyed, this, [this, name] {
        finish(1, tr("the window of '%1' was closed").arg(name));
    });
}

// Loaded, and not reporting that it is still initializing.
bool ScreenshotJob::isSettled(const Shot &shot) const
{
    return shot.window && shot.window->isReady()
        && shot.window->document()->status() != Document::StatusInitializing;
}

// Why shot is not settled.
QString ScreenshotJob::waitReason(const Shot &shot) const
{
    const Document *document = shot.window->document();
    if (!shot.window->isReady()) {
        if (!document->isInProgress())
            return tr("its page did not start loading");
        return document->progressText().isEmpty()
            ? tr("its page is still loading")
            : tr("its page is still loading (%1)").arg(document->progressText());
    }
    return document->statusText().isEmpty()
        ? tr("its page still reports \"initializing\"")
        : tr("its page still reports \"initializing\": %1").arg(document->statusText());
}

// Takes the windows as they are, then fails with the first one that is not settled.
void ScreenshotJob::timeOut()
{
    if (m_current >= 0 || m_finished)
        return;
    for (const Shot &shot : qAsConst(m_shots)) {
        if (!isSettled(shot)) {
            m_failure = tr("timed out after %1 s waiting for '%2': %3")
                            .arg(m_timeoutSeconds).arg(shot.name, waitReason(shot));
            break;
        }
    }
    m_current = 0;
    present();
}

void ScreenshotJob::checkSettled()
{
    if (m_current >= 0 || m_finished)
        return;
    for (const Shot &shot : qAsConst(m_shots)) {
        if (!isSettled(shot))
            return;
    }
    m_current = 0;
    present();
}

void ScreenshotJob::present()
{
    const Shot &shot = m_shots.at(m_current);
    DocumentWindow *window = shot.window;
    window->showMaximized();
    m_window->documentArea()->setActiveSubWindow(window);
    if (m_properties) {
        if (!PropertyDialog::hasPages(window->document())) {
            finish(1, tr("plug-in '%1' has no property pages").arg(shot.name));
            return;
        }
        m_dialog = new PropertyDialog(window->document(), m_window);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        m_dialog->show();
    }
    m_settle.start(SettleMilliseconds);
}

void ScreenshotJob::capture()
{
    const Shot &shot = m_shots.at(m_current);
    QWidget *shown = m_dialog ? static_cast<QWidget *>(m_dialog) : m_window;
    const QImage image = shown->grab().toImage();
    if (image.isNull()) {
        finish(1, tr("cannot capture the window"));
        return;
    }
    if (!image.save(shot.fileName, "PNG")) {
        finish(1, tr("cannot write %1").arg(shot.fileName));
        return;
    }
    const Document *document = shot.window->document();
    if (m_failure.isEmpty() && document->status() == Document::StatusError) {
        m_failure = document->statusText().isEmpty()
            ? tr("'%1' shows an error").arg(shot.name)
            : tr("'%1' shows an error: %2").arg(shot.name, document->statusText());
    }
    if (++m_current < m_shots.size())
        present();
    else
        finish(m_failure.isEmpty() ? 0 : 1, m_failure);
}

void ScreenshotJob::finish(int exitCode, const QString &error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timeout.stop();
    m_settle.stop();
    if (m_dialog)
        m_dialog->close();
    emit finished(exitCode, error);
}

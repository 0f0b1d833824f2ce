#include "screenshotjob.h"

#include "documentwindow.h"
#include "mainwindow.h"
#include "templatelookup.h"

#include <doctemplate.h>
#include <document.h>

#include <QImage>
#include <QPixmap>

ScreenshotJob::ScreenshotJob(MainWindow *window, const QString &openId, const QString &fileName,
                             int timeoutSeconds, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_openId(openId)
    , m_fileName(fileName)
    , m_timeoutSeconds(timeoutSeconds)
{
    m_timeout.setSingleShot(true);
    m_settle.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        finish(1, tr("timed out after %1 s waiting for '%2' to load").arg(m_timeoutSeconds).arg(m_openId));
    });
    connect(&m_settle, &QTimer::timeout, this, &ScreenshotJob::capture);
}

void ScreenshotJob::start()
{
    const HostApi::DocTemplate *docTemplate = findDocTemplate(m_openId);
    if (!docTemplate) {
        finish(1, tr("no plug-in '%1' is installed").arg(m_openId));
        return;
    }
    m_window->resize(WindowWidth, WindowHeight);
    m_window->show();
    QString error;
    m_document = m_window->openDocument(docTemplate->id(), &error);
    if (!m_document) {
        finish(1, error);
        return;
    }
    if (!m_document->document()->documentWidget()) {
        finish(1, tr("plug-in '%1' shows no content").arg(m_openId));
        return;
    }
    m_document->showMaximized();
    connect(m_document, &DocumentWindow::ready, &m_settle, [this] { m_settle.start(SettleMilliseconds); });
    connect(m_document, &QObject::destroyed, this, [this] {
        finish(1, tr("the window of '%1' was closed").arg(m_openId));
    });
    m_timeout.start(m_timeoutSeconds * 1000);
    if (m_document->isReady())
        m_settle.start(SettleMilliseconds);
}

void ScreenshotJob::capture()
{
    const QImage image = m_window->grab().toImage();
    if (image.isNull()) {
        finish(1, tr("cannot capture the window"));
        return;
    }
    if (!image.save(m_fileName, "PNG")) {
        finish(1, tr("cannot write %1").arg(m_fileName));
        return;
    }
    finish(0, QString());
}

void ScreenshotJob::finish(int exitCode, const QString &error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timeout.stop();
    m_settle.stop();
    emit finished(exitCode, error);
}

#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QTimer>

class DocumentWindow;
class MainWindow;

// The host's headless run: opens one plug-in in the main window, waits until its page reports
// ready or has finished loading, and writes the main window as a PNG file.
class ScreenshotJob : public QObject
{
    Q_OBJECT

public:
    // Time given to the last layout and paint once the page is ready.
    static constexpr int SettleMilliseconds = 200;
    static constexpr int WindowWidth = 1024;
    static constexpr int WindowHeight = 768;

    ScreenshotJob(MainWindow *window, const QString &openId, const QString &fileName,
                  int timeoutSeconds, QObject *parent = nullptr);

    void start();

signals:
    // Once: exit code 0 with an empty error, or 1 with the reason.
    void finished(int exitCode, const QString &error);

private:
    void capture();
    void finish(int exitCode, const QString &error);

    MainWindow *m_window;
    QString m_openId;
    QString m_fileName;
    int m_timeoutSeconds;
    QPointer<DocumentWindow> m_document;
    QTimer m_timeout;
    QTimer m_settle;
    bool m_finished = false;
};

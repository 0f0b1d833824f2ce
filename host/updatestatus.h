#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

// Words the run of the module's web plug-in updater for the user. The host does not include
// the module's headers: the updater is the plug-in object's child named "TesselUpdater", with
// the signals progressChanged(int,int) and finished() and the properties "summary" and
// "changedFiles".
class UpdateStatus : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *UpdaterName = "TesselUpdater";

    explicit UpdateStatus(QObject *parent = nullptr);

    // The updater among pluginInstance's children; null when there is none (an older module).
    static QObject *findUpdater(QObject *pluginInstance);
    // Follows updater's run instead of the one followed so far; false, following nothing,
    // when updater lacks the signals.
    bool follow(QObject *updater);

    // "Updating web plug-ins: 2 of 5".
    static QString progressText(int done, int total);
    // "Web plug-ins: " and the summary; when bundles were downloaded or removed, the note
    // that they take effect at the next start.
    static QString finishedText(const QString &summary, bool changedFiles);

signals:
    void progressed(const QString &text);
    void finished(const QString &text);

private slots:
    void onProgressChanged(int done, int total);
    void onFinished();

private:
    QPointer<QObject> m_updater;
};

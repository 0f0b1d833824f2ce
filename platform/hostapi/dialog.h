#pragma once

#include "hostapi_global.h"

#include <QDialog>
#include <QString>

class QVBoxLayout;

namespace HostApi {

// The host's dialog: identified by an id, with a vertical layout for its content, and, when
// asked to remember it, its geometry kept in the application's settings under
// "dialogs/<geometry name>/…" (the geometry name is the id unless set), restored when the
// dialog is first shown and stored whenever it is hidden. A stored geometry of another
// geometry version is ignored, so a dialog whose content changed starts afresh.
class HOSTAPI_EXPORT Dialog : public QDialog
{
    Q_OBJECT

public:
    Dialog(QWidget *parent, const QString &id, Qt::WindowFlags flags, int geometryVersion,
           int layoutSpacing, bool rememberGeometry);
    ~Dialog() override;

    QString id() const { return m_id; }
    // The content's layout: top to bottom, without margins.
    QVBoxLayout *contentLayout() const { return m_layout; }

    // Dialogs of one geometry name share one stored geometry.
    QString geometryName() const { return m_geometryName; }
    void setGeometryName(const QString &name) { m_geometryName = name; }
    int geometryVersion() const { return m_geometryVersion; }
    bool remembersGeometry() const { return m_rememberGeometry; }

    // The name under which the host counts the dialog's use.
    QString statisticsCounterName() const { return m_statisticsCounterName; }
    void setStatisticsCounterName(const QString &name) { m_statisticsCounterName = name; }

protected:
    // reimplemented from QWidget
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QString settingsKey(const char *name) const;
    void restoreStoredGeometry();
    void storeGeometry() const;

    QString m_id;
    QVBoxLayout *m_layout;
    QString m_geometryName;
    int m_geometryVersion;
    bool m_rememberGeometry;
    bool m_geometryRestored = false;
    QString m_statisticsCounterName;
};

} // namespace HostApi

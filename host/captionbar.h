#pragma once

#include <QToolBar>

class QAction;
class QLabel;
class QToolButton;

// The row at the top of a document window: its symbol link group, its description, its
// ready status or load progress, and the actions the document puts on its caption bar.
class CaptionBar : public QToolBar
{
    Q_OBJECT

public:
    explicit CaptionBar(QWidget *parent = nullptr);

    void setDescription(const QString &description);
    // The status line; colour is that of the status dot (invalid: no dot).
    void setStatus(const QString &text, const QColor &color);
    // Shows the link group button (documents with symbol linking).
    void setLinkingEnabled(bool enabled);
    void setLinkGroup(int group);
    int linkGroup() const { return m_linkGroup; }
    // Adds a document action at the right end, in the order added.
    void addUserAction(QAction *action);

    QString descriptionText() const;
    QString statusText() const;

signals:
    void linkGroupRequested(int group);

private:
    QToolButton *m_linkButton;
    QAction *m_linkAction;
    QLabel *m_description;
    QLabel *m_status;
    QString m_statusText;
    int m_linkGroup = 0;
};

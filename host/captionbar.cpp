#include "captionbar.h"

#include "linkgroups.h"

#include <QLabel>
#include <QMenu>
#include <QSizePolicy>
#include <QToolButton>

CaptionBar::CaptionBar(QWidget *parent)
    : QToolBar(parent)
    , m_linkButton(new QToolButton(this))
    , m_description(new QLabel(this))
    , m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("captionBar"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(16, 16));

    auto *menu = new QMenu(m_linkButton);
    for (int group = 0; group <= LinkGroups::Count; ++group) {
        menu->addAction(LinkGroups::icon(group), LinkGroups::name(group), this,
                        [this, group] { emit linkGroupRequested(group); });
    }
    m_linkButton->setMenu(menu);
    m_linkButton->setPopupMode(QToolButton::InstantPopup);
    m_linkButton->setAutoRaise(true);
    m_linkAction = addWidget(m_linkButton);
    m_linkAction->setVisible(false);
    setLinkGroup(0);

    m_description->setTextFormat(Qt::PlainText);
    m_description->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_description->setContentsMargins(4, 0, 4, 0);
    addWidget(m_description);
    m_status->setTextFormat(Qt::RichText);
    m_status->setContentsMargins(4, 0, 4, 0);
    addWidget(m_status);
}

void CaptionBar::setDescription(const QString &description)
{
    m_description->setText(description);
    m_description->setToolTip(description);
}

void CaptionBar::setStatus(const QString &text, const QColor &color)
{
    m_statusText = text;
    QString html = text.toHtmlEscaped();
    if (color.isValid() && !text.isEmpty())
        html = QStringLiteral("<span style=\"color:%1\">\u25cf</span> %2").arg(color.name(), html);
    m_status->setText(html);
}

void CaptionBar::setLinkingEnabled(bool enabled)
{
    m_linkAction->setVisible(enabled);
}

void CaptionBar::setLinkGroup(int group)
{
    m_linkGroup = group;
    m_linkButton->setIcon(LinkGroups::icon(group));
    m_linkButton->setToolTip(tr("Symbol linking: %1").arg(LinkGroups::name(group)));
}

void CaptionBar::addUserAction(QAction *action)
{
    addAction(action);
}

QString CaptionBar::descriptionText() const
{
    return m_description->text();
}

QString CaptionBar::statusText() const
{
    return m_statusText;
}

#include "outputdock.h"

#include <outputchannel.h>

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

OutputDock::OutputDock(QWidget *parent)
    : QDockWidget(tr("Plugin Output"), parent)
    , m_view(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("outputDock"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(MaxLines);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setWidget(m_view);
}

void OutputDock::setChannel(HostApi::OutputChannel *channel)
{
    if (m_channel)
        m_channel->disconnect(this);
    m_channel = channel;
    m_view->clear();
    if (!channel)
        return;
    setWindowTitle(channel->title());
    append(channel->text());
    connect(channel, &HostApi::OutputChannel::appended, this, &OutputDock::append);
    connect(channel, &HostApi::OutputChannel::cleared, m_view, &QPlainTextEdit::clear);
    connect(channel, &HostApi::OutputChannel::titleChanged, this, &QDockWidget::setWindowTitle);
}

QString OutputDock::text() const
{
    return m_view->toPlainText();
}

void OutputDock::append(const QString &text)
{
    if (text.isEmpty())
        return;
    QScrollBar *bar = m_view->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(m_view->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    if (atEnd)
        bar->setValue(bar->maximum());
}

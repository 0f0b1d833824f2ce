#pragma once

#include <outputchannel.h>

#include <QDockWidget>
#include <QPointer>

class QPlainTextEdit;

// A dock that shows one output channel ("Plugin Output") as it grows.
class OutputDock : public QDockWidget
{
    Q_OBJECT

public:
    // Lines kept in view; older ones scroll out (the channel keeps its own text).
    static constexpr int MaxLines = 5000;

    explicit OutputDock(QWidget *parent = nullptr);

    // Shows channel's text so far, then follows it; null shows nothing.
    void setChannel(HostApi::OutputChannel *channel);
    HostApi::OutputChannel *channel() const { return m_channel; }
    QString text() const;

private:
    void append(const QString &text);

    QPointer<HostApi::OutputChannel> m_channel;
    QPlainTextEdit *m_view;
};

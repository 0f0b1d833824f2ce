#pragma once

#include <outputchannel.h>

#include <QObject>
#include <QPointer>

#include <cstdio>

// Writes an output channel's text to a stream as it comes (the host's --log), so a run can be
// checked from a script: first the text the channel already holds, then every append.
class OutputEcho : public QObject
{
    Q_OBJECT

public:
    explicit OutputEcho(HostApi::OutputChannel *channel, FILE *stream = stdout,
                        QObject *parent = nullptr);

private:
    void write(const QString &text);

    QPointer<HostApi::OutputChannel> m_channel;
    FILE *m_stream;
};

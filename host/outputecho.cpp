#include "outputecho.h"

#include <outputchannel.h>

OutputEcho::OutputEcho(HostApi::OutputChannel *channel, FILE *stream, QObject *parent)
    : QObject(parent)
    , m_channel(channel)
    , m_stream(stream)
{
    if (!channel)
        return;
    write(channel->text());
    connect(channel, &HostApi::OutputChannel::appended, this, &OutputEcho::write);
}

void OutputEcho::write(const QString &text)
{
    if (text.isEmpty())
        return;
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream);
    fflush(m_stream);
}

#include "formulaoutputservice.h"

#include "logservice.h"
#include "outputchannel.h"

namespace HostApi {

FormulaOutputService::FormulaOutputService(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<HostApi::OutputChannel *>();
}

OutputChannel *FormulaOutputService::registerChannel(const QString &id, const QString &title)
{
    HOSTAPI_ASSERT(!id.isEmpty(), return nullptr);
    if (OutputChannel *existing = channel(id)) {
        existing->setTitle(title);
        return existing;
    }
    auto *created = new OutputChannel(id, title, this);
    m_channels.append(created);
    emit channelRegistered(created);
    return created;
}

OutputChannel *FormulaOutputService::channel(const QString &id) const
{
    for (OutputChannel *channel : m_channels) {
        if (channel->id() == id)
            return channel;
    }
    return nullptr;
}

} // namespace HostApi

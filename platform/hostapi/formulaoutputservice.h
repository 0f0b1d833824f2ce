#pragma once

#include "hostapi_global.h"
#include "iformulaoutputservice.h"

#include <QList>
#include <QObject>

namespace HostApi {

// The host's output window channels.
class HOSTAPI_EXPORT FormulaOutputService : public QObject, public IFormulaOutputService
{
    Q_OBJECT
    Q_INTERFACES(HostApi::IFormulaOutputService)

public:
    explicit FormulaOutputService(QObject *parent = nullptr);

    OutputChannel *registerChannel(const QString &id, const QString &title) override;
    OutputChannel *channel(const QString &id) const override;
    QList<OutputChannel *> channels() const override { return m_channels; }

signals:
    void channelRegistered(HostApi::OutputChannel *channel);

private:
    QList<OutputChannel *> m_channels;
};

} // namespace HostApi

#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace HostApi {

class OutputChannel;

// The channels of the host's output window, by id.
class IFormulaOutputService
{
public:
    virtual ~IFormulaOutputService() = default;

    // Registers a channel shown under title; an id already registered keeps its channel and
    // takes the new title. An empty id is refused (null). The channel belongs to the service.
    virtual OutputChannel *registerChannel(const QString &id, const QString &title) = 0;
    // The channel of that id, or null.
    virtual OutputChannel *channel(const QString &id) const = 0;
    // Every channel in registration order.
    virtual QList<OutputChannel *> channels() const = 0;
};

} // namespace HostApi

Q_DECLARE_INTERFACE(HostApi::IFormulaOutputService,
                    "com.quorvex.corvodesk.IFormulaOutputService/1.0")

#pragma once

#include <QObject>

namespace Trade {

// The host's trading service. Documents that offer default trading connections ask only
// whether one is installed.
class ITradingService
{
public:
    virtual ~ITradingService() = default;

    // Whether the user is connected to a broker now.
    virtual bool isConnected() const = 0;
};

} // namespace Trade

Q_DECLARE_INTERFACE(Trade::ITradingService, "com.quorvex.corvodesk.ITradingService/1.0")

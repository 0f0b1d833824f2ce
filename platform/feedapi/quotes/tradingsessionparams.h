#pragma once

#include <QByteArray>

// Which trading session a quote model follows. The default names the instrument's own session.
struct TradingSessionParams
{
    // A session template name; empty for the instrument's own session.
    QByteArray sessionTemplate;
};

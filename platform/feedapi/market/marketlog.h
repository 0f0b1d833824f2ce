#pragma once

#include <QLoggingCategory>

// Diagnostics of the market store and its backend ("feedapi.market").
Q_DECLARE_LOGGING_CATEGORY(lcMarket)

#include "marketlog.h"

Q_LOGGING_CATEGORY(lcMarket, "feedapi.market")

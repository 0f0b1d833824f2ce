#pragma once

#include "feedapi_global.h"

namespace SymbolKit {

// The kinds of symbol the data library knows. The numbers are stored in symbol records and
// travel between processes: never renumber them. 12, 25 and 26 are not used.
enum VmtSymbolType {
    Undefined = 0,
    Bond = 1,
    Forex = 2,
    Futures = 3,
    FuturesContinuous = 4,
    FuturesContinuousFS = 5,
    FuturesForward = 6,
    FuturesOption = 7,
    FuturesOptionWildCard = 8,
    FuturesSpot = 9,
    FuturesSpread = 10,
    FuturesWildCard = 11,
    Index = 13,
    Stock = 14,
    StockOption = 15,
    StockWildCard = 16,
    UserDefinedSpread = 17,
    MutualFund = 18,
    MoneyMktFund = 19,
    Warehouse = 20,
    LMEReport = 21,
    PreciousMetalFix = 22,
    Alias = 23,
    Simulated = 24,
    HistoricalContractFixedDate = 27,
    HistoricalContractDaysBack = 28
};

// Whether type is one of the two historical contracts (fixed date, days back).
FEEDAPI_EXPORT bool isHistoricalContract(VmtSymbolType type);

// Whether value is one of the numbers above, Undefined included.
FEEDAPI_EXPORT bool isVmtSymbolType(int value);

} // namespace SymbolKit

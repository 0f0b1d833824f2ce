#include "vmtsymboltype.h"

namespace SymbolKit {

bool isHistoricalContract(VmtSymbolType type)
{
    return type == HistoricalContractFixedDate || type == HistoricalContractDaysBack;
}

bool isVmtSymbolType(int value)
{
    return value >= Undefined && value <= HistoricalContractDaysBack && value != 12
           && value != 25 && value != 26;
}

} // namespace SymbolKit

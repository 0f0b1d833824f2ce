#include "symboltypenames.h"

namespace {

struct Entry
{
    int value;
    const char *name;
};

const Entry Types[] = {
    {1, "Bond"}, {2, "Forex"}, {3, "Futures"}, {4, "FuturesContinuous"},
    {5, "FuturesContinuousFS"}, {6, "FuturesForward"}, {7, "FuturesOption"},
    {8, "FuturesOptionWildCard"}, {9, "FuturesSpot"}, {10, "FuturesSpread"},
    {11, "FuturesWildCard"}, {13, "Index"}, {14, "Stock"}, {15, "StockOption"},
    {16, "StockWildCard"}, {17, "UserDefinedSpread"}, {18, "MutualFund"},
    {19, "MoneyMktFund"}, {20, "Warehouse"}, {21, "LMEReport"}, {22, "PreciousMetalFix"},
    {23, "Alias"}, {24, "Simulated"}, {27, "HistoricalContractFixedDate"},
    {28, "HistoricalContractDaysBack"}};

} // namespace

namespace SymbolTypeNames {

QString name(int type)
{
    for (const Entry &entry : Types) {
        if (entry.value == type)
            return QLatin1String(entry.name);
    }
    return QStringLiteral("Undefined");
}

int value(const QString &name)
{
    for (const Entry &entry : Types) {
        if (name == QLatin1String(entry.name))
            return entry.value;
    }
    return -1;
}

} // namespace SymbolTypeNames

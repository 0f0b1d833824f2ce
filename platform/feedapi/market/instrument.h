#pragma once

#include "feedapi_global.h"
#include "symbolrecord.h"

#include <QByteArray>
#include <QString>

namespace FeedApi {
namespace Market {

// One row of the store's instrument table. Numbers that do not apply are 0, texts that do
// not apply are empty.
struct FEEDAPI_EXPORT Instrument
{
    // VmtSymbolType values the store uses.
    enum Type {
        BondType = 1,
        ForexType = 2,
        FuturesType = 3,
        FuturesContinuousType = 4,
        FuturesOptionType = 7,
        FuturesSpreadType = 10,
        IndexType = 13,
        StockType = 14,
        StockOptionType = 15,
        UserDefinedSpreadType = 17,
        MutualFundType = 18,
        MoneyMarketFundType = 19,
        HistoricalFixedDateType = 27,
        HistoricalDaysBackType = 28
    };

    QByteArray symbol;          // the symbol text in the library's grammar
    QByteArray alternateSymbol; // another accepted text (the front contract for "CL#")
    QByteArray root;            // futures root or option underlying ticker
    QByteArray legs;            // user-defined spreads: the leg symbol text
    int type = 0;               // VmtSymbolType value
    int subType = 0;            // VmtSymbolType value, 0 when none
    QString description;
    QByteArray exchange;
    QByteArray currency;
    double minTick = 0.01;
    QByteArray isin;
    QByteArray cusip;
    QByteArray sedol;
    int expirationYear = 0;
    int expirationMonth = 0;
    int expirationDay = 0;
    bool expired = false;
    int termPeriod = 0;
    int termType = 0;           // 1 day, 2 week, 3 month, 4 year
    bool spreadChainAllowed = false;

    // The record a SymbolResponse carries: every column that applies, with its valid flag.
    Common::SymbolRecord toRecord() const;
};

} // namespace Market
} // namespace FeedApi

#include "instrument.h"

namespace FeedApi {
namespace Market {

using Common::RecordData;
using Common::SymbolRecord;

SymbolRecord Instrument::toRecord() const
{
    SymbolRecord record;
    record.setValue(SymbolRecord::Symbol, RecordData::fromByteString(symbol));
    if (!alternateSymbol.isEmpty())
        record.setValue(SymbolRecord::AlternateSymbol, RecordData::fromByteString(alternateSymbol));
    if (!legs.isEmpty())
        record.setValue(SymbolRecord::LegSymbol, RecordData::fromByteString(legs));
    record.setValue(SymbolRecord::MinTick, RecordData::fromDouble(minTick));
    record.setValue(SymbolRecord::SymbolType, RecordData::fromInt32(type));
    if (subType != 0)
        record.setValue(SymbolRecord::SubType, RecordData::fromInt32(subType));
    if (type == UserDefinedSpreadType)
        record.setValue(SymbolRecord::SpreadChainAllowed, RecordData::fromBool(spreadChainAllowed));
    if (expirationYear > 0 && expirationMonth > 0) {
        record.setValue(SymbolRecord::ExpirationYear, RecordData::fromInt32(expirationYear));
        record.setValue(SymbolRecord::ExpirationMonth, RecordData::fromInt32(expirationMonth));
        record.setValue(SymbolRecord::ExpirationDay, RecordData::fromInt32(expirationDay));
        record.setValue(SymbolRecord::Expired, RecordData::fromBool(expired));
    }
    if (termPeriod > 0) {
        record.setValue(SymbolRecord::TermPeriod, RecordData::fromInt32(termPeriod));
        record.setValue(SymbolRecord::TermType, RecordData::fromInt32(termType));
    }
    record.setValue(SymbolRecord::Exchange, RecordData::fromByteString(exchange));
    record.setValue(SymbolRecord::Description, RecordData::fromString(description));
    record.setValue(SymbolRecord::Currency, RecordData::fromByteString(currency));
    if (!isin.isEmpty())
        record.setValue(SymbolRecord::Isin, RecordData::fromByteString(isin));
    if (!cusip.isEmpty())
        record.setValue(SymbolRecord::Cusip, RecordData::fromByteString(cusip));
    if (!sedol.isEmpty())
        record.setValue(SymbolRecord::Sedol, RecordData::fromByteString(sedol));
    return record;
}

} // namespace Market
} // namespace FeedApi

#include "columndescriptionsmanager.h"

#include "formatter.h"

namespace {

struct Column
{
    const char *name;
    const char *fieldId;
    Common::RecordData::Type type;
    const char *formatter;
};

// Prices are doubles on the instrument's tick; sizes and volume are counts; trade time and
// trade date are date * 10^9 + time (UTC, the date's time being 0 for the trade date).
const Column Columns[] = {
    {"Symbol", "symbol.name", Common::RecordData::ByteString, "text"},
    {"Description", "quote.description", Common::RecordData::ByteString, "text"},
    {"Last", "quote.last", Common::RecordData::Double, "price"},
    {"Bid", "quote.bid", Common::RecordData::Double, "price"},
    {"Ask", "quote.ask", Common::RecordData::Double, "price"},
    {"BidSize", "quote.bidsize", Common::RecordData::Int64, "volume"},
    {"AskSize", "quote.asksize", Common::RecordData::Int64, "volume"},
    {"Open", "quote.open", Common::RecordData::Double, "price"},
    {"High", "quote.high", Common::RecordData::Double, "price"},
    {"Low", "quote.low", Common::RecordData::Double, "price"},
    {"PrevClose", "quote.prevclose", Common::RecordData::Double, "price"},
    {"NetChange", "quote.netchange", Common::RecordData::Double, "price"},
    {"PctChange", "quote.pctchange", Common::RecordData::Double, "percent"},
    {"Volume", "quote.volume", Common::RecordData::Int64, "volume"},
    {"TradeTime", "quote.tradetime", Common::RecordData::UInt64, "time-from-datetime"},
    {"TradeDate", "quote.tradedate", Common::RecordData::UInt64, "exchangedate"},
    {"Exchange", "symbol.exchange", Common::RecordData::ByteString, "text"},
    {"Spread", "grid.ask-bid", Common::RecordData::Double, "price"},
};

} // namespace

ColumnDescriptionsManager *ColumnDescriptionsManager::instance()
{
    static ColumnDescriptionsManager manager;
    return &manager;
}

ColumnDescriptionsManager::ColumnDescriptionsManager()
{
    m_columnOfField.fill(-1);
    int column = 0;
    for (const Column &c : Columns) {
        const ColumnDescription description(column, QLatin1String(c.name),
                                            QLatin1String(c.fieldId), c.type,
                                            FeedApi::Formatter::formatId(QLatin1String(c.formatter)));
        if (description.quoteFieldId().isValid())
            m_columnOfField[description.quoteFieldId().index()] = column;
        m_descriptions.append(description);
        ++column;
    }
}

const ColumnDescription *ColumnDescriptionsManager::descriptionByFieldId(
    FieldQuote::FieldQuoteFieldId id) const
{
    return id.isValid() ? descriptionByColumn(m_columnOfField[id.index()]) : nullptr;
}

const ColumnDescription *ColumnDescriptionsManager::descriptionByColumn(int column) const
{
    return column >= 0 && column < m_descriptions.size() ? &m_descriptions.at(column) : nullptr;
}

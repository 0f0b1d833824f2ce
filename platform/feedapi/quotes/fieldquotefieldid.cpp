#include "fieldquotefieldid.h"

namespace FieldQuote {

namespace {

const char *const FieldNames[FieldQuoteFieldId::Count] = {
    "quote.last",      "quote.bid",       "quote.ask",       "quote.bidsize",
    "quote.asksize",   "quote.open",      "quote.high",      "quote.low",
    "quote.prevclose", "quote.netchange", "quote.pctchange", "quote.volume",
    "quote.tradetime", "quote.tradedate", "quote.description"};

} // namespace

FieldQuoteFieldId FieldQuoteFieldId::fromString(const QString &text)
{
    for (int i = 0; i < Count; ++i) {
        if (text == QLatin1String(FieldNames[i]))
            return FieldQuoteFieldId(Field(i));
    }
    return FieldQuoteFieldId();
}

QList<FieldQuoteFieldId> FieldQuoteFieldId::all()
{
    QList<FieldQuoteFieldId> ids;
    for (int i = 0; i < Count; ++i)
        ids.append(FieldQuoteFieldId(Field(i)));
    return ids;
}

QString FieldQuoteFieldId::toString() const
{
    return isValid() ? QString::fromLatin1(FieldNames[m_index]) : QString();
}

FieldMask toMask(const QSet<FieldQuoteFieldId> &ids)
{
    FieldMask mask = 0;
    for (const FieldQuoteFieldId id : ids)
        mask |= fieldBit(id);
    return mask;
}

QSet<FieldQuoteFieldId> toSet(FieldMask mask)
{
    QSet<FieldQuoteFieldId> ids;
    for (int i = 0; i < FieldQuoteFieldId::Count; ++i) {
        if (mask & (FieldMask(1) << i))
            ids.insert(FieldQuoteFieldId(Field(i)));
    }
    return ids;
}

} // namespace FieldQuote

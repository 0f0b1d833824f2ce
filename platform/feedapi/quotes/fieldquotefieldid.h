#pragma once

#include "feedapi_global.h"
#include "recorddata.h"

#include <QList>
#include <QSet>
#include <QString>

#include <array>

namespace FieldQuote {

// The fields of a compound quote.
enum class Field : int {
    Last,
    Bid,
    Ask,
    BidSize,
    AskSize,
    Open,
    High,
    Low,
    PrevClose,
    NetChange,
    PctChange,
    Volume,
    TradeTime,
    TradeDate,
    Description
};

// Names one field of a compound quote, or nothing (invalid). The text form is "quote." and the
// field's name in lower case ("quote.last", "quote.bidsize"); column descriptions carry it as
// their field id.
class FEEDAPI_EXPORT FieldQuoteFieldId
{
public:
    static constexpr int Count = int(Field::Description) + 1;

    constexpr FieldQuoteFieldId() = default;
    constexpr FieldQuoteFieldId(Field field)
        : m_index(int(field) >= 0 && int(field) < Count ? int(field) : -1)
    {
    }

    // The field that text names exactly (no blanks, no case folding); invalid otherwise.
    static FieldQuoteFieldId fromString(const QString &text);
    // Every field, in the order of Field.
    static QList<FieldQuoteFieldId> all();

    constexpr bool isValid() const { return m_index >= 0; }
    // The position of the field in Field; -1 when invalid.
    constexpr int index() const { return m_index; }
    constexpr Field field() const { return Field(m_index); }
    // "quote.last" and so on; empty when invalid.
    QString toString() const;

    friend constexpr bool operator==(FieldQuoteFieldId a, FieldQuoteFieldId b)
    { return a.m_index == b.m_index; }
    friend constexpr bool operator!=(FieldQuoteFieldId a, FieldQuoteFieldId b)
    { return a.m_index != b.m_index; }

private:
    int m_index = -1;
};

inline uint qHash(FieldQuoteFieldId id, uint seed = 0)
{
    return ::qHash(id.index(), seed);
}

// A set of fields as bits (bit i is the field of index i), as feeds pass them around.
using FieldMask = quint32;
constexpr FieldMask AllFields = (FieldMask(1) << FieldQuoteFieldId::Count) - 1;

constexpr FieldMask fieldBit(FieldQuoteFieldId id)
{
    return id.isValid() ? FieldMask(1) << id.index() : 0;
}
// Invalid ids are left out.
FEEDAPI_EXPORT FieldMask toMask(const QSet<FieldQuoteFieldId> &ids);
FEEDAPI_EXPORT QSet<FieldQuoteFieldId> toSet(FieldMask mask);

// One value per field, indexed by FieldQuoteFieldId::index().
using FieldValues = std::array<Common::RecordData, FieldQuoteFieldId::Count>;

} // namespace FieldQuote

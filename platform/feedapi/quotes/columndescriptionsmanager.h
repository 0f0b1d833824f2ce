#pragma once

#include "feedapi_global.h"
#include "quotes/columndescription.h"
#include "quotes/fieldquotefieldid.h"

#include <QList>

#include <array>

// The host's table of symbol columns, built once per process. Columns are numbered from 0 in
// table order. Every quote field has exactly one column; a few columns come from the symbol
// record or are computed by the host's grids, and their field ids name no quote field.
class FEEDAPI_EXPORT ColumnDescriptionsManager
{
public:
    static ColumnDescriptionsManager *instance();

    // Every column, in column order.
    QList<ColumnDescription> allDescripitions() const { return m_descriptions; }
    // The column showing a quote field; null for an invalid id.
    const ColumnDescription *descriptionByFieldId(FieldQuote::FieldQuoteFieldId id) const;
    // The column of that number; null when there is none.
    const ColumnDescription *descriptionByColumn(int column) const;

private:
    ColumnDescriptionsManager();

    QList<ColumnDescription> m_descriptions;
    std::array<int, FieldQuote::FieldQuoteFieldId::Count> m_columnOfField;
};

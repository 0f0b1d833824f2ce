#pragma once

#include "feedapi_global.h"
#include "field.h"
#include "recorddata.h"
#include "symbolrecord.h"

#include <QHash>
#include <QString>

namespace FeedApi {

// Formats record values as text the way the host shows them, and parses such text back.
// A copyable value: the host's preferences hold the current one. What a value means comes
// from the field's format id (formatId of a formatter name); the symbol record gives the
// instrument's tick size and currency where the format needs them.
//
// Formatter names and ids (formatId / formatterNameById):
//   0 "text", 1 "price", 2 "volume", 3 "date", 4 "time", 5 "currency",
//   6 "time-from-datetime", 7 "exchangedate", 8 "percent"
class FEEDAPI_EXPORT Formatter
{
public:
    // The id of a formatter name; -1 for a name not in the table.
    static int formatId(const QString &name);
    // The name of a formatter id; empty for an id not in the table.
    static QString formatterNameById(int id);

    // The text of value as field describes it; empty when the value is invalid or does not
    // fit the field.
    QString format(const Common::SymbolRecord &record, const Common::Field &field,
                   const Common::RecordData &value) const;
    // The value that text names, of the field's type, with its valid flag; an invalid value
    // when text does not parse.
    Common::RecordData parse(const Common::SymbolRecord &record, const Common::Field &field,
                             const QString &text) const;

    // The decimal symbol used unless system formatting is on ("." by default).
    QString decimalSymbol() const { return m_decimalSymbol; }
    void setDecimalSymbol(const QString &symbol) { m_decimalSymbol = symbol; }
    // With system formatting the system locale's separators and date forms are used.
    bool isUseSystemFormatting() const { return m_useSystemFormatting; }
    void setUseSystemFormatting(bool on) { m_useSystemFormatting = on; }
    // The IANA time zone id times are shown in ("UTC" by default).
    QByteArray timeZoneId() const { return m_timeZoneId; }
    void setTimeZoneId(const QByteArray &id) { m_timeZoneId = id; }
    // Named options of single formats, such as "currencySign" (the sign put before currency
    // amounts; the record's currency code after the amount when empty).
    QString customOption(const QString &name) const { return m_customOptions.value(name); }
    void setCustomOption(const QString &name, const QString &value) { m_customOptions.insert(name, value); }

private:
    QString m_decimalSymbol = QStringLiteral(".");
    bool m_useSystemFormatting = false;
    QByteArray m_timeZoneId = "UTC";
    QHash<QString, QString> m_customOptions;
};

} // namespace FeedApi

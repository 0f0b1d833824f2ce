#include "formatter.h"

#include "datetime.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

#include <cmath>
#include <optional>

namespace FeedApi {

namespace {

// Format ids, the index of each name in FormatterNames.
enum FormatId { Text, Price, Volume, Date, Time, Currency, TimeFromDateTime, ExchangeDate, Percent };

const char *const FormatterNames[] = {
    "text", "price", "volume", "date", "time", "currency", "time-from-datetime", "exchangedate",
    "percent",
};
constexpr int FormatterCount = int(sizeof FormatterNames / sizeof FormatterNames[0]);

constexpr int MaxTickDecimals = 10;
constexpr int DefaultPriceDecimals = 2;
constexpr int CurrencyDecimals = 2;
constexpr int PercentDecimals = 2;
constexpr int MinYear = 1;
constexpr int MaxYear = 9999;

const QLatin1String CurrencySignOption("currencySign");
const QLatin1String IsoDateFormat("yyyy-MM-dd");
const QLatin1String IsoTimeFormat("HH:mm:ss");
const QLatin1String MillisecondsFormat(".zzz");

// Currencies whose minor unit is not a hundredth (ISO 4217): the digits of a price when the
// record has no tick.
struct MinorUnit
{
    const char *code;
    int decimals;
};
constexpr MinorUnit MinorUnits[] = {
    {"BHD", 3}, {"CLP", 0}, {"IQD", 3}, {"ISK", 0}, {"JOD", 3}, {"JPY", 0}, {"KRW", 0},
    {"KWD", 3}, {"LYD", 3}, {"OMR", 3}, {"TND", 3}, {"VND", 0},
};

// The separators numbers are written with.
struct Separators
{
    QString decimal;
    QString group;
};

Separators separators(const Formatter &formatter)
{
    if (formatter.isUseSystemFormatting()) {
        const QLocale system = QLocale::system();
        return {system.decimalPoint(), system.groupSeparator()};
    }
    const QString decimal = formatter.decimalSymbol().isEmpty() ? QStringLiteral(".")
                                                                : formatter.decimalSymbol();
    return {decimal, decimal == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(",")};
}

QString recordText(const Common::SymbolRecord &record, int column)
{
    const Common::RecordData value = record.value(column);
    return value.isValid() ? value.toString() : QString();
}

// Digits after the point: enough to show the record's tick exactly (0.25 → 2, 1/32 → 5), else
// the currency's minor unit.
int priceDecimals(const Common::SymbolRecord &record)
{
    const Common::RecordData tick = record.value(Common::SymbolRecord::MinTick);
    if (tick.isValid() && tick.type() == Common::RecordData::Double && std::isfinite(tick.toDouble())
            && tick.toDouble() > 0) {
        QString text = QString::number(tick.toDouble(), 'f', MaxTickDecimals);
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        return text.size() - text.indexOf(QLatin1Char('.')) - 1;
    }
    const QString currency = recordText(record, Common::SymbolRecord::Currency);
    for (const MinorUnit &unit : MinorUnits) {
        if (currency == QLatin1String(unit.code))
            return unit.decimals;
    }
    return DefaultPriceDecimals;
}

// The number a value holds; integers are widened. Nothing for other kinds and non-finite
// doubles.
std::optional<double> numberOf(const Common::RecordData &value)
{
    switch (value.type()) {
    case Common::RecordData::Double:
        if (std::isfinite(value.toDouble()))
            return value.toDouble();
        return std::nullopt;
    case Common::RecordData::Int32:
        return double(value.toInt32());
    case Common::RecordData::Int64:
        return double(value.toInt64());
    case Common::RecordData::UInt64:
        return double(value.toUInt64());
    default:
        return std::nullopt;
    }
}

// The non-negative integer of a date-time payload.
std::optional<quint64> payloadOf(const Common::RecordData &value)
{
    switch (value.type()) {
    case Common::RecordData::UInt64:
        return value.toUInt64();
    case Common::RecordData::Int64:
        if (value.toInt64() >= 0)
            return quint64(value.toInt64());
        return std::nullopt;
    case Common::RecordData::Int32:
        if (value.toInt32() >= 0)
            return quint64(value.toInt32());
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

bool yearInRange(const QDate &date)
{
    return date.isValid() && date.year() >= MinYear && date.year() <= MaxYear;
}

// The UTC date-time of a non-null payload within years 1 to 9999.
QDateTime dateTimeOf(const Common::RecordData &value)
{
    const std::optional<quint64> payload = payloadOf(value);
    if (!payload || *payload == 0)
        return QDateTime();
    const QDateTime dateTime = Common::DateTime::fromInt64(*payload).toQDateTime();
    return yearInRange(dateTime.date()) ? dateTime : QDateTime();
}

// Inserts the group separator every three digits, counted from the right.
QString grouped(const QString &digits, const QString &group)
{
    QString text = digits;
    for (int i = text.size() - 3; i > 0; i -= 3)
        text.insert(i, group);
    return text;
}

// Fixed-point text with the given digits after the point; "-0.00" is written "0.00".
QString fixedText(double number, int decimals, const Separators &separators, bool withGroups)
{
    const QString text = QString::number(std::abs(number), 'f', decimals);
    const bool negative = number < 0 && text.toDouble() != 0;
    const int point = text.indexOf(QLatin1Char('.'));
    QString integer = point < 0 ? text : text.left(point);
    if (withGroups)
        integer = grouped(integer, separators.group);
    const QString fraction = point < 0 ? QString() : separators.decimal + text.mid(point + 1);
    return (negative ? QStringLiteral("-") : QString()) + integer + fraction;
}

// Reads "[+-]digits[<decimal>digits]" where the integer digits may carry group separators in
// threes; the C form of the number ("-1234.5"), or nothing.
std::optional<QByteArray> readNumber(const QString &text, const Separators &separators,
                                     bool withGroups, bool withFraction)
{
    const QString group = QRegularExpression::escape(separators.group);
    const QString integer = withGroups
        ? QStringLiteral("([0-9]+|[0-9]{1,3}(?:%1[0-9]{3})+)").arg(group)
        : QStringLiteral("([0-9]+)");
    const QString fraction = withFraction
        ? QStringLiteral("(?:%1([0-9]+))?").arg(QRegularExpression::escape(separators.decimal))
        : QString();
    const QRegularExpression pattern(QStringLiteral("^([+-]?)") + integer + fraction + QLatin1Char('$'));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    QString number = match.captured(1) + match.captured(2).remove(separators.group);
    if (!match.captured(3).isEmpty())
        number += QLatin1Char('.') + match.captured(3);
    return number.toLatin1();
}

Common::RecordData doubleValue(int type, const std::optional<QByteArray> &number)
{
    if (!number || (type != Common::RecordData::Double && type != Common::RecordData::Undefined))
        return Common::RecordData();
    bool ok = false;
    const double value = number->toDouble(&ok);
    return ok && std::isfinite(value) ? Common::RecordData::fromDouble(value) : Common::RecordData();
}

// An integer of the field's kind (UInt64 when it has none); invalid when it does not fit.
Common::RecordData integerValue(int type, const QByteArray &number)
{
    bool ok = false;
    switch (type) {
    case Common::RecordData::Undefined:
    case Common::RecordData::UInt64: {
        const quint64 value = number.startsWith('-') ? 0 : number.toULongLong(&ok);
        return ok ? Common::RecordData::fromUInt64(value) : Common::RecordData();
    }
    case Common::RecordData::Int64: {
        const qint64 value = number.toLongLong(&ok);
        return ok ? Common::RecordData::fromInt64(value) : Common::RecordData();
    }
    case Common::RecordData::Int32: {
        const int value = number.toInt(&ok);
        return ok ? Common::RecordData::fromInt32(value) : Common::RecordData();
    }
    case Common::RecordData::Double: {
        const double value = number.toDouble(&ok);
        return ok ? Common::RecordData::fromDouble(value) : Common::RecordData();
    }
    default:
        return Common::RecordData();
    }
}

// A date-time payload of the field's kind (UInt64 when it has none).
Common::RecordData payloadValue(int type, quint64 payload)
{
    switch (type) {
    case Common::RecordData::Undefined:
    case Common::RecordData::UInt64:
        return Common::RecordData::fromUInt64(payload);
    case Common::RecordData::Int64:
        return Common::RecordData::fromInt64(qint64(payload));
    default:
        return Common::RecordData();
    }
}

Common::RecordData payloadValue(int type, const QDateTime &dateTime)
{
    if (!dateTime.isValid() || !yearInRange(dateTime.toUTC().date()))
        return Common::RecordData();
    return payloadValue(type, Common::DateTime::fromQDateTime(dateTime).toInt64());
}

// The locale dates and times are written in: the system's, or the C locale for the ISO forms.
QLocale dateLocale(const Formatter &formatter)
{
    return formatter.isUseSystemFormatting() ? QLocale::system() : QLocale::c();
}

// The system's short date with a four-digit year, or ISO 8601.
QString dateFormat(const Formatter &formatter)
{
    if (!formatter.isUseSystemFormatting())
        return IsoDateFormat;
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

// The system's short time with seconds added when it has none, or ISO 8601; milliseconds
// follow the seconds when asked for.
QString timeFormat(const Formatter &formatter, bool withMilliseconds)
{
    QString format = IsoTimeFormat;
    if (formatter.isUseSystemFormatting()) {
        format = QLocale::system().timeFormat(QLocale::ShortFormat);
        const int minutes = format.indexOf(QLatin1String("mm"));
        if (!format.contains(QLatin1Char('s')) && minutes >= 0) {
            const QChar before = minutes > 0 ? format.at(minutes - 1) : QLatin1Char(':');
            const QChar separator = before.isLetter() ? QLatin1Char(':') : before;
            format.insert(minutes + 2, separator + QLatin1String("ss"));
        }
    }
    if (withMilliseconds)
        format.replace(QLatin1String("ss"), QLatin1String("ss") + MillisecondsFormat);
    return format;
}

QString timeText(const Formatter &formatter, const QTime &time)
{
    return dateLocale(formatter).toString(time, timeFormat(formatter, time.msec() != 0));
}

// A time of day in the formatter's form, with or without milliseconds.
QTime readTime(const Formatter &formatter, const QString &text)
{
    const QLocale locale = dateLocale(formatter);
    const QTime time = locale.toTime(text, timeFormat(formatter, true));
    return time.isValid() ? time : locale.toTime(text, timeFormat(formatter, false));
}

QDate readDate(const Formatter &formatter, const QString &text)
{
    return dateLocale(formatter).toDate(text, dateFormat(formatter));
}

QTimeZone timeZoneOf(const Formatter &formatter)
{
    return QTimeZone(formatter.timeZoneId());
}

QString formatPrice(const Formatter &formatter, const Common::SymbolRecord &record,
                    const Common::RecordData &value)
{
    const std::optional<double> number = numberOf(value);
    if (!number)
        return QString();
    return fixedText(*number, priceDecimals(record), separators(formatter), false);
}

QString formatVolume(const Formatter &formatter, const Common::RecordData &value)
{
    const QString group = separators(formatter).group;
    switch (value.type()) {
    case Common::RecordData::UInt64:
        return grouped(QString::number(value.toUInt64()), group);
    case Common::RecordData::Int64:
    case Common::RecordData::Int32: {
        const qint64 number = value.type() == Common::RecordData::Int64 ? value.toInt64()
                                                                        : value.toInt32();
        const QString digits = QString::number(number).remove(QLatin1Char('-'));
        return (number < 0 ? QStringLiteral("-") : QString()) + grouped(digits, group);
    }
    case Common::RecordData::Double: {
        const std::optional<double> number = numberOf(value);
        return number ? fixedText(std::trunc(*number), 0, separators(formatter), true) : QString();
    }
    default:
        return QString();
    }
}

QString formatCurrency(const Formatter &formatter, const Common::SymbolRecord &record,
                       const Common::RecordData &value)
{
    const std::optional<double> number = numberOf(value);
    if (!number)
        return QString();
    const QString amount = fixedText(*number, CurrencyDecimals, separators(formatter), true);
    const QString sign = formatter.customOption(CurrencySignOption);
    if (!sign.isEmpty()) {
        if (amount.startsWith(QLatin1Char('-')))
            return QLatin1Char('-') + sign + amount.mid(1);
        return sign + amount;
    }
    const QString code = recordText(record, Common::SymbolRecord::Currency);
    return code.isEmpty() ? amount : amount + QLatin1Char(' ') + code;
}

QString formatText(const Common::RecordData &value)
{
    switch (value.type()) {
    case Common::RecordData::ByteString:
    case Common::RecordData::String:
        return value.toString();
    case Common::RecordData::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case Common::RecordData::Int32:
        return QString::number(value.toInt32());
    case Common::RecordData::Int64:
        return QString::number(value.toInt64());
    case Common::RecordData::UInt64:
        return QString::number(value.toUInt64());
    case Common::RecordData::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        return QString();
    }
}

// The date-time shown in the formatter's time zone; empty when the zone is unknown or the
// shown day falls outside years 1 to 9999. A time of day alone (date part 0) has no day to
// place it in a zone and is shown as given.
QString formatTime(const Formatter &formatter, const Common::RecordData &value, bool withDate)
{
    const std::optional<quint64> payload = payloadOf(value);
    if (!withDate && payload && *payload > 0 && *payload < Common::DateTime::DateFactor) {
        const QTime time = Common::DateTime::fromInt64(*payload).toQTime();
        return time.isValid() ? timeText(formatter, time) : QString();
    }
    const QTimeZone zone = timeZoneOf(formatter);
    const QDateTime utc = dateTimeOf(value);
    if (!zone.isValid() || !utc.isValid())
        return QString();
    const QDateTime shown = utc.toTimeZone(zone);
    if (!yearInRange(shown.date()))
        return QString();
    const QString time = timeText(formatter, shown.time());
    if (!withDate)
        return time;
    return dateLocale(formatter).toString(shown.date(), dateFormat(formatter))
        + QLatin1Char(' ') + time;
}

QString formatDate(const Formatter &formatter, const Common::RecordData &value)
{
    const QDateTime dateTime = dateTimeOf(value);
    if (!dateTime.isValid())
        return QString();
    return dateLocale(formatter).toString(dateTime.date(), dateFormat(formatter));
}

Common::RecordData parseCurrency(const Formatter &formatter, const Common::SymbolRecord &record,
                                 const Common::Field &field, const QString &text)
{
    QString amount = text.trimmed();
    const QString sign = formatter.customOption(CurrencySignOption);
    const QString code = recordText(record, Common::SymbolRecord::Currency);
    const bool negative = amount.startsWith(QLatin1Char('-'));
    if (!sign.isEmpty() && amount.mid(negative ? 1 : 0).startsWith(sign))
        amount.remove(negative ? 1 : 0, sign.size());
    else if (!code.isEmpty() && amount.endsWith(code))
        amount.chop(code.size());
    return doubleValue(field.type(), readNumber(amount, separators(formatter), true, true));
}

// "<date> <time>" in the formatter's time zone, read back as a UTC payload; a local time that
// the zone repeats when its clocks go back is read as Qt places it. Dates and times of the
// system's forms may hold blanks themselves, so every blank is tried as the border.
Common::RecordData parseTime(const Formatter &formatter, const Common::Field &field,
                             const QString &text)
{
    const QString trimmed = text.trimmed();
    const QTimeZone zone = timeZoneOf(formatter);
    if (!zone.isValid())
        return Common::RecordData();
    for (int space = trimmed.indexOf(QLatin1Char(' ')); space >= 0;
            space = trimmed.indexOf(QLatin1Char(' '), space + 1)) {
        const QDate date = readDate(formatter, trimmed.left(space));
        const QTime time = readTime(formatter, trimmed.mid(space + 1));
        if (date.isValid() && time.isValid())
            return payloadValue(field.type(), QDateTime(date, time, zone));
    }
    return Common::RecordData();
}

// A bare time of day is read as given, the date part 0.
Common::RecordData parseTimeOfDay(const Formatter &formatter, const Common::Field &field,
                                  const QString &text)
{
    const QTime time = readTime(formatter, text.trimmed());
    if (!time.isValid())
        return Common::RecordData();
    const QDateTime anyDay(QDate(MinYear, 1, 1), time, Qt::UTC);
    return payloadValue(field.type(), quint64(Common::DateTime::fromQDateTime(anyDay).time()));
}

Common::RecordData parseText(const Common::Field &field, const QString &text)
{
    switch (field.type()) {
    case Common::RecordData::Undefined:
    case Common::RecordData::String:
        return Common::RecordData::fromString(text);
    case Common::RecordData::ByteString:
        return Common::RecordData::fromByteString(text.toUtf8());
    default:
        return Common::RecordData();
    }
}

} // namespace

int Formatter::formatId(const QString &name)
{
    for (int id = 0; id < FormatterCount; ++id) {
        if (name == QLatin1String(FormatterNames[id]))
            return id;
    }
    return -1;
}

QString Formatter::formatterNameById(int id)
{
    if (id < 0 || id >= FormatterCount)
        return QString();
    return QLatin1String(FormatterNames[id]);
}

QString Formatter::format(const Common::SymbolRecord &record, const Common::Field &field,
                          const Common::RecordData &value) const
{
    if (!value.isValid())
        return QString();
    switch (field.formatId()) {
    case Text:
        return formatText(value);
    case Price:
        return formatPrice(*this, record, value);
    case Volume:
        return formatVolume(*this, value);
    case Date:
    case ExchangeDate:
        return formatDate(*this, value);
    case Time:
        return formatTime(*this, value, true);
    case TimeFromDateTime:
        return formatTime(*this, value, false);
    case Currency:
        return formatCurrency(*this, record, value);
    case Percent: {
        const std::optional<double> number = numberOf(value);
        if (!number)
            return QString();
        return fixedText(*number, PercentDecimals, separators(*this), false) + QLatin1Char('%');
    }
    default:
        return QString();
    }
}

Common::RecordData Formatter::parse(const Common::SymbolRecord &record, const Common::Field &field,
                                    const QString &text) const
{
    switch (field.formatId()) {
    case Text:
        return parseText(field, text);
    case Price:
        return doubleValue(field.type(), readNumber(text, separators(*this), false, true));
    case Volume: {
        const std::optional<QByteArray> number = readNumber(text, separators(*this), true, false);
        return number ? integerValue(field.type(), *number) : Common::RecordData();
    }
    case Date:
    case ExchangeDate: {
        const QDate date = readDate(*this, text.trimmed());
        return payloadValue(field.type(), QDateTime(date, QTime(0, 0), Qt::UTC));
    }
    case Time:
        return parseTime(*this, field, text);
    case TimeFromDateTime:
        return parseTimeOfDay(*this, field, text);
    case Currency:
        return parseCurrency(*this, record, field, text);
    case Percent: {
        QString number = text.trimmed();
        if (number.endsWith(QLatin1Char('%')))
            number.chop(1);
        return doubleValue(field.type(), readNumber(number, separators(*this), false, true));
    }
    default:
        return Common::RecordData();
    }
}

} // namespace FeedApi

#include "scriptformatter.h"

#include <common/variantutils.h>

#include <datetime.h>
#include <field.h>
#include <logservice.h>
#include <preferences.h>
#include <recorddata.h>

#include <QLocale>

#include <cmath>

namespace {

const char PriceName[] = "price";
const char VolumeName[] = "volume";
const char DateName[] = "date";
const char TimeName[] = "time";
const char CurrencyName[] = "currency";
const char CurrencySignOption[] = "currencySign";

constexpr int LastYear = 9999;
// More digits than a double holds; a larger precision would only pad with zeros.
constexpr int MaxPrecision = 30;

Common::RecordData doubleValue(double n)
{
    return Common::RecordData::fromDouble(n);
}

// A date-time packed as date * 10^9 + time; 0 for the null date-time.
Common::RecordData dateTimeValue(const Common::DateTime &value)
{
    return Common::RecordData(Common::RecordData::UInt64, value.toInt64());
}

QVariant dateTimeOf(const Common::RecordData &value)
{
    if (!value.isValid())
        return QVariant();
    const QDateTime dateTime = Common::DateTime::fromInt64(value.toUInt64()).toQDateTime();
    return dateTime.isValid() ? QVariant(dateTime) : QVariant();
}

void logMissingRecord(const QString &formatterId, int formatId, const QString &valueText)
{
    HostApi::LogService *log = QuorvexServiceApi();
    static const int category = log->registerCategory("Tessel.ScriptFormatter");
    log->write(category, 3, __FILE__, __LINE__, Q_FUNC_INFO,
               QStringLiteral("Failed to find SymbolRecord for formatting"));
    log->write(category, 3, __FILE__, __LINE__, Q_FUNC_INFO,
               QLatin1String("Failed to find SymbolRecord for symbol ") + formatterId
                   + QLatin1String(",") + QLatin1String(" formatId=") + QString::number(formatId)
                   + QLatin1String(" Common::recordDataToString(value)=") + valueText);
}

} // namespace

ScriptFormatter::ScriptFormatter(QObject *parent)
    : QObject(parent)
{
    const bool connected = connect(Preferences::instance(), &Preferences::formatterChanged,
                                   this, &ScriptFormatter::updateFormatterSettings);
    HOSTAPI_ASSERT(connected, );
}

QString ScriptFormatter::registerSymbolRecord(const Common::SymbolRecord &record)
{
    const QString id = QString::fromUtf8(record.value(Common::SymbolRecord::Symbol).toByteString());
    m_symbolCache.insert(id, record);
    const QString alternate =
        QString::fromUtf8(record.value(Common::SymbolRecord::AlternateSymbol).toByteString());
    if (!alternate.isEmpty() && alternate != id)
        m_symbolCache.insert(alternate, record);
    return id;
}

void ScriptFormatter::clearSymbolCache()
{
    m_symbolCache.clear();
}

QString ScriptFormatter::formatPrice(double n, const QString &formatterId)
{
    return format(formatterId, PriceName, doubleValue(n));
}

QVariant ScriptFormatter::parsePrice(const QString &str, const QString &formatterId)
{
    const Common::RecordData value = parse(formatterId, PriceName, Common::RecordData::Double, str);
    return value.isValid() ? QVariant(value.toDouble()) : QVariant();
}

// Truncated toward zero; a value outside the 64-bit range (or not a number) formats as empty.
// A negative volume (a change, say) goes as a signed integer so that it keeps its sign.
QString ScriptFormatter::formatVolume(double n)
{
    if (!std::isfinite(n) || std::fabs(n) >= 9.2e18)
        return QString();
    const qint64 volume = qint64(std::trunc(n));
    const Common::RecordData value = volume < 0
        ? Common::RecordData::fromInt64(volume)
        : Common::RecordData(Common::RecordData::UInt64, quint64(volume));
    return format(QString(), VolumeName, value);
}

QVariant ScriptFormatter::parseVolume(const QString &str)
{
    const Common::RecordData value = parse(QString(), VolumeName, Common::RecordData::UInt64, str);
    return value.isValid() ? QVariant(qulonglong(value.toUInt64())) : QVariant();
}

QString ScriptFormatter::formatDate(const QDate &d)
{
    if (d.year() > LastYear)
        return QString();
    return format(QString(), DateName, dateTimeValue(Common::DateTime::fromQDate(d)));
}

QVariant ScriptFormatter::parseDate(const QString &str)
{
    const QVariant dateTime =
        dateTimeOf(parse(QString(), DateName, Common::RecordData::UInt64, str));
    return dateTime.isValid() ? QVariant(dateTime.toDateTime().date()) : QVariant();
}

QString ScriptFormatter::formatTime(const QDateTime &d)
{
    const Common::Field field(Common::RecordData::UInt64, FeedApi::Formatter::formatId(QLatin1String(TimeName)));
    return localTimeFormatter().format(Common::SymbolRecord(), field,
                                       dateTimeValue(Common::DateTime::fromQDateTime(d)));
}

QVariant ScriptFormatter::parseTime(const QString &str)
{
    const Common::Field field(Common::RecordData::UInt64, FeedApi::Formatter::formatId(QLatin1String(TimeName)));
    return dateTimeOf(localTimeFormatter().parse(Common::SymbolRecord(), field, str));
}

QString ScriptFormatter::formatDateTime(const QDateTime &dt, const QString &formatterId)
{
    if (dt.isValid() && dt.toUTC().date().year() > LastYear)
        return QString();
    return format(formatterId, TimeName, dateTimeValue(Common::DateTime::fromQDateTime(dt)));
}

QVariant ScriptFormatter::parseDateTime(const QString &str, const QString &formatterId)
{
    return dateTimeOf(parse(formatterId, TimeName, Common::RecordData::UInt64, str));
}

// The sign option stays set on the formatter until the next call or settings update.
QString ScriptFormatter::formatCurrency(double n, const QString &formatterId,
                                        bool showCurrencySign)
{
    preferred().setCustomOption(QLatin1String(CurrencySignOption),
                                showCurrencySign ? QStringLiteral("$") : QString());
    return format(formatterId, CurrencyName, doubleValue(n));
}

QString ScriptFormatter::formatNumber(double n, int precision)
{
    const QString text = QString::number(n, 'f', qBound(0, precision, MaxPrecision));
    const Preferences *preferences = Preferences::instance();
    const QString decimalPoint = preferences->isUseSystemFormatting()
        ? QString(QLocale::system().decimalPoint())
        : preferences->decimalSymbol();
    return QString(text).replace(QLatin1Char('.'), decimalPoint);
}

void ScriptFormatter::updateFormatterSettings()
{
    m_formatter.reset();
    emit settingsChanged();
}

QString ScriptFormatter::format(const QString &formatterId, const char *name,
                                const Common::RecordData &value)
{
    const Common::Field field(value.type(), FeedApi::Formatter::formatId(QLatin1String(name)));
    Common::SymbolRecord record;
    if (!findRecord(formatterId, name, field.formatId(), Common::recordDataToString(value), &record))
        return QString();
    return preferred().format(record, field, value);
}

Common::RecordData ScriptFormatter::parse(const QString &formatterId, const char *name, int type,
                                          const QString &text)
{
    const Common::Field field(type, FeedApi::Formatter::formatId(QLatin1String(name)));
    Common::SymbolRecord record;
    if (!findRecord(formatterId, name, field.formatId(), text, &record))
        return Common::RecordData();
    return preferred().parse(record, field, text);
}

bool ScriptFormatter::findRecord(const QString &formatterId, const char *name, int formatId,
                                 const QString &valueText, Common::SymbolRecord *record) const
{
    const auto found = m_symbolCache.constFind(formatterId);
    if (found != m_symbolCache.constEnd()) {
        *record = found.value();
        return true;
    }
    if (qstrcmp(name, DateName) == 0 || qstrcmp(name, VolumeName) == 0)
        return true;
    logMissingRecord(formatterId, formatId, valueText);
    return false;
}

FeedApi::Formatter &ScriptFormatter::preferred() const
{
    if (!m_formatter)
        m_formatter = Preferences::instance()->formatter();
    return *m_formatter;
}

FeedApi::Formatter ScriptFormatter::localTimeFormatter() const
{
    FeedApi::Formatter formatter = preferred();
    formatter.setTimeZoneId(Preferences::instance()->localTimeZoneId());
    return formatter;
}

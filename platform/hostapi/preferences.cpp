#include "preferences.h"

#include "application.h"
#include "logservice.h"
#include "settings.h"

#include <QTimeZone>

namespace {

// Level of the log line about a stored value that is not a valid choice.
constexpr int StoredValueLevel = 4;

HostApi::Settings *settings()
{
    return Application::instance()->settings();
}

bool isKnownTimeZone(const QByteArray &id)
{
    return !id.isEmpty() && QTimeZone(id).isValid();
}

} // namespace

Preferences *Preferences::instance()
{
    static Preferences preferences;
    return &preferences;
}

QStringList Preferences::decimalSymbols()
{
    return {QStringLiteral("."), QStringLiteral(",")};
}

FeedApi::Formatter Preferences::formatter() const
{
    FeedApi::Formatter formatter;
    formatter.setDecimalSymbol(decimalSymbol());
    formatter.setUseSystemFormatting(isUseSystemFormatting());
    formatter.setTimeZoneId(localTimeZoneId());
    return formatter;
}

QString Preferences::decimalSymbol() const
{
    const QString stored = settings()->value(QLatin1String(DecimalSymbolKey)).toString();
    if (decimalSymbols().contains(stored))
        return stored;
    if (!stored.isEmpty())
        reportStoredValue(DecimalSymbolKey, stored);
    return QLatin1String(DefaultDecimalSymbol);
}

bool Preferences::isUseSystemFormatting() const
{
    // The store hands back a bool set in this session, or its text read from the file.
    const QVariant stored = settings()->value(QLatin1String(UseSystemKey), false);
    if (stored.type() == QVariant::Bool)
        return stored.toBool();
    const QString text = stored.toString();
    if (text == QLatin1String("true") || text == QLatin1String("false"))
        return text == QLatin1String("true");
    reportStoredValue(UseSystemKey, text);
    return false;
}

QByteArray Preferences::localTimeZoneId() const
{
    const QString stored = settings()->value(QLatin1String(TimeZoneKey)).toString();
    if (isKnownTimeZone(stored.toUtf8()))
        return stored.toUtf8();
    if (!stored.isEmpty())
        reportStoredValue(TimeZoneKey, stored);
    return defaultTimeZoneId();
}

bool Preferences::setDecimalSymbol(const QString &symbol)
{
    return setFormatting(symbol, isUseSystemFormatting(), localTimeZoneId());
}

void Preferences::setUseSystemFormatting(bool on)
{
    setFormatting(decimalSymbol(), on, localTimeZoneId());
}

bool Preferences::setLocalTimeZoneId(const QByteArray &id)
{
    return setFormatting(decimalSymbol(), isUseSystemFormatting(), id);
}

bool Preferences::setFormatting(const QString &decimalSymbol, bool useSystem,
                                const QByteArray &timeZoneId)
{
    if (!decimalSymbols().contains(decimalSymbol) || !isKnownTimeZone(timeZoneId))
        return false;
    bool changed = false;
    if (decimalSymbol != this->decimalSymbol()) {
        settings()->setValue(QLatin1String(DecimalSymbolKey), decimalSymbol);
        changed = true;
    }
    if (useSystem != isUseSystemFormatting()) {
        settings()->setValue(QLatin1String(UseSystemKey), useSystem);
        changed = true;
    }
    if (timeZoneId != localTimeZoneId()) {
        settings()->setValue(QLatin1String(TimeZoneKey), QString::fromUtf8(timeZoneId));
        changed = true;
    }
    if (changed) {
        settings()->sync();
        emit formatterChanged();
    }
    return true;
}

QString Preferences::username() const
{
    return Application::instance()->username();
}

QString Preferences::password() const
{
    return Application::instance()->password();
}

QByteArray Preferences::defaultTimeZoneId()
{
    const QByteArray system = QTimeZone::systemTimeZoneId();
    return isKnownTimeZone(system) ? system : QByteArrayLiteral("UTC");
}

void Preferences::reportStoredValue(const char *key, const QString &value) const
{
    const QString entry = QLatin1String(key) + QLatin1Char('=') + value;
    if (m_reported.contains(entry))
        return;
    m_reported.insert(entry);
    HostApi::LogService *log = QuorvexServiceApi();
    static const int category = log->registerCategory("HostApi.Preferences");
    log->write(category, StoredValueLevel, __FILE__, __LINE__, Q_FUNC_INFO,
               QStringLiteral("Stored setting %1 is not a valid choice (\"%2\"); using the default")
                   .arg(QLatin1String(key), value));
}

#pragma once

#include "hostapi_global.h"

#include <formatter.h>

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

// The user's preferences that data displays follow: how numbers, dates and times are written
// (the formatting choices, kept in the host settings under "formatting/") and the signed-in
// user. One per process, reached through instance(); every read goes to the settings store, so
// a choice made anywhere is seen everywhere.
class HOSTAPI_EXPORT Preferences : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *DecimalSymbolKey = "formatting/decimalSymbol";
    static constexpr const char *UseSystemKey = "formatting/useSystem";
    static constexpr const char *TimeZoneKey = "formatting/timeZone";
    static constexpr const char *DefaultDecimalSymbol = ".";

    static Preferences *instance();

    // The decimal symbols a user may choose.
    static QStringList decimalSymbols();

    // A formatter built from the current choices; it shows times in the local time zone.
    FeedApi::Formatter formatter() const;

    // The decimal symbol used unless system formatting is on: "." (default) or ",".
    QString decimalSymbol() const;
    // Whether the system locale's separators and date forms are used (default off).
    bool isUseSystemFormatting() const;
    // The IANA id of the time zone times are shown in; the system's by default, "UTC" when the
    // system names none.
    QByteArray localTimeZoneId() const;

    // Setters store a choice and emit formatterChanged() once when it differs from the current
    // one. A decimal symbol outside decimalSymbols() or an unknown time zone is refused: the
    // result is false and nothing changes.
    bool setDecimalSymbol(const QString &symbol);
    void setUseSystemFormatting(bool on);
    bool setLocalTimeZoneId(const QByteArray &id);
    // Stores all three choices with at most one formatterChanged().
    bool setFormatting(const QString &decimalSymbol, bool useSystem, const QByteArray &timeZoneId);

    // The signed-in user's credentials, as the application holds them.
    QString username() const;
    QString password() const;

signals:
    void formatterChanged();

private:
    Preferences() = default;

    static QByteArray defaultTimeZoneId();
    // Logs a stored value that is not a valid choice, once per key and value.
    void reportStoredValue(const char *key, const QString &value) const;

    mutable QSet<QString> m_reported;
};

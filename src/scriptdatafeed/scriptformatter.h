#pragma once

#include <formatter.h>
#include <symbolrecord.h>

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

#include <optional>

namespace Common { class Field; class RecordData; }

// The datafeed's "formatter": writes numbers, prices, volumes, dates and times as the host
// does and reads such text back, with a copy of the host's formatter that follows its
// settings. Prices, currency and symbol date-times need the instrument: a page names it by the
// "formatterId" that a "symbolinfo" answer gave. Formatting never fails toward the page: it
// yields an empty text; parsing yields null.
class ScriptFormatter : public QObject
{
    Q_OBJECT

public:
    explicit ScriptFormatter(QObject *parent = nullptr);

    // Keeps a copy of record for the page and returns its formatter id (the symbol text); the
    // record is also found by its alternate symbol text.
    QString registerSymbolRecord(const Common::SymbolRecord &record);
    void clearSymbolCache();

public slots:
    QString formatPrice(double n, const QString &formatterId);
    QVariant parsePrice(const QString &str, const QString &formatterId);
    QString formatVolume(double n);
    QVariant parseVolume(const QString &str);
    QString formatDate(const QDate &d);
    QVariant parseDate(const QString &str);
    QString formatTime(const QDateTime &d);
    QVariant parseTime(const QString &str);
    QString formatDateTime(const QDateTime &dt, const QString &formatterId);
    QVariant parseDateTime(const QString &str, const QString &formatterId);
    QString formatCurrency(double n, const QString &formatterId, bool showCurrencySign);
    QString formatNumber(double n, int precision);

signals:
    void settingsChanged();

private slots:
    void updateFormatterSettings();

private:
    QString format(const QString &formatterId, const char *name, const Common::RecordData &value);
    Common::RecordData parse(const QString &formatterId, const char *name, int type,
                             const QString &text);
    // The record of formatterId (an empty one for names that need none); false, with the two
    // diagnostic lines written, when a name that needs a record has none.
    bool findRecord(const QString &formatterId, const char *name, int formatId,
                    const QString &valueText, Common::SymbolRecord *record) const;
    FeedApi::Formatter localTimeFormatter() const;
    // The formatter of the host's preferences, read on first use after each change of them.
    FeedApi::Formatter &preferred() const;

    mutable std::optional<FeedApi::Formatter> m_formatter;
    QHash<QString, Common::SymbolRecord> m_symbolCache;
};

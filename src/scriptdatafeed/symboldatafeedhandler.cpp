#include "symboldatafeedhandler.h"

#include "scriptformatter.h"
#include "symboltypenames.h"

#include <logservice.h>
#include <requester.h>
#include <rerequestresponse.h>
#include <symbolkit/date.h>
#include <symbolkit/futuresexpiration.h>
#include <symbolkit/vmtsymbol.h>
#include <symbolrecord.h>
#include <symbolrequest.h>
#include <symbolresponse.h>
#include <symbolupdateresponse.h>

#include <QDateTime>

using Common::SymbolRecord;
using SymbolKit::VmtSymbol;

namespace {

const char SymbolKey[] = "symbol";
const char SymbologyKey[] = "symbology";
const char DefaultSymbology[] = "vmt";
const char Undefined[] = "Undefined";
constexpr double DefaultMinTick = 0.01;

struct Name
{
    int value;
    const char *name;
};

const Name Symbologies[] = {
    {0, "vmt"}, {1, "cusip"}, {2, "sedol"}, {3, "isin"}, {4, "vmt-extended"}};

const Name TermTypes[] = {{1, "Daily"}, {2, "Week"}, {3, "Month"}, {4, "Year"}};

struct Month
{
    const char *name;
    const char *code;
};

const Month Months[] = {
    {"January", "F"}, {"February", "G"}, {"March", "H"}, {"April", "J"}, {"May", "K"},
    {"June", "M"}, {"July", "N"}, {"August", "Q"}, {"September", "U"}, {"October", "V"},
    {"November", "X"}, {"December", "Z"}};

constexpr int StockType = SymbolKit::Stock;
constexpr int StockOptionType = SymbolKit::StockOption;
constexpr int UserDefinedSpreadType = SymbolKit::UserDefinedSpread;
constexpr int DefaultExpirationFormat = SymbolKit::FuturesExpiration::LongFormat;

template <size_t N>
QString nameOf(const Name (&table)[N], int value)
{
    for (const Name &entry : table) {
        if (entry.value == value)
            return QLatin1String(entry.name);
    }
    return QLatin1String(Undefined);
}

int symbologyValue(const QString &text)
{
    for (const Name &entry : Symbologies) {
        if (text == QLatin1String(entry.name))
            return entry.value;
    }
    HostApi::LogService *log = QuorvexServiceApi();
    static const int category = log->registerCategory("Tessel.SymboldataFeedHandler");
    log->write(category, 3, __FILE__, __LINE__, Q_FUNC_INFO,
               QLatin1String("Incorrect symbology requested ") + text);
    return 0;
}

// The month's name and code; "Undefined" for both, with an assertion report, for any other
// number.
Month month(int number)
{
    if (number >= 1 && number <= 12)
        return Months[number - 1];
    HostApi::reportAssertion("Unknown expiration type", __FILE__, __LINE__, Q_FUNC_INFO);
    return Month{Undefined, Undefined};
}

// Historical contracts name their expiration and term through their root.
VmtSymbol withoutHistory(const VmtSymbol &symbol, const SymbolKit::Date &today)
{
    if (!SymbolKit::isHistoricalContract(symbol.type()))
        return symbol;
    return VmtSymbol(symbol.root(), SymbolKit::Undefined, today);
}

} // namespace

SymbolDatafeedHandler::SymbolDatafeedHandler(ScriptFormatter *formatter, QObject *parent)
    : RequesterDatafeedHandler(QStringLiteral("symbolinfo"), ErrorDetail::CodeAndMessage, parent)
    , m_formatter(formatter)
{
}

bool SymbolDatafeedHandler::startRequest(const QString &rid, const QVariantMap &request)
{
    HOSTAPI_ASSERT(!rid.isEmpty(), );
    const QString symbol = request.value(QLatin1String(SymbolKey)).toString().trimmed();
    if (symbol.isEmpty()) {
        setLastError(QStringLiteral("'symbol' is empty"));
        return false;
    }
    if (refuseDuplicate(rid))
        return false;
    const int symbology = symbologyValue(
        request.value(QLatin1String(SymbologyKey), QLatin1String(DefaultSymbology)).toString());
    auto *requester = new FeedApi::Requester(FeedApi::SymbolRequest(symbol.toLatin1(), symbology));
    requester->bind(this, &SymbolDatafeedHandler::onSymbol);
    requester->bind(this, &SymbolDatafeedHandler::onRerequest);
    requester->bind(this, &SymbolDatafeedHandler::onSymbolUpdate);
    startRequester(rid, request, requester);
    return true;
}

QVariantMap SymbolDatafeedHandler::symbolInformation(const SymbolRecord &record)
{
    QVariantMap data;
    HOSTAPI_ASSERT(m_formatter, return data);
    data.insert(QStringLiteral("formatterId"), m_formatter->registerSymbolRecord(record));

    const int type = record.value(SymbolRecord::SymbolType).toInt32();
    const QByteArray text = record.value(SymbolRecord::Symbol).toByteString();
    const SymbolKit::Date today = SymbolKit::Date::currentDate();
    const VmtSymbol parsed(text, type, today);
    const VmtSymbol dated = withoutHistory(
        type == UserDefinedSpreadType
            ? VmtSymbol(record.value(SymbolRecord::LegSymbol).toByteString(), SymbolKit::Undefined, today)
            : parsed,
        today);

    data.insert(QStringLiteral("mintick"), record.isValid(SymbolRecord::MinTick)
                    ? record.value(SymbolRecord::MinTick).toDouble() : DefaultMinTick);
    data.insert(QStringLiteral("symbolType"), SymbolTypeNames::name(type));
    if (record.isValid(SymbolRecord::SubType))
        data.insert(QStringLiteral("subType"),
                    SymbolTypeNames::name(record.value(SymbolRecord::SubType).toInt32()));
    if (type == UserDefinedSpreadType) {
        const bool allowed = record.isValid(SymbolRecord::SpreadChainAllowed)
            && record.value(SymbolRecord::SpreadChainAllowed).toBool();
        data.insert(QStringLiteral("spreadChainAllowed"), allowed);
    } else {
        data.insert(QStringLiteral("root"),
                    QString::fromLatin1(withoutHistory(parsed, today).root()));
    }

    QString ticker = QString::fromLatin1(text);
    if (type == StockType
        && (parsed.exchange().size() == 1 || parsed.exchange() == QByteArrayLiteral("QB"))) {
        ticker = QString::fromLatin1(parsed.root());
    } else if (type == StockOptionType && !parsed.regionalPart().isEmpty()) {
        VmtSymbol local = parsed;
        local.setRegionalPart(QByteArray());
        ticker = QString::fromLatin1(local.toString());
    }
    data.insert(QStringLiteral("ticker"), ticker);

    if (record.isValid(SymbolRecord::ExpirationYear) && record.isValid(SymbolRecord::ExpirationMonth)) {
        const int year = record.value(SymbolRecord::ExpirationYear).toInt32();
        const int monthNumber = record.value(SymbolRecord::ExpirationMonth).toInt32();
        const int day = record.value(SymbolRecord::ExpirationDay).toInt32();
        const int format = dated.expirationFormat();
        const SymbolKit::FuturesExpiration expiration(
            format == SymbolKit::FuturesExpiration::DefaultFormat ? DefaultExpirationFormat : format,
            year, monthNumber, dated.expirationWeek(), dated.expirationDay());
        const Month names = month(monthNumber);
        data.insert(QStringLiteral("expiration"), expiration.toString());
        data.insert(QStringLiteral("expirationMonthCode"), QLatin1String(names.code));
        data.insert(QStringLiteral("expirationMonthString"), QLatin1String(names.name));
        data.insert(QStringLiteral("expirationYear"), year);
        data.insert(QStringLiteral("expirationDate"),
                    QDateTime(QDate(year, monthNumber, day), QTime(0, 0), Qt::UTC));
        data.insert(QStringLiteral("expired"), record.value(SymbolRecord::Expired).toBool());
    }
    if (record.isValid(SymbolRecord::TermPeriod)) {
        data.insert(QStringLiteral("termType"),
                    nameOf(TermTypes, record.value(SymbolRecord::TermType).toInt32()));
        data.insert(QStringLiteral("termPeriod"), record.value(SymbolRecord::TermPeriod).toInt32());
        data.insert(QStringLiteral("term"), dated.termToString());
    }
    return data;
}

void SymbolDatafeedHandler::onSymbol(FeedApi::Requester *requester,
                                     const FeedApi::SymbolResponse &symbol)
{
    respond(requester, QStringLiteral("ok"),
            {{QStringLiteral("data"), symbolInformation(symbol.record())}});
}

void SymbolDatafeedHandler::onSymbolUpdate(FeedApi::Requester *requester,
                                           const FeedApi::SymbolUpdateResponse &)
{
    respond(requester, QStringLiteral("restart"));
}

void SymbolDatafeedHandler::onRerequest(FeedApi::Requester *requester,
                                        const FeedApi::RerequestResponse &)
{
    respond(requester, QStringLiteral("restart"));
}

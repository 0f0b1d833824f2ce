#include "chaindatafeedhandler.h"

#include <chainrequest.h>
#include <chainresponse.h>
#include <datetime.h>
#include <logservice.h>
#include <requester.h>
#include <rerequestresponse.h>

#include <QDateTime>

namespace {

const char SymbolKey[] = "symbol";
const char DateKey[] = "date";
const char IsOutrightKey[] = "isOutright";
const char ChainDateParameter[] = "chainDate";

} // namespace

ChainDatafeedHandler::ChainDatafeedHandler(QObject *parent)
    : SymbolLookupDatafeedHandler(QStringLiteral("chain"), ErrorDetail::CodeOnly,
                                  LookupSharing::JoinRunning, parent)
{
}

bool ChainDatafeedHandler::startRequest(const QString &rid, const QVariantMap &request)
{
    HOSTAPI_ASSERT(!rid.isEmpty(), );
    const QByteArray symbol = request.value(QLatin1String(SymbolKey)).toString().trimmed().toUtf8();
    if (symbol.isEmpty()) {
        setLastError(QStringLiteral("'symbol' is empty"));
        return false;
    }
    const QDateTime date = request.value(QLatin1String(DateKey)).toDateTime();
    const bool isOutright = request.value(QLatin1String(IsOutrightKey), false).toBool();
    if (refuseDuplicateOrPending(rid))
        return false;
    const Common::DateTime chainDate = date.isValid() ? Common::DateTime::fromQDateTime(date)
                                                      : Common::DateTime();
    addPending(symbol, rid, request,
               {{QLatin1String(ChainDateParameter), QVariant::fromValue(chainDate)},
                {QLatin1String(IsOutrightKey), isOutright}});
    return true;
}

void ChainDatafeedHandler::startLookedUp(const QString &rid, const QVariantMap &request,
                                         const QVariantMap &parameters,
                                         const FeedApi::SymbolResponse &symbol)
{
    const FeedApi::ChainRequest chainRequest(
        symbol.record(),
        parameters.value(QLatin1String(ChainDateParameter)).value<Common::DateTime>(),
        parameters.value(QLatin1String(IsOutrightKey)).toBool());
    auto *requester = new FeedApi::Requester(chainRequest);
    requester->bind(this, &ChainDatafeedHandler::onChain);
    requester->bind(this, &ChainDatafeedHandler::restartRequest);
    startRequester(rid, request, requester);
}

void ChainDatafeedHandler::onChain(FeedApi::Requester *requester,
                                   const FeedApi::ChainResponse &chain)
{
    QStringList added;
    added.reserve(chain.symbols().size());
    for (const QByteArray &member : chain.symbols())
        added.append(QString::fromUtf8(member));
    respond(requester, QStringLiteral("ok"), {{QStringLiteral("added"), added}});
}

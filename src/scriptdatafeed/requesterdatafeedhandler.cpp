#include "requesterdatafeedhandler.h"

#include <errorresponse.h>
#include <feedapierrorshelper.h>
#include <logservice.h>
#include <requester.h>
#include <rerequestresponse.h>

#include <utility>

namespace {

const char RequestProperty[] = "_request";

} // namespace

RequesterDatafeedHandler::RequesterDatafeedHandler(const QString &type, ErrorDetail errorDetail,
                                                   QObject *parent)
    : AbstractScriptDatafeedHandler(type, parent)
    , m_errorDetail(errorDetail)
{
}

RequesterDatafeedHandler::~RequesterDatafeedHandler()
{
    clearAll();
}

bool RequesterDatafeedHandler::stopRequest(const QString &rid)
{
    if (!m_requesters.contains(rid)) {
        setLastError(QStringLiteral("unknown 'rid' (%1) for request").arg(rid));
        return false;
    }
    deleteRequester(rid);
    return true;
}

void RequesterDatafeedHandler::clearAll()
{
    const QMap<QString, FeedApi::Requester *> requesters = std::exchange(m_requesters, {});
    for (FeedApi::Requester *requester : requesters)
        requester->deleteLater();
}

bool RequesterDatafeedHandler::refuseDuplicate(const QString &rid)
{
    if (!m_requesters.contains(rid))
        return false;
    setLastError(QStringLiteral("duplicated 'rid' (%1)").arg(rid));
    return true;
}

void RequesterDatafeedHandler::startRequester(const QString &rid, const QVariantMap &request,
                                              FeedApi::Requester *requester)
{
    HOSTAPI_ASSERT(requester, return);
    HOSTAPI_ASSERT(!m_requesters.contains(rid), deleteRequester(rid));
    requester->bind(this, &RequesterDatafeedHandler::failRequest);
    requester->setProperty(RequestProperty, request);
    requester->setParent(this);
    m_requesters.insert(rid, requester);
    requester->start();
}

void RequesterDatafeedHandler::deleteRequester(const QString &rid)
{
    FeedApi::Requester *requester = m_requesters.take(rid);
    HOSTAPI_ASSERT(requester, return);
    requester->deleteLater();
}

QString RequesterDatafeedHandler::ridOf(const FeedApi::Requester *requester) const
{
    for (auto it = m_requesters.cbegin(); it != m_requesters.cend(); ++it) {
        if (it.value() == requester)
            return it.key();
    }
    return QString();
}

QVariantMap RequesterDatafeedHandler::scriptRequest(const FeedApi::Requester *requester)
{
    return requester->property(RequestProperty).toMap();
}

void RequesterDatafeedHandler::respond(const FeedApi::Requester *requester,
                                       const QString &result, const QVariantMap &payload)
{
    respond(scriptRequest(requester), result, payload);
}

void RequesterDatafeedHandler::respond(const QVariantMap &request, const QString &result,
                                       const QVariantMap &payload)
{
    QVariantMap data = payload;
    data.insert(QStringLiteral("request"), request);
    data.insert(QStringLiteral("result"), result);
    emit response(data);
}

void RequesterDatafeedHandler::respondFailure(const QVariantMap &request,
                                              const FeedApi::ErrorResponse &error)
{
    QVariantMap details;
    details.insert(QStringLiteral("errorCode"), error.error());
    if (m_errorDetail == ErrorDetail::CodeAndMessage)
        details.insert(QStringLiteral("errorMessage"), FeedApiErrorsHelper::errorString(error));
    respond(request, QStringLiteral("fail"), {{QStringLiteral("error"), details}});
}

void RequesterDatafeedHandler::failRequest(FeedApi::Requester *requester,
                                           const FeedApi::ErrorResponse &error)
{
    respondFailure(scriptRequest(requester), error);
}

void RequesterDatafeedHandler::restartRequest(FeedApi::Requester *requester,
                                              const FeedApi::RerequestResponse &)
{
    const QString rid = ridOf(requester);
    HOSTAPI_ASSERT(!rid.isEmpty(), return);
    const QVariantMap request = scriptRequest(requester);
    deleteRequester(rid);
    const bool restarted = startRequest(rid, request);
    HOSTAPI_ASSERT(restarted, return);
}

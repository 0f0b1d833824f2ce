#pragma once

#include "abstractscriptdatafeedhandler.h"

#include <QMap>

namespace FeedApi {
class ErrorResponse;
class RerequestResponse;
class Requester;
} // namespace FeedApi

// Base of the handlers that serve their requests through the data library's requesters. It
// keeps m_requesters (rid → requester, owned) and implements the conventions they share:
// - a rid already running is refused with "duplicated 'rid' (%1)" (refuseDuplicate());
// - stopping an unknown rid is refused with "unknown 'rid' (%1) for request"; stopping ends
//   the requester and answers nothing; clearAll() ends every requester;
// - an ErrorResponse answers {"request", "result": "fail", "error": {"errorCode" and, when the
//   handler asks for it, "errorMessage"}};
// - a RerequestResponse bound to restartRequest() replaces the requester by a fresh start of
//   the same request, so the script sees neither "fail" nor "restart" and answers resume.
// A derived handler reads its own keys, builds the requester, binds its own responses and
// hands it to startRequester().
class RequesterDatafeedHandler : public AbstractScriptDatafeedHandler
{
    Q_OBJECT

public:
    // What a "fail" answer's "error" map carries.
    enum class ErrorDetail { CodeOnly, CodeAndMessage };

    ~RequesterDatafeedHandler() override;

    bool stopRequest(const QString &rid) override;
    void clearAll() override;

protected:
    RequesterDatafeedHandler(const QString &type, ErrorDetail errorDetail,
                             QObject *parent = nullptr);

    // True, with lastError set, when rid already runs here.
    bool refuseDuplicate(const QString &rid);
    // Binds ErrorResponse to failRequest(), stores the script's request as the requester's
    // "_request" property, takes ownership, records the requester under rid and starts it.
    void startRequester(const QString &rid, const QVariantMap &request,
                        FeedApi::Requester *requester);
    // Takes the requester of rid out of m_requesters and ends it (deleteLater).
    void deleteRequester(const QString &rid);

    // The rid a requester of this handler runs under; empty for another requester.
    QString ridOf(const FeedApi::Requester *requester) const;
    // The script's request map stored on a requester ("_request").
    static QVariantMap scriptRequest(const FeedApi::Requester *requester);
    // Emits {"request": the requester's script request, "result": result} with payload's keys.
    void respond(const FeedApi::Requester *requester, const QString &result,
                 const QVariantMap &payload = QVariantMap());
    // The same for a script request that has no requester yet.
    void respond(const QVariantMap &request, const QString &result,
                 const QVariantMap &payload = QVariantMap());
    // Emits the "fail" answer of error for request.
    void respondFailure(const QVariantMap &request, const FeedApi::ErrorResponse &error);

    // Callbacks shared by the handlers.
    void failRequest(FeedApi::Requester *requester, const FeedApi::ErrorResponse &error);
    void restartRequest(FeedApi::Requester *requester, const FeedApi::RerequestResponse &);

private:
    QMap<QString, FeedApi::Requester *> m_requesters;
    const ErrorDetail m_errorDetail;
};

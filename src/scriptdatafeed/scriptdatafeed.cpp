#include "scriptdatafeed.h"

#include "abstractscriptdatafeedhandler.h"
#include "chaindatafeedhandler.h"
#include "historicalbarsdatafeedhandler.h"
#include "newsbodydatafeedhandler.h"
#include "newsdatafeedhandler.h"
#include "quotedatafeedhandler.h"
#include "scriptformatter.h"
#include "symboldatafeedhandler.h"

#include <common/pluginlogline.h>
#include <logservice.h>

namespace {

const char TypeKey[] = "type";
const char RidKey[] = "rid";
const char StopType[] = "stop";

} // namespace

ScriptDatafeed::ScriptDatafeed(HostApi::IOutputChannel *log, QObject *parent, Handlers handlers)
    : QObject(parent)
    , m_log(log)
    , m_formatter(new ScriptFormatter(this))
{
    if (handlers == Handlers::None)
        return;
    registerDatafeedHandler(new SymbolDatafeedHandler(m_formatter));
    registerDatafeedHandler(new QuoteDatafeedHandler(m_log));
    registerDatafeedHandler(new ChainDatafeedHandler);
    registerDatafeedHandler(new HistoricalBarsDatafeedHandler(m_log));
    registerDatafeedHandler(new NewsDatafeedHandler);
    registerDatafeedHandler(new NewsBodyDatafeedHandler);
}

ScriptDatafeed::~ScriptDatafeed()
{
    clearAll();
}

QObject *ScriptDatafeed::formatter() const
{
    return m_formatter;
}

QString ScriptDatafeed::username() const
{
    return m_usernameSource ? m_usernameSource() : QString();
}

void ScriptDatafeed::setUsernameSource(UsernameSource source)
{
    m_usernameSource = std::move(source);
}

void ScriptDatafeed::registerDatafeedHandler(AbstractScriptDatafeedHandler *handler)
{
    HOSTAPI_ASSERT(handler, return);
    HOSTAPI_ASSERT(!handler->type().isEmpty(), return);
    HOSTAPI_ASSERT(!m_datafeedHandlers.contains(handler->type()), return);
    m_datafeedHandlers.insert(handler->type(), handler);
    connect(handler, &AbstractScriptDatafeedHandler::response,
            this, &ScriptDatafeed::response);
    handler->setParent(this);
}

bool ScriptDatafeed::request(const QVariantMap &r)
{
    const QString type = r.value(QLatin1String(TypeKey)).toString();
    if (type.isEmpty()) {
        logFailure(QStringLiteral("request failed"),
                   QStringLiteral("'rtype' not specified or empty"));
        return false;
    }
    const QString rid = r.value(QLatin1String(RidKey)).toString();
    if (rid.isEmpty()) {
        logFailure(QStringLiteral("'%1' request failed").arg(type),
                   QStringLiteral("'rid' is empty"));
        return false;
    }
    if (type.compare(QLatin1String(StopType), Qt::CaseInsensitive) == 0)
        return stop(type, rid);

    AbstractScriptDatafeedHandler *handler = m_datafeedHandlers.value(type);
    if (!handler) {
        logFailure(QStringLiteral("request failed"),
                   QStringLiteral("there are no handlers registered which are able to process "
                                  "request '%1'").arg(type));
        return false;
    }
    if (!handler->startRequest(rid, r)) {
        logFailure(QStringLiteral("'%1' request failed").arg(type), handler->lastError());
        return false;
    }
    m_runningRequests.insert(rid, handler);
    return true;
}

// The rid leaves the router before the handler is asked, so a refused stop cannot be retried.
bool ScriptDatafeed::stop(const QString &type, const QString &rid)
{
    AbstractScriptDatafeedHandler *handler = m_runningRequests.take(rid);
    if (!handler) {
        logFailure(QStringLiteral("'%1' request failed").arg(type),
                   QStringLiteral("no requests running with 'rid=%1'").arg(rid));
        return false;
    }
    if (!handler->stopRequest(rid)) {
        logFailure(QStringLiteral("request failed"), handler->lastError());
        return false;
    }
    return true;
}

void ScriptDatafeed::clearAll()
{
    for (AbstractScriptDatafeedHandler *handler : qAsConst(m_datafeedHandlers))
        handler->clearAll();
    m_formatter->clearSymbolCache();
}

void ScriptDatafeed::logFailure(const QString &message, const QString &detail) const
{
    pluginLogLine(m_log, QStringLiteral("datafeed"), message, detail);
}

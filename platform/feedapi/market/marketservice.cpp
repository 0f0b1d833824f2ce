#include "marketservice.h"

#include "marketbackend.h"
#include "marketlog.h"

namespace FeedApi {
namespace Market {

MarketService::MarketService(Quotes::QuoteSimulator *simulator, QObject *parent)
    : QObject(parent)
    , m_store(new MarketStore(this))
    , m_backend(new MarketBackend(m_store, simulator, this))
    , m_previous(Backend::setCurrent(m_backend))
{
}

MarketService::~MarketService()
{
    if (Backend::current() == m_backend)
        Backend::setCurrent(m_previous);
}

bool MarketService::start(const QString &dataFolder, quint32 seed)
{
    if (m_store->open(dataFolder, seed)) {
        m_errorString.clear();
        m_backend->poll();
        return true;
    }
    m_errorString = m_store->errorString();
    qCWarning(lcMarket).noquote()
        << tr("The market data service is unavailable: %1").arg(m_errorString);
    return false;
}

} // namespace Market
} // namespace FeedApi

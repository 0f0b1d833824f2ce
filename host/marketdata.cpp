#include "marketdata.h"

#include "symbolsearch.h"

#include <market/marketservice.h>
#include <market/marketstore.h>
#include <quotes/quoteseed.h>
#include <quotes/quotesimulator.h>
#include <servicelocator.h>
#include <symbolrequest.h>

#include <QPointer>

MarketData::MarketData(QObject *parent)
    : QObject(parent)
    , m_simulator(new FeedApi::Quotes::QuoteSimulator(this))
    , m_service(new FeedApi::Market::MarketService(m_simulator, this))
{
    FeedApi::Quotes::QuoteFeed::setCurrent(m_simulator);
}

MarketData::~MarketData()
{
    if (m_search)
        HostApi::ServiceLocator::instance()->unregisterService<HostApi::ISymbolSearchService>();
    // The service goes first: its backend releases the symbols it holds on the simulator.
    delete m_service;
}

bool MarketData::start(const QString &dataFolder)
{
    if (!m_service->start(dataFolder)) {
        // Quote subscriptions then fail as the data requests do: service unavailable.
        FeedApi::Quotes::QuoteFeed::setCurrent(nullptr);
        return false;
    }
    QPointer<FeedApi::Market::MarketStore> store = m_service->store();
    m_simulator->setSeedSource(
        [store](const QByteArray &symbol, const Common::DateTime &now)
            -> std::optional<FeedApi::Quotes::QuoteSeed> {
            if (!store)
                return std::nullopt;
            const auto instrument = store->instrument(symbol, FeedApi::VmtSymbolRequest::Vmt);
            if (!instrument)
                return std::nullopt;
            constexpr int LastTwoBars = 2;
            return FeedApi::Quotes::QuoteSeed::fromMarket(
                *instrument, store->lastBars(symbol, now, LastTwoBars), now.toQDate());
        });
    delete m_search;
    m_search = new SymbolSearch(store, this);
    HostApi::ServiceLocator::instance()->registerService<HostApi::ISymbolSearchService>(m_search);
    return true;
}

QString MarketData::errorString() const
{
    return m_service->errorString();
}

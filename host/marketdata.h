#pragma once

#include <QObject>
#include <QString>

namespace FeedApi {
namespace Market { class MarketService; }
namespace Quotes { class QuoteSimulator; }
} // namespace FeedApi

class SymbolSearch;

// The host's market data: the embedded market store with the backend that answers the data
// library, and the live quote simulator seeded from the store's last bars. While it lives its
// backend and simulator are the current ones, and the host's symbol inputs complete from its
// instruments (HostApi::ISymbolSearchService).
class MarketData : public QObject
{
    Q_OBJECT

public:
    explicit MarketData(QObject *parent = nullptr);
    ~MarketData() override;

    // Opens (or makes) the store in dataFolder. False with errorString() when it cannot: the
    // data library then answers every request with an error and every quote symbol is unknown.
    bool start(const QString &dataFolder);
    QString errorString() const;

    FeedApi::Market::MarketService *service() const { return m_service; }
    FeedApi::Quotes::QuoteSimulator *simulator() const { return m_simulator; }

private:
    FeedApi::Quotes::QuoteSimulator *m_simulator;
    FeedApi::Market::MarketService *m_service;
    SymbolSearch *m_search = nullptr;
};

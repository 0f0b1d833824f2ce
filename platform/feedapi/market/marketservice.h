#pragma once

#include "feedapi_global.h"
#include "marketstore.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace FeedApi {

class Backend;

namespace Quotes {
class QuoteSimulator;
}

namespace Market {

class MarketBackend;

// The default data service: a market store and the backend answering from it. From its
// construction to its destruction the backend is the current backend; before start() has
// succeeded (or when it failed) every request is answered with ServiceUnavailable, so a host
// whose store cannot be opened keeps running. The previous backend comes back on destruction.
class FEEDAPI_EXPORT MarketService : public QObject
{
    Q_OBJECT

public:
    // The simulator is not owned and may be null; realtime history then gets no updates.
    explicit MarketService(Quotes::QuoteSimulator *simulator = nullptr, QObject *parent = nullptr);
    ~MarketService() override;

    // Opens (or makes) the store in dataFolder; false with errorString() when it cannot.
    bool start(const QString &dataFolder, quint32 seed = MarketStore::DefaultSeed);
    QString errorString() const { return m_errorString; }

    MarketStore *store() const { return m_store; }
    MarketBackend *backend() const { return m_backend; }

private:
    MarketStore *m_store;
    MarketBackend *m_backend;
    QPointer<Backend> m_previous;
    QString m_errorString;
};

} // namespace Market
} // namespace FeedApi

#pragma once

#include <isymbolsearchservice.h>

#include <QObject>
#include <QVector>

namespace FeedApi {
namespace Market { class MarketStore; }
}

// Completion for the host's symbol inputs from the market store's instruments, read once.
class SymbolSearch : public QObject, public HostApi::ISymbolSearchService
{
    Q_OBJECT
    Q_INTERFACES(HostApi::ISymbolSearchService)

public:
    explicit SymbolSearch(const FeedApi::Market::MarketStore *store, QObject *parent = nullptr);

    QList<HostApi::SymbolMatch> findSymbols(const QString &text, int limit) const override;

private:
    QVector<HostApi::SymbolMatch> m_symbols;   // ascending by symbol
};

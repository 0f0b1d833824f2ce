#include "symbolsearch.h"

#include <market/marketstore.h>

#include <algorithm>

SymbolSearch::SymbolSearch(const FeedApi::Market::MarketStore *store, QObject *parent)
    : QObject(parent)
{
    for (const FeedApi::Market::Instrument &instrument : store->instruments())
        m_symbols.append({instrument.symbol, instrument.description});
    std::sort(m_symbols.begin(), m_symbols.end(),
              [](const HostApi::SymbolMatch &a, const HostApi::SymbolMatch &b) { return a.symbol < b.symbol; });
}

QList<HostApi::SymbolMatch> SymbolSearch::findSymbols(const QString &text, int limit) const
{
    QList<HostApi::SymbolMatch> found;
    const QString wanted = text.trimmed();
    if (wanted.isEmpty() || limit <= 0)
        return found;
    const QByteArray prefix = wanted.toUpper().toUtf8();
    for (const HostApi::SymbolMatch &match : m_symbols) {
        if (found.size() < limit && match.symbol.startsWith(prefix))
            found.append(match);
    }
    for (const HostApi::SymbolMatch &match : m_symbols) {
        if (found.size() < limit && !match.symbol.startsWith(prefix)
            && match.description.contains(wanted, Qt::CaseInsensitive))
            found.append(match);
    }
    return found;
}

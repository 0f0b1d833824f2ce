#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace HostApi {

// A symbol offered while the user types one.
struct SymbolMatch
{
    QByteArray symbol;
    QString description;
};

// Finds the symbols the host knows (its market data) for completion.
class ISymbolSearchService
{
public:
    virtual ~ISymbolSearchService() = default;

    // At most limit symbols starting with text (case-insensitive), then symbols whose
    // description contains it; in that order, each group ascending by symbol.
    virtual QList<SymbolMatch> findSymbols(const QString &text, int limit) const = 0;
};

} // namespace HostApi

Q_DECLARE_INTERFACE(HostApi::ISymbolSearchService, "com.quorvex.corvodesk.ISymbolSearchService/1.0")

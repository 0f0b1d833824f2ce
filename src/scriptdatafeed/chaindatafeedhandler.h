#pragma once

#include "symbollookupdatafeedhandler.h"

namespace FeedApi { class ChainResponse; }

// Serves "chain": the members of the option or futures chain of an underlying. The request
// waits for the underlying's record, then asks for the chain; every chain answer adds
// members. Keys: "symbol" (required), "date" (date-time; absent or invalid: the zero
// date-time), "isOutright" (bool, false).
class ChainDatafeedHandler : public SymbolLookupDatafeedHandler
{
    Q_OBJECT

public:
    explicit ChainDatafeedHandler(QObject *parent = nullptr);

    bool startRequest(const QString &rid, const QVariantMap &request) override;

protected:
    void startLookedUp(const QString &rid, const QVariantMap &request,
                       const QVariantMap &parameters,
                       const FeedApi::SymbolResponse &symbol) override;

private:
    void onChain(FeedApi::Requester *requester, const FeedApi::ChainResponse &chain);
};

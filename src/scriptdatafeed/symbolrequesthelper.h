#pragma once

#include <errorresponse.h>
#include <symbolresponse.h>

#include <QByteArray>
#include <QMap>
#include <QObject>

namespace FeedApi { class Requester; }

// A one-shot symbol lookup shared by the handlers that need an instrument's record before
// they can ask for its data. Each lookup answers exactly once: ready, failed or cancelled;
// asking again for a symbol still being looked up joins that lookup.
class SymbolRequestHelper : public QObject
{
    Q_OBJECT

public:
    explicit SymbolRequestHelper(QObject *parent = nullptr);
    // Drops every running lookup without a signal.
    ~SymbolRequestHelper() override;

    // Starts a lookup of symbol (symbology "vmt-extended") unless one is running.
    void requestSymbol(const QByteArray &symbol);
    // Ends the running lookup of symbol and emits symbolRequestCancelled().
    void stopSymbolRequest(const QByteArray &symbol);
    bool isRunning(const QByteArray &symbol) const { return m_requesters.contains(symbol); }

signals:
    void symbolRequestReady(const QByteArray &symbol, const FeedApi::SymbolResponse &response);
    void symbolRequestCancelled(const QByteArray &symbol);
    void symbolRequestFailed(const QByteArray &symbol, const FeedApi::ErrorResponse &error);

private:
    void onSymbol(FeedApi::Requester *requester, const FeedApi::SymbolResponse &response);
    void onError(FeedApi::Requester *requester, const FeedApi::ErrorResponse &error);
    QByteArray finish(FeedApi::Requester *requester);

    QMap<QByteArray, FeedApi::Requester *> m_requesters;
};

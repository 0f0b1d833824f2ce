#pragma once

#include "feedapi_global.h"
#include "quotes/tradingsessionparams.h"

#include <QByteArray>

// Names one quote model: a symbol, whether it is wanted in real time, the trading session and
// the kind of model. Field quotes are the kind FieldQuoteKind; the simulated feed serves
// real-time and delayed models and every session alike.
class FEEDAPI_EXPORT ModelKey
{
public:
    static constexpr int FieldQuoteKind = 4;

    ModelKey() = default;
    ModelKey(const QByteArray &symbol, bool realtime, const TradingSessionParams &session,
             int kind);

    QByteArray symbol() const { return m_symbol; }
    bool isRealtime() const { return m_realtime; }
    TradingSessionParams sessionParams() const { return m_session; }
    int kind() const { return m_kind; }

private:
    QByteArray m_symbol;
    bool m_realtime = false;
    TradingSessionParams m_session;
    int m_kind = FieldQuoteKind;
};

#include "modelkey.h"

ModelKey::ModelKey(const QByteArray &symbol, bool realtime, const TradingSessionParams &session,
                   int kind)
    : m_symbol(symbol)
    , m_realtime(realtime)
    , m_session(session)
    , m_kind(kind)
{
}

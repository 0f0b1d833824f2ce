#pragma once

#include "datetime.h"
#include "request.h"
#include "symbolrecord.h"

namespace FeedApi {

// Asks for the members of the chain of an underlying: the contracts of a futures root (the
// continuous symbol or any contract of it) or the options of a stock or a futures contract.
// A null date asks for the members listed today; isOutright leaves spreads out.
class FEEDAPI_EXPORT ChainRequest : public Request
{
public:
    ChainRequest(const Common::SymbolRecord &underlying, const Common::DateTime &date,
                 bool isOutright)
        : m_underlying(underlying), m_date(date), m_isOutright(isOutright) {}

    Common::SymbolRecord underlying() const { return m_underlying; }
    Common::DateTime date() const { return m_date; }
    bool isOutright() const { return m_isOutright; }

private:
    Common::SymbolRecord m_underlying;
    Common::DateTime m_date;
    bool m_isOutright;
};

} // namespace FeedApi

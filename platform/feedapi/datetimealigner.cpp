#include "datetimealigner.h"

namespace FeedApi {

namespace {

constexpr quint32 LastTimeOfDay = 235959999;

} // namespace

DateTimeAligner::DateTimeAligner(const Resolution &resolution, const Common::SymbolRecord &)
    : m_resolution(resolution)
{
}

Common::DateTime DateTimeAligner::alignLeft(const Common::DateTime &value) const
{
    return value.isNull() ? value : Common::DateTime(value.date(), 0);
}

Common::DateTime DateTimeAligner::alignRight(const Common::DateTime &value) const
{
    return value.isNull() ? value : Common::DateTime(value.date(), LastTimeOfDay);
}

} // namespace FeedApi

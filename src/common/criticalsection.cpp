#include "criticalsection.h"

#include <logservice.h>

#include <QRecursiveMutex>

namespace Common {

CriticalSection::CriticalSection()
    : m_impl(std::make_unique<QRecursiveMutex>())
{
}

CriticalSection::CriticalSection(CriticalSection &&other) noexcept = default;

CriticalSection::~CriticalSection() = default;

void CriticalSection::enter()
{
    HOSTAPI_ASSERT(m_impl.get() != NULL, return);
    m_impl->lock();
}

bool CriticalSection::tryEnter()
{
    HOSTAPI_ASSERT(m_impl.get() != NULL, return false);
    return m_impl->tryLock();
}

void CriticalSection::leave()
{
    HOSTAPI_ASSERT(m_impl.get() != NULL, return);
    m_impl->unlock();
}

} // namespace Common

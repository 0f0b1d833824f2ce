#pragma once

#include <memory>

class QRecursiveMutex;

namespace Common {

// A recursive lock guarding process-wide state. A moved-from section holds no lock; using it
// is reported ("m_impl.get() != NULL") and does nothing.
class CriticalSection
{
public:
    // Enters on construction, leaves on destruction.
    class Locker
    {
    public:
        explicit Locker(CriticalSection &section) : m_section(section) { m_section.enter(); }
        ~Locker() { m_section.leave(); }
        Locker(const Locker &) = delete;
        Locker &operator=(const Locker &) = delete;

    private:
        CriticalSection &m_section;
    };

    CriticalSection();
    CriticalSection(CriticalSection &&other) noexcept;
    ~CriticalSection();
    CriticalSection(const CriticalSection &) = delete;
    CriticalSection &operator=(const CriticalSection &) = delete;

    // Waits until the calling thread holds the section; a thread may enter it repeatedly and
    // leaves it as often.
    void enter();
    // Enters when no other thread holds the section; false otherwise.
    bool tryEnter();
    void leave();

private:
    std::unique_ptr<QRecursiveMutex> m_impl;
};

} // namespace Common

#include "seededrandom.h"

namespace FeedApi {
namespace Market {

namespace {

constexpr quint64 Golden = 0x9e3779b97f4a7c15ULL;
constexpr quint64 FnvOffset = 0xcbf29ce484222325ULL;
constexpr quint64 FnvPrime = 0x100000001b3ULL;
constexpr double TwoToMinus53 = 1.0 / 9007199254740992.0;
// The sum of four uniforms has mean 2 and variance 1/3.
constexpr double IrwinHallScale = 1.7320508075688772;

quint64 mix(quint64 z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

} // namespace

quint64 SeededRandom::key(quint64 a, quint64 b, quint64 c)
{
    return mix(mix(mix(a + Golden) ^ b) + c);
}

quint64 SeededRandom::hash(const QByteArray &bytes)
{
    quint64 h = FnvOffset;
    for (const char c : bytes) {
        h ^= quint8(c);
        h *= FnvPrime;
    }
    return h;
}

quint64 SeededRandom::next()
{
    m_state += Golden;
    return mix(m_state);
}

double SeededRandom::uniform()
{
    return double(next() >> 11) * TwoToMinus53;
}

int SeededRandom::below(int bound)
{
    return int(next() % quint64(bound));
}

double SeededRandom::normal()
{
    return (uniform() + uniform() + uniform() + uniform() - 2.0) * IrwinHallScale;
}

} // namespace Market
} // namespace FeedApi

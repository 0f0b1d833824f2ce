#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace FeedApi {
namespace Market {

// A stream of pseudo-random numbers from a 64-bit key (SplitMix64). Only integer arithmetic
// and IEEE additions and multiplications are used, so every platform and library version
// gives the same numbers for the same key. Keys are built from a seed and the names of what
// is generated (a symbol, a day), so any part of the store can be made again on its own.
class SeededRandom
{
public:
    explicit SeededRandom(quint64 key) : m_state(key) {}

    // Mixes parts into one key.
    static quint64 key(quint64 a, quint64 b, quint64 c = 0);
    // A stable 64-bit hash of bytes (FNV-1a).
    static quint64 hash(const QByteArray &bytes);

    quint64 next();
    // Uniform in [0, 1).
    double uniform();
    // Uniform in [0, bound); bound must be positive.
    int below(int bound);
    // Roughly standard normal (sum of four uniforms, scaled), within about +-3.5.
    double normal();

private:
    quint64 m_state;
};

} // namespace Market
} // namespace FeedApi

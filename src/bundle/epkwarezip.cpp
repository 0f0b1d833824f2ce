#include "epkwarezip.h"

#include "pkwaretables.h"

#include <logservice.h>

#include <QByteArray>
#include <QtEndian>

#include <cstring>

namespace {

constexpr qint64 InputBlockSize = 64 * 1024;
// Output is written whenever this much has piled up behind the dictionary.
constexpr qint64 OutputBlockSize = 256 * 1024;
// A match is copied in blocks of 16 bytes, at least 32, so it may write up to 31 bytes past
// its end.
constexpr int CopySlack = 32;
// The most bits one token takes: flag, length code and extra bits, distance code and low bits.
constexpr int MaxTokenBits = 1 + Pkware::MaxLengthCodeBits
    + Pkware::LengthExtraBits[Pkware::LengthSymbols - 1] + Pkware::MaxDistanceCodeBits
    + Pkware::MaxDictionaryBits;
// A refill leaves at least this many bits in the 64-bit bit buffer: it takes whole bytes while
// they fit.
constexpr int RefilledBits = 64 - 8;
static_assert(MaxTokenBits <= RefilledBits, "a refill must hold a whole token");

// Decoding tables, indexed by as many next bits of the stream as the longest code has (the
// first bit in bit 0). Every entry belongs to the symbol whose code those bits start with;
// the codes are complete, so no bit pattern lacks a symbol. The literal and length tables are
// indexed from the token's flag bit on, which saves a shift in the hot loop; their entries for
// the other flag value stay empty and are never read. Every entry starts with the number of
// bits it consumes, so that the hot loop can shift by the loaded entry as it is.

// The bits of the flag and the code in the low byte, the symbol in the high byte.
using LiteralEntry = std::uint16_t;

struct LengthEntry
{
    std::uint8_t codeBits;   // the flag bit and the code
    std::uint8_t extraBits;
    std::uint16_t base;
};

struct DistanceEntry
{
    std::uint8_t bits;
    std::uint8_t high;
};

constexpr int NoFlag = -1;
constexpr int LiteralFlag = 0;
constexpr int MatchFlag = 1;

template <typename Entry, int TableBits, std::size_t N, typename MakeEntry>
constexpr std::array<Entry, 1 << TableBits> lookupTable(const std::array<std::uint8_t, N> &bits,
                                                        const std::array<std::uint16_t, N> &codes,
                                                        int flag, MakeEntry makeEntry)
{
    std::array<Entry, 1 << TableBits> table{};
    for (std::size_t symbol = 0; symbol < N; ++symbol) {
        const unsigned code = flag == NoFlag ? codes[symbol]
                                             : unsigned(codes[symbol]) << 1 | unsigned(flag);
        const unsigned codeBits = bits[symbol] + (flag == NoFlag ? 0 : 1);
        for (std::size_t index = code; index < table.size(); index += 1u << codeBits)
            table[index] = makeEntry(symbol);
    }
    return table;
}

constexpr auto LiteralTable = lookupTable<LiteralEntry, 1 + Pkware::MaxLiteralCodeBits>(
    Pkware::LiteralCodeBits, Pkware::LiteralCodes, LiteralFlag, [](std::size_t symbol) {
        return LiteralEntry(symbol << 8 | (1u + Pkware::LiteralCodeBits[symbol]));
    });

constexpr auto LengthTable = lookupTable<LengthEntry, 1 + Pkware::MaxLengthCodeBits>(
    Pkware::LengthCodeBits, Pkware::LengthCodes, MatchFlag, [](std::size_t symbol) {
        return LengthEntry{std::uint8_t(1 + Pkware::LengthCodeBits[symbol]),
                           Pkware::LengthExtraBits[symbol], Pkware::LengthBase[symbol]};
    });

constexpr auto DistanceTable = lookupTable<DistanceEntry, Pkware::MaxDistanceCodeBits>(
    Pkware::DistanceCodeBits, Pkware::DistanceCodes, NoFlag, [](std::size_t symbol) {
        return DistanceEntry{Pkware::DistanceCodeBits[symbol], std::uint8_t(symbol)};
    });

constexpr quint64 lowBits(quint64 bits, unsigned count)
{
    return bits & ((quint64(1) << count) - 1);
}

// Some writers leave out the last, partial byte of a stream. A length whose last missingBits
// bits lay past the end of the input (read as zeros) is the end-of-stream code cut short when
// it has the end code's symbol and every extra bit that is there is a one.
constexpr bool isEndCutShort(unsigned length, int missingBits)
{
    constexpr int symbol = Pkware::LengthSymbols - 1;
    constexpr int extraBits = Pkware::LengthExtraBits[symbol];
    return missingBits < extraBits
        && length == Pkware::LengthBase[symbol] + (1u << (extraBits - missingBits)) - 1;
}

// One run of explode(): the input block and bit buffer, and the output window.
class Exploder
{
public:
    Exploder(const IPkwareZip::ReadCallback &read, const IPkwareZip::WriteCallback &write,
             qint64 outputLimit);

    IPkwareZip::Result run();

private:
    template <bool CodedLiterals>
    IPkwareZip::Result decodeTokens();

    void refill();
    void readInput();
    IPkwareZip::Result makeRoom(qint64 size);
    bool flush();
    void updateStop();

    const IPkwareZip::ReadCallback &m_read;
    const IPkwareZip::WriteCallback &m_write;
    const qint64 m_outputLimit;

    QByteArray m_input;
    const uchar *m_next = nullptr;   // the first byte not yet in the bit buffer
    const uchar *m_end = nullptr;
    bool m_inputEnded = false;
    quint64 m_bits = 0;              // the next m_bitCount bits of the stream, first in bit 0
    int m_bitCount = 0;
    int m_paddingBits = 0;           // zero bits added past the end of the input, on top
    unsigned m_dictionaryBits = 0;

    QByteArray m_output;
    uchar *m_window = nullptr;       // the output buffer: the dictionary, then new output
    uchar *m_windowEnd = nullptr;
    uchar *m_pending = nullptr;      // the first byte not yet written
    uchar *m_out = nullptr;
    uchar *m_stop = nullptr;         // output may grow up to here without makeRoom()
    qint64 m_written = 0;
};

Exploder::Exploder(const IPkwareZip::ReadCallback &read, const IPkwareZip::WriteCallback &write,
                   qint64 outputLimit)
    : m_read(read)
    , m_write(write)
    , m_outputLimit(outputLimit)
    , m_input(int(InputBlockSize), Qt::Uninitialized)
    , m_output(int(Pkware::MaxDictionarySize + OutputBlockSize + CopySlack), Qt::Uninitialized)
{
    m_next = m_end = reinterpret_cast<const uchar *>(m_input.constData());
    m_window = m_pending = m_out = reinterpret_cast<uchar *>(m_output.data());
    m_windowEnd = m_window + Pkware::MaxDictionarySize + OutputBlockSize;
    updateStop();
}

// Format notes. A stream is two header bytes, then a bit stream that fills each byte from its
// least significant bit on:
//
//   byte 0        literal coding: 0 = literals are 8 plain bits, 1 = literals are coded
//   byte 1        dictionary bits d: 4, 5 or 6 (a dictionary of 1024, 2048 or 4096 bytes)
//   tokens        until the end-of-stream token
//
// A token starts with one flag bit. 0 is a literal: 8 plain bits, or the literal code. 1 is a
// match: the length code, then its extra bits plainly (the length is the symbol's base plus
// them, 2..518; 519 ends the stream and has nothing after it); then the distance code (the
// high 6 bits of distance - 1), then the low bits of distance - 1 plainly, 2 of them for a
// length of 2 and d otherwise. A match copies length bytes from distance bytes back in the
// output, where the source may overlap what it writes. Codes are read by table lookup (see
// pkwaretables.h); every bit pattern is a valid code, so the only corrupt data is a distance
// reaching before the start of the output. Bits after the end-of-stream token are not read;
// the input may end inside the end code's extra bits (see isEndCutShort).
IPkwareZip::Result Exploder::run()
{
    refill();
    if (m_bitCount - m_paddingBits < 8 * Pkware::HeaderSize)
        return IPkwareZip::Truncated;
    const quint64 coding = m_bits & 0xff;
    const quint64 dictionaryBits = (m_bits >> 8) & 0xff;
    m_bits >>= 8 * Pkware::HeaderSize;
    m_bitCount -= 8 * Pkware::HeaderSize;
    if (coding > Pkware::CodedLiterals || dictionaryBits < Pkware::MinDictionaryBits
        || dictionaryBits > Pkware::MaxDictionaryBits) {
        return IPkwareZip::BadHeader;
    }
    m_dictionaryBits = unsigned(dictionaryBits);

    IPkwareZip::Result result = coding == Pkware::CodedLiterals ? decodeTokens<true>()
                                                                : decodeTokens<false>();
    if (result != IPkwareZip::WriteFailed && !flush())
        result = IPkwareZip::WriteFailed;
    return result;
}

// Tops the bit buffer up from the 8 bytes at next, which must be readable. The bytes loaded
// beyond the whole ones taken are loaded again, at the same place, by the next refill; and
// count | 56 is count plus 8 for each byte taken.
Q_ALWAYS_INLINE void refillFromWord(quint64 &bits, int &count, const uchar *&next)
{
    bits |= qFromLittleEndian<quint64>(next) << count;
    next += (63 - count) >> 3;
    count |= RefilledBits;
}

// The readers below take a bit buffer that holds the whole token.
template <bool CodedLiterals>
Q_ALWAYS_INLINE uchar readLiteral(quint64 &bits, int &count)
{
    if constexpr (CodedLiterals) {
        const LiteralEntry entry = LiteralTable[lowBits(bits, 1 + Pkware::MaxLiteralCodeBits)];
        bits >>= entry & 63;
        count -= entry & 0xff;
        return uchar(entry >> 8);
    } else {
        const uchar literal = uchar(bits >> 1);
        bits >>= 9;
        count -= 9;
        return literal;
    }
}

Q_ALWAYS_INLINE unsigned readLength(quint64 &bits, int &count)
{
    const LengthEntry entry = LengthTable[lowBits(bits, 1 + Pkware::MaxLengthCodeBits)];
    bits >>= entry.codeBits;
    const unsigned length = entry.base + unsigned(lowBits(bits, entry.extraBits));
    bits >>= entry.extraBits;
    count -= entry.codeBits + entry.extraBits;
    return length;
}

Q_ALWAYS_INLINE std::ptrdiff_t readDistance(quint64 &bits, int &count, unsigned length,
                                            unsigned dictionaryBits)
{
    const DistanceEntry entry = DistanceTable[lowBits(bits, Pkware::MaxDistanceCodeBits)];
    bits >>= entry.bits;
    const unsigned low = length == Pkware::MinMatchLength ? unsigned(Pkware::ShortMatchLowBits)
                                                          : dictionaryBits;
    const std::ptrdiff_t distance = std::ptrdiff_t((unsigned(entry.high) << low)
                                                   | unsigned(lowBits(bits, low))) + 1;
    bits >>= low;
    count -= entry.bits + low;
    return distance;
}

// Copies length bytes from distance bytes back; may write up to CopySlack - 1 bytes more.
Q_ALWAYS_INLINE void copyMatch(uchar *out, std::ptrdiff_t distance, unsigned length)
{
    const uchar *from = out - distance;
    uchar *const stop = out + length;
    if (distance >= 16) {
        std::memcpy(out, from, 16);
        std::memcpy(out + 16, from + 16, 16);
        for (out += 32, from += 32; out < stop; out += 16, from += 16)
            std::memcpy(out, from, 16);
    } else if (distance >= 8) {
        do {
            std::memcpy(out, from, 8);
            out += 8;
            from += 8;
        } while (out < stop);
    } else if (distance == 1) {
        std::memset(out, *from, length);
    } else {
        do {
            *out++ = *from++;
        } while (out < stop);
    }
}

// Decodes one token without any check but the distance's, when the bit buffer holds the
// whole token and the output has room for the longest match. False when decoding stops, with
// the result.
template <bool CodedLiterals>
Q_ALWAYS_INLINE bool decodeUncheckedToken(quint64 &bits, int &count, uchar *&out,
                                          const uchar *window, unsigned dictionaryBits,
                                          IPkwareZip::Result *result)
{
    if (!(bits & 1)) {
        *out++ = readLiteral<CodedLiterals>(bits, count);
        return true;
    }
    const unsigned length = readLength(bits, count);
    if (Q_UNLIKELY(length == Pkware::EndOfStreamLength)) {
        *result = IPkwareZip::Ok;
        return false;
    }
    const std::ptrdiff_t distance = readDistance(bits, count, length, dictionaryBits);
    if (Q_UNLIKELY(distance > out - window)) {
        *result = IPkwareZip::Corrupt;
        return false;
    }
    copyMatch(out, distance, length);
    out += length;
    return true;
}

// The hot loop works on local copies of the bit buffer and the pointers; they go back to the
// members around the calls that need them (refill, makeRoom). While at least 8 input bytes
// and room for two longest matches are left, tokens need no checks but the distance's, and
// each refill serves two tokens: a refill leaves at least 56 bits, and only a long, far match
// takes more than 26 of them.
template <bool CodedLiterals>
IPkwareZip::Result Exploder::decodeTokens()
{
    const uchar *next = m_next;
    const uchar *end = m_end;
    quint64 bits = m_bits;
    int count = m_bitCount;
    int padding = m_paddingBits;
    uchar *out = m_out;
    uchar *stop = m_stop;
    const uchar *const window = m_window;
    const unsigned dictionaryBits = m_dictionaryBits;

    const auto save = [&] {
        m_next = next;
        m_bits = bits;
        m_bitCount = count;
        m_out = out;
    };
    const auto load = [&] {
        next = m_next;
        end = m_end;
        bits = m_bits;
        count = m_bitCount;
        padding = m_paddingBits;
        out = m_out;
        stop = m_stop;
    };

    for (;;) {
        IPkwareZip::Result result = IPkwareZip::Ok;
        while (end - next >= 8 && stop - out >= 2 * Pkware::MaxMatchLength) {
            refillFromWord(bits, count, next);
            if (!decodeUncheckedToken<CodedLiterals>(bits, count, out, window, dictionaryBits,
                                                     &result)
                || (count >= MaxTokenBits
                    && !decodeUncheckedToken<CodedLiterals>(bits, count, out, window,
                                                            dictionaryBits, &result))) {
                save();
                return result;
            }
        }

        // Near the end of the input or of the output room: one token with every check.
        if (count < MaxTokenBits) {
            save();
            refill();
            load();
        }
        if (!(bits & 1)) {
            const uchar literal = readLiteral<CodedLiterals>(bits, count);
            if (count < padding) {
                save();
                return IPkwareZip::Truncated;
            }
            if (out == stop) {
                save();
                const IPkwareZip::Result result = makeRoom(1);
                if (result != IPkwareZip::Ok)
                    return result;
                load();
            }
            *out++ = literal;
            continue;
        }
        const unsigned length = readLength(bits, count);
        if (count < padding) {
            save();
            return isEndCutShort(length, padding - count) ? IPkwareZip::Ok : IPkwareZip::Truncated;
        }
        if (length == Pkware::EndOfStreamLength) {
            save();
            return IPkwareZip::Ok;
        }
        const std::ptrdiff_t distance = readDistance(bits, count, length, dictionaryBits);
        if (count < padding) {
            save();
            return IPkwareZip::Truncated;
        }
        if (distance > out - window) {
            save();
            return IPkwareZip::Corrupt;
        }
        if (stop - out < std::ptrdiff_t(length)) {
            save();
            const IPkwareZip::Result result = makeRoom(length);
            if (result != IPkwareZip::Ok)
                return result;
            load();
        }
        copyMatch(out, distance, length);
        out += length;
    }
}

// Fills the bit buffer to at least RefilledBits bits, reading input as needed. Past the end of
// the input it adds zero bits and counts them as padding: a token that uses any of them is
// truncated.
void Exploder::refill()
{
    if (!m_inputEnded)
        readInput();
    if (m_end - m_next >= 8) {
        refillFromWord(m_bits, m_bitCount, m_next);
        return;
    }
    while (m_bitCount < RefilledBits) {
        if (m_next != m_end) {
            m_bits |= quint64(*m_next++) << m_bitCount;
        } else if (!m_inputEnded) {
            readInput();
            continue;
        } else {
            m_paddingBits += 8;
        }
        m_bitCount += 8;
    }
}

// Moves the unread bytes (fewer than 8) to the front of the input block and fills the rest
// from the read callback.
void Exploder::readInput()
{
    uchar *block = reinterpret_cast<uchar *>(m_input.data());
    const qint64 kept = m_end - m_next;
    std::memmove(block, m_next, size_t(kept));
    const qint64 wanted = InputBlockSize - kept;
    qint64 got = m_read(reinterpret_cast<char *>(block + kept), wanted);
    HOSTAPI_ASSERT(got >= 0 && got <= wanted, got = 0);
    m_next = block;
    m_end = block + kept + got;
    if (got == 0)
        m_inputEnded = true;
}

// Makes room for size more bytes of output: writes what is pending and keeps only the
// dictionary's worth of output before it.
IPkwareZip::Result Exploder::makeRoom(qint64 size)
{
    const qint64 limitRoom = m_outputLimit - m_written - (m_out - m_pending);
    if (limitRoom < size)
        return IPkwareZip::OutputTooLarge;
    if (m_windowEnd - m_out < size) {
        if (!flush())
            return IPkwareZip::WriteFailed;
        const std::ptrdiff_t kept = qMin<std::ptrdiff_t>(Pkware::MaxDictionarySize,
                                                         m_out - m_window);
        std::memmove(m_window, m_out - kept, size_t(kept));
        m_out = m_pending = m_window + kept;
    }
    updateStop();
    return IPkwareZip::Ok;
}

bool Exploder::flush()
{
    const qint64 size = m_out - m_pending;
    if (size == 0)
        return true;
    if (!m_write(reinterpret_cast<const char *>(m_pending), size))
        return false;
    m_written += size;
    m_pending = m_out;
    return true;
}

void Exploder::updateStop()
{
    const qint64 limitRoom = m_outputLimit - m_written - (m_out - m_pending);
    m_stop = m_out + qBound<qint64>(0, limitRoom, m_windowEnd - m_out);
}

} // namespace

void EPkwareZip::setOutputLimit(qint64 limit)
{
    m_outputLimit = qMax<qint64>(0, limit);
}

IPkwareZip::Result EPkwareZip::explode(const ReadCallback &read, const WriteCallback &write)
{
    HOSTAPI_ASSERT(read, return Truncated);
    HOSTAPI_ASSERT(write, return WriteFailed);
    Exploder exploder(read, write, m_outputLimit);
    return exploder.run();
}

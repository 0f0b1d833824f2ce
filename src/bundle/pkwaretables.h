#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The fixed parameters and code tables of the implode format of the PKWARE Data Compression
// Library, shared by the decompressor (EPkwareZip) and the command line's compressor.
//
// The three codes of the format (literals, match lengths, distances) are prefix codes with
// fixed code lengths. Codes are canonical: shorter codes come first, codes of one length are
// given in symbol order. Each code is sent complemented, most significant bit first, into a
// bit stream that fills every byte from its least significant bit on.
namespace Pkware {

// Header byte 0: how literals are stored.
enum LiteralCoding : std::uint8_t {
    BinaryLiterals = 0,  // 8 plain bits
    CodedLiterals = 1    // the literal code below (made for ASCII text)
};

constexpr int HeaderSize = 2;
// Header byte 1: the number of low distance bits sent plainly, 4, 5 or 6, which makes the
// dictionary 1024, 2048 or 4096 bytes.
constexpr int MinDictionaryBits = 4;
constexpr int MaxDictionaryBits = 6;
constexpr int DistanceHighBits = 6;
constexpr int MaxDictionarySize = 1 << (MaxDictionaryBits + DistanceHighBits);

constexpr int MinMatchLength = 2;
constexpr int MaxMatchLength = 518;
// The match length that ends the stream; it has no distance.
constexpr int EndOfStreamLength = 519;
// A 2-byte match sends 2 low distance bits, whatever the dictionary, so it reaches 256 back.
constexpr int ShortMatchLowBits = 2;
constexpr int MaxShortMatchDistance = 1 << (ShortMatchLowBits + DistanceHighBits);

// Match lengths: symbol i stands for lengths LengthBase[i] .. LengthBase[i] + 2^extra - 1;
// the extra bits follow the code plainly.
constexpr int LengthSymbols = 16;
constexpr std::array<std::uint8_t, LengthSymbols> LengthCodeBits = {
    3, 2, 3, 3, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 7, 7};
constexpr std::array<std::uint16_t, LengthSymbols> LengthBase = {
    2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 16, 24, 40, 72, 136, 264};
constexpr std::array<std::uint8_t, LengthSymbols> LengthExtraBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};

// Distances: the symbol is the high 6 bits of distance - 1; the low bits follow plainly.
constexpr int DistanceSymbols = 1 << DistanceHighBits;
constexpr std::array<std::uint8_t, DistanceSymbols> DistanceCodeBits = {
    2, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6,
    6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};

// Coded literals: the code length of each byte value.
constexpr int LiteralSymbols = 256;
constexpr std::array<std::uint8_t, LiteralSymbols> LiteralCodeBits = {
    11, 12, 12, 12, 12, 12, 12, 12, 12,  8,  7, 12, 12,  7, 12, 12,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 13, 12, 12, 12, 12, 12,
     4, 10,  8, 12, 10, 12, 10,  8,  7,  7,  8,  9,  7,  6,  7,  8,
     7,  6,  7,  7,  7,  7,  8,  7,  7,  8,  8, 12, 11,  7,  9, 11,
    12,  6,  7,  6,  6,  5,  7,  8,  8,  6, 11,  9,  6,  7,  6,  6,
     7, 11,  6,  6,  6,  7,  9,  8,  9,  9, 11,  8, 11,  9, 12,  8,
    12,  5,  6,  6,  6,  5,  6,  6,  6,  5, 11,  7,  5,  6,  5,  5,
     6, 10,  5,  5,  5,  5,  8,  7,  8,  8, 10, 11, 11, 12, 12, 12,
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
    13, 12, 13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 12, 13,
    13, 13, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13};

constexpr int MaxLengthCodeBits = 7;
constexpr int MaxDistanceCodeBits = 8;
constexpr int MaxLiteralCodeBits = 13;

// Each symbol's code as it appears in the stream: the first bit sent in bit 0.
template <std::size_t N>
constexpr std::array<std::uint16_t, N> streamCodes(const std::array<std::uint8_t, N> &bits)
{
    std::array<std::uint16_t, N> codes{};
    std::uint32_t next = 0;  // the next canonical code of the current length
    for (int length = 1; length <= MaxLiteralCodeBits; ++length) {
        for (std::size_t symbol = 0; symbol < N; ++symbol) {
            if (bits[symbol] != length)
                continue;
            const std::uint32_t sent = ~next & ((1u << length) - 1);
            std::uint16_t reversed = 0;
            for (int i = 0; i < length; ++i)
                reversed |= std::uint16_t(((sent >> (length - 1 - i)) & 1u) << i);
            codes[symbol] = reversed;
            ++next;
        }
        next <<= 1;
    }
    return codes;
}

// True when the code lengths use every bit pattern, so that no invalid code can occur.
template <std::size_t N>
constexpr bool isCompleteCode(const std::array<std::uint8_t, N> &bits, int maxBits)
{
    std::uint32_t used = 0;
    for (std::size_t symbol = 0; symbol < N; ++symbol)
        used += 1u << (maxBits - bits[symbol]);
    return used == 1u << maxBits;
}

static_assert(isCompleteCode(LengthCodeBits, MaxLengthCodeBits), "length code has gaps");
static_assert(isCompleteCode(DistanceCodeBits, MaxDistanceCodeBits), "distance code has gaps");
static_assert(isCompleteCode(LiteralCodeBits, MaxLiteralCodeBits), "literal code has gaps");
static_assert(LengthBase[LengthSymbols - 1] + (1 << LengthExtraBits[LengthSymbols - 1]) - 1
                  == EndOfStreamLength,
              "the largest length is the end of the stream");

constexpr std::array<std::uint16_t, LengthSymbols> LengthCodes = streamCodes(LengthCodeBits);
constexpr std::array<std::uint16_t, DistanceSymbols> DistanceCodes = streamCodes(DistanceCodeBits);
constexpr std::array<std::uint16_t, LiteralSymbols> LiteralCodes = streamCodes(LiteralCodeBits);

} // namespace Pkware

#include "pkwareimplode.h"

#include <bundle/pkwaretables.h>
#include <logservice.h>

#include <QVector>

namespace {

// Candidates for matches of 3 bytes and more come from chains of earlier positions with the
// same hash of their first 3 bytes.
constexpr int HashBits = 15;
constexpr int MaxChainSteps = 256;
// A chain link is kept for the last MaxDictionarySize positions only; older positions are out
// of reach anyway.
constexpr int ChainMask = Pkware::MaxDictionarySize - 1;
// A match at least this long is taken without looking at the next position.
constexpr int MaxLazyLength = 32;

struct Match
{
    int length = 0;
    int distance = 0;
};

// Finds the longest earlier match for each position, in increasing order of positions.
class MatchFinder
{
public:
    MatchFinder(const QByteArray &data, int dictionarySize);

    // The longest match at pos, the nearest of equal ones; length 0 when there is none.
    Match find(int pos);

private:
    void insertUpTo(int pos);
    int hash(int pos) const;
    int pair(int pos) const;
    int matchLength(int candidate, int pos, int maxLength) const;

    const uchar *m_data;
    const int m_size;
    const int m_dictionarySize;
    int m_inserted = 0;         // positions before this one are in the tables
    QVector<int> m_head;        // hash -> the last position with it, or -1
    QVector<int> m_previous;    // position & ChainMask -> the previous position with its hash
    QVector<int> m_lastPair;    // first two bytes -> the last position starting with them, or -1
};

MatchFinder::MatchFinder(const QByteArray &data, int dictionarySize)
    : m_data(reinterpret_cast<const uchar *>(data.constData()))
    , m_size(data.size())
    , m_dictionarySize(dictionarySize)
    , m_head(1 << HashBits, -1)
    , m_previous(ChainMask + 1, -1)
    , m_lastPair(1 << 16, -1)
{
}

Match MatchFinder::find(int pos)
{
    insertUpTo(pos);
    Match best;
    const int maxLength = qMin(Pkware::MaxMatchLength, m_size - pos);
    if (maxLength < Pkware::MinMatchLength)
        return best;

    // 2-byte matches reach less far than longer ones; the nearest is the cheapest.
    const int pairCandidate = m_lastPair[pair(pos)];
    if (pairCandidate >= 0 && pos - pairCandidate <= Pkware::MaxShortMatchDistance) {
        best.length = matchLength(pairCandidate, pos, maxLength);
        best.distance = pos - pairCandidate;
    }
    if (maxLength < 3 || best.length == maxLength)
        return best;

    int candidate = m_head[hash(pos)];
    for (int steps = MaxChainSteps; candidate >= 0 && steps > 0; --steps) {
        const int distance = pos - candidate;
        if (distance > m_dictionarySize)
            break;
        if (m_data[candidate + best.length] == m_data[pos + best.length]) {
            const int length = matchLength(candidate, pos, maxLength);
            if (length > best.length && length >= 3) {
                best.length = length;
                best.distance = distance;
                if (length == maxLength)
                    break;
            }
        }
        candidate = m_previous[candidate & ChainMask];
    }
    return best;
}

void MatchFinder::insertUpTo(int pos)
{
    for (; m_inserted < pos; ++m_inserted) {
        if (m_inserted + 2 < m_size) {
            const int h = hash(m_inserted);
            m_previous[m_inserted & ChainMask] = m_head[h];
            m_head[h] = m_inserted;
        }
        if (m_inserted + 1 < m_size)
            m_lastPair[pair(m_inserted)] = m_inserted;
    }
}

int MatchFinder::hash(int pos) const
{
    const quint32 bytes = quint32(m_data[pos]) | quint32(m_data[pos + 1]) << 8
        | quint32(m_data[pos + 2]) << 16;
    return int((bytes * 2654435761u) >> (32 - HashBits));
}

int MatchFinder::pair(int pos) const
{
    return m_data[pos] | m_data[pos + 1] << 8;
}

int MatchFinder::matchLength(int candidate, int pos, int maxLength) const
{
    int length = 0;
    while (length < maxLength && m_data[candidate + length] == m_data[pos + length])
        ++length;
    return length;
}

// Collects bits from the least significant bit of each byte on.
class BitWriter
{
public:
    explicit BitWriter(QByteArray *out) : m_out(out) {}

    void put(quint32 value, int bits)
    {
        m_bits |= quint64(value) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            m_out->append(char(m_bits & 0xff));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    // Pads the last byte with zero bits.
    void finish()
    {
        if (m_count > 0)
            m_out->append(char(m_bits & 0xff));
        m_bits = 0;
        m_count = 0;
    }

private:
    QByteArray *m_out;
    quint64 m_bits = 0;
    int m_count = 0;
};

// Writes the tokens of one stream and knows what each costs.
class TokenWriter
{
public:
    TokenWriter(QByteArray *out, PkwareCoding coding, int dictionaryBits)
        : m_bits(out), m_coded(coding == PkwareCoding::Ascii), m_dictionaryBits(dictionaryBits)
    {
    }

    int literalCost(uchar byte) const
    {
        return 1 + (m_coded ? Pkware::LiteralCodeBits[byte] : 8);
    }

    int matchCost(const Match &match) const
    {
        const int symbol = lengthSymbol(match.length);
        const int low = distanceLowBits(match.length);
        return 1 + Pkware::LengthCodeBits[symbol] + Pkware::LengthExtraBits[symbol]
            + Pkware::DistanceCodeBits[(match.distance - 1) >> low] + low;
    }

    void writeLiteral(uchar byte)
    {
        m_bits.put(0, 1);
        if (m_coded)
            m_bits.put(Pkware::LiteralCodes[byte], Pkware::LiteralCodeBits[byte]);
        else
            m_bits.put(byte, 8);
    }

    void writeMatch(const Match &match)
    {
        writeLength(match.length);
        const int low = distanceLowBits(match.length);
        const int high = (match.distance - 1) >> low;
        m_bits.put(Pkware::DistanceCodes[high], Pkware::DistanceCodeBits[high]);
        m_bits.put(quint32(match.distance - 1) & ((1u << low) - 1), low);
    }

    void writeEnd()
    {
        writeLength(Pkware::EndOfStreamLength);
        m_bits.finish();
    }

private:
    static int lengthSymbol(int length)
    {
        int symbol = Pkware::LengthSymbols - 1;
        while (Pkware::LengthBase[symbol] > length)
            --symbol;
        return symbol;
    }

    int distanceLowBits(int length) const
    {
        return length == Pkware::MinMatchLength ? Pkware::ShortMatchLowBits : m_dictionaryBits;
    }

    void writeLength(int length)
    {
        const int symbol = lengthSymbol(length);
        m_bits.put(1, 1);
        m_bits.put(Pkware::LengthCodes[symbol], Pkware::LengthCodeBits[symbol]);
        m_bits.put(quint32(length - Pkware::LengthBase[symbol]), Pkware::LengthExtraBits[symbol]);
    }

    BitWriter m_bits;
    const bool m_coded;
    const int m_dictionaryBits;
};

} // namespace

QByteArray pkwareImplode(const QByteArray &data, PkwareCoding coding, int dictionarySize)
{
    int dictionaryBits = Pkware::MinDictionaryBits;
    while (dictionaryBits < Pkware::MaxDictionaryBits
           && dictionarySize != 1 << (dictionaryBits + Pkware::DistanceHighBits)) {
        ++dictionaryBits;
    }
    HOSTAPI_ASSERT(dictionarySize == 1 << (dictionaryBits + Pkware::DistanceHighBits),
                   return QByteArray());

    QByteArray out;
    out.reserve(Pkware::HeaderSize + data.size() / 2);
    out.append(char(coding == PkwareCoding::Ascii ? Pkware::CodedLiterals
                                                  : Pkware::BinaryLiterals));
    out.append(char(dictionaryBits));

    TokenWriter writer(&out, coding, dictionaryBits);
    MatchFinder finder(data, dictionarySize);
    const uchar *bytes = reinterpret_cast<const uchar *>(data.constData());
    // The bits a match saves over sending its bytes as literals.
    const auto savings = [&](int pos, const Match &match) {
        if (match.length == 0)
            return 0;
        int literals = 0;
        for (int i = 0; i < match.length; ++i)
            literals += writer.literalCost(bytes[pos + i]);
        return literals - writer.matchCost(match);
    };

    int pos = 0;
    Match match = finder.find(pos);
    while (pos < data.size()) {
        const int saved = savings(pos, match);
        if (saved <= 0) {
            writer.writeLiteral(bytes[pos]);
            match = finder.find(++pos);
            continue;
        }
        if (match.length < MaxLazyLength) {
            const Match later = finder.find(pos + 1);
            if (savings(pos + 1, later) > saved) {
                writer.writeLiteral(bytes[pos]);
                ++pos;
                match = later;
                continue;
            }
        }
        writer.writeMatch(match);
        pos += match.length;
        match = finder.find(pos);
    }
    writer.writeEnd();
    return out;
}

#pragma once

#include <QtGlobal>

#include <functional>

// A decompressor for the implode format of the PKWARE Data Compression Library.
// The caller drives it with two callbacks; it never owns the data it is handed.
class IPkwareZip
{
public:
    enum Result {
        Ok,              // the end-of-stream code was read
        Truncated,       // the input ran out before the end-of-stream code
        BadHeader,       // unknown literal coding or dictionary size
        Corrupt,         // a code that cannot occur, or a distance before the start
        OutputTooLarge,  // more output than the limit allows
        WriteFailed      // the write callback refused the data
    };

    // Fills buffer with at most size bytes and returns how many it gave; 0 means the end.
    using ReadCallback = std::function<qint64(char *buffer, qint64 size)>;
    // Takes size bytes of output; false stops decoding with WriteFailed.
    using WriteCallback = std::function<bool(const char *data, qint64 size)>;

    virtual ~IPkwareZip() = default;

    virtual Result explode(const ReadCallback &read, const WriteCallback &write) = 0;
};

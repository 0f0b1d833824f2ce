#pragma once

#include "bundlelimits.h"
#include "ipkwarezip.h"

// Decompresses the implode format of the PKWARE Data Compression Library: either literal
// coding, dictionaries of 1024, 2048 and 4096 bytes.
//
// explode() pulls the input through the read callback in blocks and hands the output to the
// write callback in blocks of some hundred kilobytes. Both callbacks are borrowed for
// the call only; nothing of them is kept when explode() returns. Input after the end-of-stream
// code is not read. Whatever the result, the output decoded before the stop has been written
// (except with WriteFailed), and never more than the output limit.
//
// The output limit bounds what one call may produce, so that a small stream cannot make the
// caller collect an unbounded amount of data. By default it is the largest zip a secured
// file may decode to.
class EPkwareZip : public IPkwareZip
{
public:
    static constexpr qint64 DefaultOutputLimit = BundleLimits::MaxPayloadSize;

    EPkwareZip() = default;

    qint64 outputLimit() const { return m_outputLimit; }
    // A negative limit counts as 0.
    void setOutputLimit(qint64 limit);

    Result explode(const ReadCallback &read, const WriteCallback &write) override;

private:
    Q_DISABLE_COPY(EPkwareZip)

    qint64 m_outputLimit = DefaultOutputLimit;
};

// Explodes arbitrary bytes under a modest output limit: every input must end with a result,
// without a memory error, and never produce more than the limit. Seeds: corpus/ (imploded
// streams of the decompressor's test data, binary and ASCII modes).

#include <bundle/epkwarezip.h>

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr qint64 FuzzOutputLimit = 4 * 1024 * 1024;
constexpr qint64 MaxSmallRead = 61;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Inputs of odd size are handed out in small reads, so that refills meet block edges.
    const qint64 readSize = size % 2 ? 1 + qint64(size) % MaxSmallRead : qint64(size);
    EPkwareZip zip;
    zip.setOutputLimit(FuzzOutputLimit);
    qint64 offset = 0;
    QByteArray output;
    const IPkwareZip::Result result = zip.explode(
        [&](char *buffer, qint64 wanted) {
            const qint64 n = qMin(qMin(wanted, readSize), qint64(size) - offset);
            std::memcpy(buffer, data + offset, std::size_t(n));
            offset += n;
            return n;
        },
        [&](const char *chunk, qint64 n) {
            output.append(chunk, int(n));
            return true;
        });
    if (output.size() > FuzzOutputLimit || offset > qint64(size)
        || (result != IPkwareZip::Ok && result != IPkwareZip::Truncated
            && result != IPkwareZip::BadHeader && result != IPkwareZip::Corrupt
            && result != IPkwareZip::OutputTooLarge)) {
        std::abort();
    }
    return 0;
}

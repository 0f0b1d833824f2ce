// BundleArchive on arbitrary bytes, as a decoded secured file hands it over: every input ends
// with an archive refused or opened, each entry of an opened one reads whole or with a
// reason, within the entry limit, and no two names are equal ignoring case.
#include <bundle/bundlearchive.h>
#include <bundle/bundlelimits.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const BundleArchive archive(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    if (!archive.isOpen() && archive.errorString().isEmpty())
        std::abort();
    for (int i = 0; archive.isOpen() && i < archive.count(); ++i) {
        QString error;
        const QByteArray bytes = archive.read(i, &error);
        if (bytes.size() > BundleLimits::MaxEntrySize || (!error.isNull() && !bytes.isEmpty())
            || archive.indexOf(archive.name(i)) != i) {
            std::abort();
        }
    }
    return 0;
}

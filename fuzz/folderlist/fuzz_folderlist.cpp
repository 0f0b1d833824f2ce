// The folder-list reader (webplugins.xml, tessel.xml) on arbitrary bytes written to a file: it
// must return, refuse with a reason or list folders, never both, and every folder it lists is
// an absolute path. Seed corpus: corpus/; folderlist.dict holds the list's names and XML syntax.
#include <bundle/folderlist.h>

#include <logservice.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Where the input file goes; a folder in memory keeps writing it fast.
QTemporaryDir &folder()
{
    static const QString memory = QStringLiteral("/dev/shm");
    static QTemporaryDir dir(QFileInfo(memory).isWritable()
                                 ? memory + QStringLiteral("/fuzz_folderlist-XXXXXX")
                                 : QString());
    return dir;
}

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_folderlist: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A refused list goes to the diagnostic log; writing each one would slow the fuzzer down.
    QuorvexServiceApi()->setSink([](const HostApi::LogEntry &) {});
    return folder().isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString file = folder().filePath(QStringLiteral("webplugins.xml"));
    QFile out(file);
    check(out.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the list file");
    out.write(reinterpret_cast<const char *>(data), qint64(size));
    out.close();

    QString error;
    const QStringList folders = readFolderList(file, &error);
    check(error.isEmpty() || folders.isEmpty(), "a refused list still gives folders");
    for (const QString &path : folders)
        check(!path.isEmpty() && QDir::isAbsolutePath(path), "a listed folder is not absolute");
    return 0;
}

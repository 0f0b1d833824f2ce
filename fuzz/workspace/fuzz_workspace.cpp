// The host's workspace reader on arbitrary bytes as workspace.json: what it restores stays
// within its limits, and saving what it restored then reading that back gives the same
// workspace. Seed corpus: corpus/.
#include <workspacestore.h>

#include <logservice.h>

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
                                 ? memory + QStringLiteral("/fuzz_workspace-XXXXXX")
                                 : QString());
    return dir;
}

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_workspace: %s\n", what);
        std::abort();
    }
}

bool sameWorkspace(const Workspace &a, const Workspace &b)
{
    return a.windowGeometry == b.windowGeometry && a.windowState == b.windowState
        && a.documents == b.documents && a.activeDocument == b.activeDocument;
}

} // namespace

// Qt 5.15's JSON parser leaks a few bytes on an object with a repeated key (seed
// corpus/repeated-key.json). The fast unwinder stops inside the library, so the suppression
// names the library: the reader itself calls no code that calls back into it.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Refused entries are reported to the diagnostic log; the fuzzer does not need them.
    QuorvexServiceApi()->setSink([](const HostApi::LogEntry &) {});
    return folder().isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = folder().filePath(QStringLiteral("input.json"));
    QFile out(input);
    check(out.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the input file");
    out.write(reinterpret_cast<const char *>(data), qint64(size));
    out.close();

    const Workspace restored = WorkspaceStore(input).load();
    check(restored.documents.size() <= WorkspaceStore::MaxDocuments, "too many documents");
    check(restored.activeDocument >= -1 && restored.activeDocument < restored.documents.size(),
          "the active document is not one of the documents");
    for (const WorkspaceDocument &document : restored.documents) {
        check(!document.templateId.isEmpty(), "a document without template");
        check(document.title.size() <= WorkspaceStore::MaxTitleLength, "a title over the limit");
    }

    const WorkspaceStore saved(folder().filePath(QStringLiteral("saved.json")));
    check(saved.save(restored), "the restored workspace cannot be saved");
    check(sameWorkspace(saved.load(), restored), "the saved workspace reads back differently");
    return 0;
}

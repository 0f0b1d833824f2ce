// Opening a 10 MB secured bundle beside its floor, the work no opening can avoid, on the same
// bytes in the same run: reading the file, un-XORing the payload in place, exploding it into a
// buffer of its final size, the SHA-1 of the result and reading the zip directory. Prints both
// and the ratio.
#include "securedwriter.h"

#include <bundle/epkwarezip.h>
#include <bundle/securedbundle.h>
#include <bundle/securedfile.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

// About 16 MB of zip, 10 MB secured: scripts (compressible) and images (not), half each.
QByteArray sampleZip()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdCreate);
    QRandomGenerator random(7);
    for (int i = 0; bytes.size() < 16 * 1024 * 1024; ++i) {
        QByteArray content;
        if (i % 2 == 1) {
            content.resize(300 * 1024);
            for (char &c : content)
                c = char(random.bounded(256));
        } else {
            for (int line = 0; content.size() < 300 * 1024; ++line)
                content += "function update" + QByteArray::number(line) + "(quote) { return quote.last * "
                    + QByteArray::number(random.bounded(1000)) + "; }\n";
        }
        QuaZipFile file(&zip);
        file.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("file%1.js").arg(i)), nullptr, 0, 0, 0);
        file.write(content);
        file.close();
    }
    zip.close();
    return bytes;
}

struct Fixture
{
    Fixture()
    {
        file = dir.path() + QStringLiteral("/Sample.wps");
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        const QByteArray zip = sampleZip();
        const QByteArray secured = encodeSecured(zip, QByteArray());
        size = out.write(secured);
        zipSize = zip.size();
        // Signature, version, then the hash and the payload, each after its 32-bit length.
        const int hashSize = int(qFromBigEndian<quint32>(secured.constData() + 8));
        payloadOffset = 16 + hashSize;
        payloadSize = int(qFromBigEndian<quint32>(secured.constData() + 12 + hashSize));
    }
    QTemporaryDir dir;
    QString file;
    qint64 size = 0;
    int zipSize = 0;
    int payloadOffset = 0;
    int payloadSize = 0;
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_Floor(benchmark::State &state)
{
    const Fixture &f = fixture();
    const QByteArray key = SecuredFile::builtinKey();
    for (auto _ : state) {
        QFile file(f.file);
        file.open(QIODevice::ReadOnly);
        QByteArray data = file.readAll();
        char *payload = data.data() + f.payloadOffset;
        SecuredFile::scrambleInPlace(payload, f.payloadSize, key);
        QByteArray zip(f.zipSize, Qt::Uninitialized);
        qint64 read = 0;
        qint64 written = 0;
        EPkwareZip().explode(
            [&](char *buffer, qint64 size) {
                const qint64 count = qMin(size, f.payloadSize - read);
                std::memcpy(buffer, payload + read, size_t(count));
                read += count;
                return count;
            },
            [&](const char *bytes, qint64 size) {
                std::memcpy(zip.data() + written, bytes, size_t(size));
                written += size;
                return true;
            });
        benchmark::DoNotOptimize(QCryptographicHash::hash(zip, QCryptographicHash::Sha1));
        QBuffer buffer(&zip);
        QuaZip archive(&buffer);
        archive.open(QuaZip::mdUnzip);
        benchmark::DoNotOptimize(archive.getFileInfoList64());
    }
    state.SetBytesProcessed(state.iterations() * f.size);
}

void BM_SecuredBundle(benchmark::State &state)
{
    for (auto _ : state) {
        SecuredBundle bundle(fixture().file, true, nullptr);
        benchmark::DoNotOptimize(bundle.exists(QStringLiteral("file0.js")));
    }
    state.SetBytesProcessed(state.iterations() * fixture().size);
}

BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SecuredBundle)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(RatioReporter::CpuTime);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double floor = reporter.time("BM_Floor");
    const double open = reporter.time("BM_SecuredBundle");
    std::printf("secured file: %.1f MB; floor %.2f ms; SecuredBundle %.2f ms; ratio %.2fx (target 1.5x)\n",
                fixture().size / 1e6, floor, open, floor > 0 ? open / floor : 0.0);
    return 0;
}

// Opening a 10 MB secured bundle (decode + SHA-1 + zip open) beside reading the same bytes
// from disk, in one run; prints both and the ratio.
#include "securedwriter.h"

#include <bundle/securedbundle.h>

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>

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
        size = out.write(encodeSecured(sampleZip(), QByteArray()));
    }
    QTemporaryDir dir;
    QString file;
    qint64 size = 0;
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_ReadFile(benchmark::State &state)
{
    for (auto _ : state) {
        QFile file(fixture().file);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(file.readAll());
    }
    state.SetBytesProcessed(state.iterations() * fixture().size);
}

void BM_SecuredBundle(benchmark::State &state)
{
    for (auto _ : state) {
        SecuredBundle bundle(fixture().file, true, nullptr);
        benchmark::DoNotOptimize(bundle.exists(QStringLiteral("file0.js")));
    }
    state.SetBytesProcessed(state.iterations() * fixture().size);
}

BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SecuredBundle)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(RatioReporter::CpuTime);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double read = reporter.time("BM_ReadFile");
    const double open = reporter.time("BM_SecuredBundle");
    std::printf("secured file: %.1f MB; read from disk %.2f ms; SecuredBundle %.2f ms; ratio %.1fx\n",
                fixture().size / 1e6, read, open, read > 0 ? open / read : 0.0);
    return 0;
}

// Explode throughput against zlib's inflate (level 6) of the same content, in output bytes.

#include <bundle/epkwarezip.h>

#include <QByteArray>
#include <QFile>
#include <QMap>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int ZlibLevel = 6;

struct Sample
{
    QByteArray imploded;
    QByteArray raw;
    QByteArray deflated;
};

QByteArray readVector(const QString &name)
{
    QFile file(QStringLiteral(EXPLODE_VECTORS_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
    return file.readAll();
}

// The vector's files and the raw content deflated, read and made once.
const Sample &sample(const QString &name)
{
    static QMap<QString, Sample> samples;
    auto it = samples.find(name);
    if (it != samples.end())
        return *it;
    Sample v;
    v.imploded = readVector(name + QLatin1String(".imploded"));
    v.raw = readVector(name + QLatin1String(".raw"));
    uLongf size = compressBound(uLong(v.raw.size()));
    v.deflated.resize(int(size));
    compress2(reinterpret_cast<Bytef *>(v.deflated.data()), &size,
              reinterpret_cast<const Bytef *>(v.raw.constData()), uLong(v.raw.size()), ZlibLevel);
    v.deflated.resize(int(size));
    return *samples.insert(name, v);
}

void explodeBench(benchmark::State &state, const QString &name)
{
    const Sample &v = sample(name);
    QByteArray out(v.raw.size(), Qt::Uninitialized);
    EPkwareZip zip;
    for (auto _ : state) {
        qint64 offset = 0;
        qint64 produced = 0;
        const IPkwareZip::Result result = zip.explode(
            [&](char *buffer, qint64 size) {
                const qint64 n = qMin(size, v.imploded.size() - offset);
                std::memcpy(buffer, v.imploded.constData() + offset, size_t(n));
                offset += n;
                return n;
            },
            [&](const char *data, qint64 size) {
                if (produced + size > out.size())
                    return false;
                std::memcpy(out.data() + produced, data, size_t(size));
                produced += size;
                return true;
            });
        if (result != IPkwareZip::Ok || produced != v.raw.size()) {
            state.SkipWithError("explode failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    if (out != v.raw)
        state.SkipWithError("explode output differs");
    state.SetBytesProcessed(state.iterations() * v.raw.size());
}

void inflateBench(benchmark::State &state, const QString &name)
{
    const Sample &v = sample(name);
    QByteArray out(v.raw.size(), Qt::Uninitialized);
    for (auto _ : state) {
        uLongf size = uLongf(out.size());
        const int result = uncompress(reinterpret_cast<Bytef *>(out.data()), &size,
                                      reinterpret_cast<const Bytef *>(v.deflated.constData()),
                                      uLong(v.deflated.size()));
        if (result != Z_OK || size != uLongf(v.raw.size())) {
            state.SkipWithError("inflate failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    if (out != v.raw)
        state.SkipWithError("inflate output differs");
    state.SetBytesProcessed(state.iterations() * v.raw.size());
}

// The console report, plus each benchmark's output rate for the summary: the median when
// the runs are repeated.
class RateReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it == run.counters.end())
                continue;
            const QString name = QString::fromStdString(run.run_name.function_name);
            if (run.run_type == Run::RT_Iteration)
                m_lastRates[name] = it->second.value / 1e6;
            else if (run.aggregate_name == "median")
                m_medianRates[name] = it->second.value / 1e6;
        }
    }

    // In MB/s; 0 for an unknown benchmark.
    double rate(const QString &name) const
    {
        return m_medianRates.value(name, m_lastRates.value(name));
    }

private:
    QMap<QString, double> m_lastRates;
    QMap<QString, double> m_medianRates;
};

struct Vector
{
    const char *label;
    const char *name;
};

const Vector vectors[] = {
    {"big (binary, 4k)", "p-big-bin-4k"},
    {"mixed (binary, 4k)", "p-mixed-bin-4k"},
    {"mixed (ascii, 4k)", "p-mixed-ascii-4k"},
    {"mixed (binary, 1k)", "p-mixed-bin-1k"},
    {"mixed (ascii, 1k)", "p-mixed-ascii-1k"},
};

} // namespace

// Without options of its own, every benchmark runs 5 times, interleaved with the others, so
// that both sides of a ratio see the same machine load; the summary takes the medians.
int main(int argc, char **argv)
{
    for (const Vector &v : vectors) {
        const QString name = QLatin1String(v.name);
        benchmark::RegisterBenchmark(qPrintable(QLatin1String("explode/") + name), explodeBench,
                                     name);
        benchmark::RegisterBenchmark(qPrintable(QLatin1String("inflate/") + name), inflateBench,
                                     name);
    }
    std::vector<char *> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=5";
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    if (argc == 1)
        args.insert(args.end(), {repetitions, interleaving, aggregatesOnly});
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nOutput rate, explode vs zlib inflate (level %d); target ratio >= 0.5\n",
                ZlibLevel);
    for (const Vector &v : vectors) {
        const QString name = QLatin1String(v.name);
        const double explodeRate = reporter.rate(QLatin1String("explode/") + name);
        const double inflateRate = reporter.rate(QLatin1String("inflate/") + name);
        if (explodeRate <= 0 || inflateRate <= 0)
            continue;
        std::printf("  %-20s explode %8.1f MB/s   inflate %8.1f MB/s   ratio %.2f\n", v.label,
                    explodeRate, inflateRate, explodeRate / inflateRate);
    }
    benchmark::Shutdown();
    return 0;
}

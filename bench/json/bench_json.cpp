// The JSON reader and writer against Qt's own JSON classes, on the same generated document of
// about 10 MB: reading text into a variant tree, and writing that tree as text.

#include "common/jsonparser.h"
#include "common/jsonwriter.h"

#include <QJsonDocument>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int DocumentSize = 10 * 1024 * 1024;

// Quote records: names, numbers of several magnitudes, escapes and UTF-8 in strings,
// nested objects and arrays. Plain JSON, so both readers accept it.
QByteArray makeDocument()
{
    QRandomGenerator random(42);
    const char *const exchanges[] = {"XNAS", "XNYS", "XLON", "XETR", "XTKS"};
    const char *const notes[] = {"plain note", "line\\nbreak", "a \\\"quoted\\\" word",
                                 "back\\\\slash\\ttab", "caf\xc3\xa9 \xe2\x82\xac 12",
                                 "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0"};
    QByteArray text("[\n");
    text.reserve(DocumentSize + 4096);
    for (int i = 0; text.size() < DocumentSize; ++i) {
        if (i > 0)
            text += ",\n";
        text += "{\"id\": " + QByteArray::number(i);
        text += ", \"symbol\": \"SYM" + QByteArray::number(random.bounded(100000)) + "\"";
        text += ", \"price\": " + QByteArray::number(random.generateDouble() * 1000, 'f', 4);
        text += ", \"change\": " + QByteArray::number(random.generateDouble() - 0.5, 'g', 12);
        text += ", \"volume\": " + QByteArray::number(random.bounded(10000000));
        text += ", \"ratio\": " + QByteArray::number(random.generateDouble() * 1e-5, 'e', 6);
        text += ", \"active\": " + QByteArray(random.bounded(2) ? "true" : "false");
        text += ", \"parent\": null";
        text += ", \"meta\": {\"exchange\": \"" + QByteArray(exchanges[random.bounded(5)])
            + "\", \"note\": \"" + QByteArray(notes[random.bounded(6)])
            + "\", \"lot\": " + QByteArray::number(random.bounded(1, 1000)) + "}";
        text += ", \"bars\": [";
        for (int bar = 0; bar < 4; ++bar) {
            if (bar > 0)
                text += ", ";
            text += "[" + QByteArray::number(random.generateDouble() * 100, 'f', 2) + ", "
                + QByteArray::number(random.generateDouble() * 100, 'f', 2) + ", "
                + QByteArray::number(random.bounded(100000)) + "]";
        }
        text += "]}";
    }
    text += "\n]\n";
    return text;
}

const QByteArray &document()
{
    static const QByteArray text = makeDocument();
    return text;
}

const QVariant &tree()
{
    static const QVariant value = Common::JsonParser::parse(document());
    return value;
}

// Same tree up to the variant types of numbers and null: Qt's reader gives 64-bit integers
// (also for integral decimals such as 2.0) and a nullptr variant for null.
bool sameTree(const QVariant &a, const QVariant &b)
{
    const auto isNumber = [](const QVariant &v) {
        return v.userType() == QMetaType::Int || v.userType() == QMetaType::LongLong
            || v.userType() == QMetaType::Double;
    };
    const auto isNull = [](const QVariant &v) {
        return !v.isValid() || v.userType() == QMetaType::Nullptr;
    };
    if (isNumber(a) && isNumber(b))
        return a.toDouble() == b.toDouble();
    if (isNull(a) || isNull(b))
        return isNull(a) && isNull(b);
    if (a.userType() != b.userType())
        return false;
    if (a.userType() == QMetaType::QVariantList) {
        const QVariantList x = a.toList(), y = b.toList();
        if (x.size() != y.size())
            return false;
        for (int i = 0; i < x.size(); ++i) {
            if (!sameTree(x.at(i), y.at(i)))
                return false;
        }
        return true;
    }
    if (a.userType() == QMetaType::QVariantMap) {
        const QVariantMap x = a.toMap(), y = b.toMap();
        if (x.keys() != y.keys())
            return false;
        for (auto it = x.cbegin(); it != x.cend(); ++it) {
            if (!sameTree(it.value(), y.value(it.key())))
                return false;
        }
        return true;
    }
    return a == b;
}

void readTessel(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Common::JsonParser::parse(document()));
    state.SetBytesProcessed(state.iterations() * document().size());
}

void readQt(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(document()).toVariant());
    state.SetBytesProcessed(state.iterations() * document().size());
}

void writeTessel(benchmark::State &state)
{
    qint64 size = 0;
    for (auto _ : state) {
        const QByteArray text = Common::writeJson(tree());
        size = text.size();
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * size);
}

// Qt writes from its own document type: converting the tree is part of its job here.
void writeQt(benchmark::State &state)
{
    qint64 size = 0;
    for (auto _ : state) {
        const QByteArray text = QJsonDocument::fromVariant(tree()).toJson(QJsonDocument::Compact);
        size = text.size();
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * size);
}

// For reference: Qt's writer alone, from a document built beforehand.
void writeQtPrebuilt(benchmark::State &state)
{
    const QJsonDocument prebuilt = QJsonDocument::fromVariant(tree());
    qint64 size = 0;
    for (auto _ : state) {
        const QByteArray text = prebuilt.toJson(QJsonDocument::Compact);
        size = text.size();
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * size);
}

BENCHMARK(readTessel)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(readQt)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(writeTessel)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(writeQt)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(writeQtPrebuilt)->Unit(benchmark::kMillisecond)->MinTime(3);

// Prints the runs as usual and keeps each one's time per iteration for the ratios.
// CPU time is compared: both sides run on one thread, and it suffers less than wall time when
// the machine is busy with other work.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter()
        : ConsoleReporter(OO_None)
    {
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            m_seconds[run.run_name.function_name] = run.GetAdjustedCPUTime() / 1e3;
    }

    void printRatio(const char *what, const std::string &ours, const std::string &peer,
                    double bytes) const
    {
        const auto o = m_seconds.find(ours), p = m_seconds.find(peer);
        if (o == m_seconds.end() || p == m_seconds.end())
            return;
        std::printf("%-34s tessel %7.1f MB/s, Qt %7.1f MB/s, ratio %.2fx\n", what,
                    bytes / o->second / 1e6, bytes / p->second / 1e6, p->second / o->second);
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const QVariant qtTree = QJsonDocument::fromJson(document()).toVariant();
    if (!sameTree(tree(), qtTree)) {
        std::fprintf(stderr, "the two readers disagree on the document\n");
        return 1;
    }
    const double written = Common::writeJson(tree()).size();
    std::printf("document: %d bytes; written compact: %.0f bytes\n", document().size(), written);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("reader (text -> variant tree)", "readTessel", "readQt", document().size());
    reporter.printRatio("writer (variant tree -> text)", "writeTessel", "writeQt", written);
    reporter.printRatio("writer vs Qt's writer alone", "writeTessel", "writeQtPrebuilt", written);
    benchmark::Shutdown();
    return 0;
}

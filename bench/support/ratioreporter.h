#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

// Prints to the console as usual and keeps each benchmark's mean time (in its own unit), so
// main() can print the ratio against its peer after the run. Times are looked up by the
// benchmark's function name and arguments: "BM_PluginInit/800", "BM_ReadFile".
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    enum Clock { CpuTime, RealTime };

    explicit RatioReporter(Clock clock) : m_clock(clock) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty())
                name += "/" + run.run_name.args;
            m_times[name] = m_clock == CpuTime ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
        }
    }

    // The mean time of that benchmark; 0 when it did not run.
    double time(const std::string &name) const
    {
        const auto it = m_times.find(name);
        return it == m_times.end() ? 0.0 : it->second;
    }

private:
    Clock m_clock;
    std::map<std::string, double> m_times;
};

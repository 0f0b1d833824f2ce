#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QVector>

#include <functional>

namespace HostApi {

// One entry of the diagnostic log.
struct LogEntry
{
    QByteArray category;
    int level = 0;         // 1 (most verbose) .. 5 (most severe)
    QByteArray file;
    int line = 0;
    QByteArray function;
    QString text;
};

// The host's diagnostic log: named categories, levels 1 to 5, a threshold per category.
// Writing never blocks the caller for long and never throws. By default every entry becomes
// one line on stderr; a sink installed with setSink() receives the entries instead.
class HOSTAPI_EXPORT LogService
{
public:
    using Sink = std::function<void(const LogEntry &)>;

    static constexpr int MinLevel = 1;
    static constexpr int MaxLevel = 5;
    static constexpr int DefaultThreshold = 3;

    // Registers a category once; registering a known name returns the same id.
    int registerCategory(const QByteArray &name);
    int categoryId(const QByteArray &name) const;      // -1 when unknown
    QByteArray categoryName(int id) const;

    // The threshold says from which level on a caller should write; callers that filter
    // (such as a document's script log) read it, the service itself keeps every entry.
    // DefaultThreshold, or the one setThresholds() gave, for unknown ids.
    int threshold(int category) const;
    void setThreshold(int category, int threshold);
    // Sets the threshold of every category, those registered later included.
    void setThresholds(int threshold);

    // Levels outside 1..5 are clamped. An unknown category id is written as "unknown".
    void write(int category, int level, const char *file, int line, const char *function,
               const QString &text);

    // Installs a sink (an empty one restores stderr) and returns the previous one.
    Sink setSink(Sink sink);

    static QString format(const LogEntry &entry);

private:
    mutable QMutex m_mutex;
    QVector<QByteArray> m_names;
    QVector<int> m_thresholds;
    QHash<QByteArray, int> m_ids;
    int m_defaultThreshold = DefaultThreshold;
    Sink m_sink;
};

// Reports a failed non-fatal assertion as a level-3 entry of the category "Assert".
HOSTAPI_EXPORT void reportAssertion(const char *condition, const char *file, int line,
                                    const char *function);

} // namespace HostApi

// The host service library's entry point: the process-wide diagnostic log service.
HOSTAPI_EXPORT HostApi::LogService *QuorvexServiceApi();

// Non-fatal assertion: on a false condition, report it and run `action` (e.g. `return false`).
#define HOSTAPI_ASSERT(cond, action) \
    if (Q_LIKELY(cond)) {} else { \
        ::HostApi::reportAssertion(#cond, __FILE__, __LINE__, Q_FUNC_INFO); action; } do {} while (0)

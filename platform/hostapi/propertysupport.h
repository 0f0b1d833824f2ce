#pragma once

#include <QString>
#include <QVariant>

class ShellObject;

// Helpers shared by the property classes of the object tree; not exported.
namespace HostApi::PropertySupport {

// Whether b would change nothing when a is the value: the same type and equal.
bool sameValue(const QVariant &a, const QVariant &b);

// Writes a problem with object's state (a value skipped on restore, an editor that cannot
// be bound) to the diagnostic log category "Properties", naming object by its path.
void report(const ShellObject *object, const QString &problem, const char *file, int line,
            const char *function);

} // namespace HostApi::PropertySupport

#define HOSTAPI_PROPERTY_REPORT(object, problem) \
    ::HostApi::PropertySupport::report(object, problem, __FILE__, __LINE__, Q_FUNC_INFO)

#include "propertysupport.h"

#include "logservice.h"
#include "shellobject.h"

namespace HostApi::PropertySupport {

bool sameValue(const QVariant &a, const QVariant &b)
{
    return a.userType() == b.userType() && a == b;
}

void report(const ShellObject *object, const QString &problem, const char *file, int line,
            const char *function)
{
    LogService *log = QuorvexServiceApi();
    static const int category = log->registerCategory("Properties");
    const QString path = object ? QString::fromUtf8(object->objectPath()) : QString();
    log->write(category, 3, file, line, function,
               path.isEmpty() ? problem : QStringLiteral("property '%1': %2").arg(path, problem));
}

} // namespace HostApi::PropertySupport

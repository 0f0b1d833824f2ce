#include "documentstatusconverter.h"

#include <logservice.h>

#include <QStringList>

namespace {

// Built once, on first use, and shared by every document; index = status value.
const QStringList &statusTexts()
{
    static const QStringList texts = {QStringLiteral("initializing"), QStringLiteral("ready"),
                                      QStringLiteral("error"), QStringLiteral("noStatus")};
    return texts;
}

} // namespace

QString DocumentStatusConverter::toString(int status)
{
    const int i = status >= 0 && status < statusTexts().size() ? status : -1;
    HOSTAPI_ASSERT(i != -1, return QString());
    return statusTexts().at(i);
}

bool DocumentStatusConverter::fromString(const QString &text, int *status)
{
    HOSTAPI_ASSERT(NULL != status, return false);
    const int i = statusTexts().indexOf(text);
    if (i == -1)
        return false;
    *status = i;
    return true;
}

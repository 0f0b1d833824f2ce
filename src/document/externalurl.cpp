#include "externalurl.h"

#include <QStringList>
#include <QUrl>

bool isExternallyOpenable(const QUrl &url)
{
    static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                        QStringLiteral("mailto")};
    return url.isValid() && schemes.contains(url.scheme().toLower())
        && (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0
            || !url.host().isEmpty());
}

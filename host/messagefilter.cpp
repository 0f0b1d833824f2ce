#include "messagefilter.h"

#include <QRegularExpression>

namespace {

QtMessageHandler previousHandler = nullptr;

} // namespace

void MessageFilter::install()
{
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(&MessageFilter::handle);
}

bool MessageFilter::isNoise(QtMsgType type, const QString &message)
{
    static const QRegularExpression runtimeDir(
        QStringLiteral("^QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '[^']*'$"));
    return type == QtWarningMsg
        && (message == QLatin1String("This plugin does not support propagateSizeHints()")
            || runtimeDir.match(message).hasMatch());
}

void MessageFilter::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!isNoise(type, message))
        previousHandler(type, context, message);
}

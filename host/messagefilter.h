#pragma once

#include <QString>
#include <QtGlobal>

// Keeps two warnings that Qt prints on every headless run off standard error: that
// XDG_RUNTIME_DIR is not set, and that the offscreen platform cannot propagate size hints.
// Every other message goes on to the handler that was installed before.
class MessageFilter
{
public:
    // Installs the filter as the process's message handler; the first call only.
    static void install();
    static bool isNoise(QtMsgType type, const QString &message);

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
};

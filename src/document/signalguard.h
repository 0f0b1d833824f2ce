#pragma once

class QString;
class QWebFrame;

// Keeps a page's signal handlers from throwing into the engine. The engine stops the process
// when a handler connected to a Qt signal throws while the signal comes from the event loop,
// so every signal's connect() and disconnect() reachable from the bridge are replaced with
// ones that connect a guarded handler: an exception it throws is thrown again from a zero
// timer, where the page reports it as uncaught, with its own file and line.
class SignalGuard
{
public:
    // Guards every signal of the objects reachable from the window property bridgeName.
    // Call it right after the bridge is added to the window object.
    static void install(QWebFrame *frame, const QString &bridgeName);
};

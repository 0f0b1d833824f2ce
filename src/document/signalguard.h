#pragma once

#include <QObjectList>

class QString;
class QWebFrame;

// Keeps a page's signal handlers from throwing into the engine. The engine stops the process
// when a handler connected to a Qt signal throws while the signal comes from the event loop,
// so the connect() and disconnect() of every signal reachable from the bridge are replaced
// with ones that connect a guarded handler: an exception it throws is thrown again from a zero
// timer, where the page reports it as uncaught, with its own file and line.
class SignalGuard
{
public:
    // Guards the signals, by name, of bridge, the window property bridgeName, which is a
    // JavaScript identifier, as the names of Qt properties and signals are. Call it right
    // after the bridge is added to the window object. The objects that the bridge's properties
    // hold are left to guardMember(), on the page's first read of each property.
    static void install(QWebFrame *frame, const QString &bridgeName, QObject *bridge);
    // Guards the signals of object, or objects, the value of the bridge's property, and of the
    // objects reachable from them through properties that hold an object or a list of objects.
    // The page reads the property again here, so that read must not call guardMember() again.
    static void guardMember(QWebFrame *frame, const QString &bridgeName, const char *property,
                            QObject *object);
    static void guardMember(QWebFrame *frame, const QString &bridgeName, const char *property,
                            const QObjectList &objects);
};

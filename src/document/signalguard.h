#pragma once

#include <QByteArrayList>
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
    // Guards the signals, by name, of bridge (the window property bridgeName) and of the
    // objects reachable from it through properties that hold an object or a list of objects.
    // The bridge's list properties named in deferredLists are not read: each is guarded by
    // guardList() when the page first reads it. Call it right after the bridge is added to
    // the window object.
    static void install(QWebFrame *frame, const QString &bridgeName, QObject *bridge,
                        const QByteArrayList &deferredLists = QByteArrayList());
    // Guards objects, the bridge's list property; the page reads the list again here, so
    // that read must not call guardList() again.
    static void guardList(QWebFrame *frame, const QString &bridgeName, const char *property,
                          const QObjectList &objects);
};

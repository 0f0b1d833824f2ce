#include "signalguard.h"

#include <QString>
#include <QWebFrame>

namespace {

// Walks the objects reachable from the bridge (properties and lists of objects) once; each
// method object's connect(), by signature and by name, gets a guarded handler, and its
// disconnect() finds that handler again. connect(handler) and connect(thisObject, handlerOrName) are both kept.
const char guardScript[] = R"JS(
(function (root) {
    var MaxDepth = 16, seen = [];
    function guarded(thisObject, handler) {
        return function () {
            try {
                return handler.apply(thisObject === undefined ? this : thisObject, arguments);
            } catch (error) {
                setTimeout(function () { throw error; }, 0);
            }
        };
    }
    function guardSignal(signal) {
        if (typeof signal !== 'function' || typeof signal.connect !== 'function' || signal.connect.guarded)
            return;
        var connect = signal.connect, disconnect = signal.disconnect, handlers = [];
        function find(thisObject, handler) {
            for (var i = 0; i < handlers.length; ++i) {
                if (handlers[i].thisObject === thisObject && handlers[i].handler === handler)
                    return i;
            }
            return -1;
        }
        signal.connect = function (first, second) {
            var thisObject = arguments.length > 1 ? first : undefined;
            var handler = arguments.length > 1 ? second : first;
            if (typeof handler === 'string' && thisObject)
                handler = thisObject[handler];
            if (typeof handler !== 'function')
                return connect.apply(signal, arguments);
            var wrapper = guarded(thisObject, handler);
            var result = connect.call(signal, wrapper);
            handlers.push({ thisObject: thisObject, handler: handler, wrapper: wrapper });
            return result;
        };
        signal.disconnect = function (first, second) {
            var thisObject = arguments.length > 1 ? first : undefined;
            var handler = arguments.length > 1 ? second : first;
            if (typeof handler === 'string' && thisObject)
                handler = thisObject[handler];
            var at = find(thisObject, handler);
            if (at < 0)
                return disconnect.apply(signal, arguments);
            var wrapper = handlers[at].wrapper;
            handlers.splice(at, 1);
            return disconnect.call(signal, wrapper);
        };
        signal.connect.guarded = true;
    }
    function isQObject(value) {
        return value && typeof value === 'object' && typeof value.deleteLater === 'function';
    }
    function walk(object, depth) {
        if (depth > MaxDepth || seen.indexOf(object) >= 0)
            return;
        seen.push(object);
        for (var name in object) {
            var member;
            try { member = object[name]; } catch (error) { continue; }
            // Methods are listed by signature, "changed(QString)"; pages mostly use the name.
            var paren = name.indexOf('(');
            if (paren > 0) {
                guardSignal(member);
                guardSignal(object[name.slice(0, paren)]);
            } else if (isQObject(member)) {
                walk(member, depth + 1);
            } else if (Array.isArray(member)) {
                for (var i = 0; i < member.length; ++i) {
                    if (isQObject(member[i]))
                        walk(member[i], depth + 1);
                }
            }
        }
    }
    walk(root, 0);
})
)JS";

} // namespace

void SignalGuard::install(QWebFrame *frame, const QString &bridgeName)
{
    frame->evaluateJavaScript(QLatin1String(guardScript) + QLatin1String("(window.")
                              + bridgeName + QLatin1String(");"));
}

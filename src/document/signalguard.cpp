#include "signalguard.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QSet>
#include <QStringList>
#include <QWebFrame>

namespace {

constexpr int MaxDepth = 16;

// guard(object, names): the connect() of each named signal gets a guarded handler, and its
// disconnect() finds that handler again. connect(handler) and connect(thisObject,
// handlerOrName) are both kept.
const char guardFunction[] = R"JS(
(function () {
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
        function split(args) {
            var thisObject = args.length > 1 ? args[0] : undefined;
            var handler = args.length > 1 ? args[1] : args[0];
            if (typeof handler === 'string' && thisObject)
                handler = thisObject[handler];
            return { thisObject: thisObject, handler: handler };
        }
        signal.connect = function () {
            var target = split(arguments);
            if (typeof target.handler !== 'function')
                return connect.apply(signal, arguments);
            target.wrapper = guarded(target.thisObject, target.handler);
            var result = connect.call(signal, target.wrapper);
            handlers.push(target);
            return result;
        };
        signal.disconnect = function () {
            var target = split(arguments);
            for (var i = 0; i < handlers.length; ++i) {
                if (handlers[i].thisObject === target.thisObject && handlers[i].handler === target.handler)
                    return disconnect.call(signal, handlers.splice(i, 1)[0].wrapper);
            }
            return disconnect.apply(signal, arguments);
        };
        signal.connect.guarded = true;
    }
    return function (object, names) {
        if (!object)
            return;
        for (var i = 0; i < names.length; ++i)
            guardSignal(object[names[i]]);
    };
})()
)JS";

QString quoted(const QString &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// One "guard(path, [names]);" line per object with signals of its own, depth first.
void collect(QObject *object, const QString &path, int depth, QSet<QObject *> *seen,
             QString *program)
{
    if (!object || depth > MaxDepth || seen->contains(object))
        return;
    seen->insert(object);
    const QMetaObject *meta = object->metaObject();
    QJsonArray names;
    for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        const QString name = QString::fromLatin1(method.name());
        if (method.methodType() == QMetaMethod::Signal && method.access() == QMetaMethod::Public
            && !names.contains(name)) {
            names.append(name);
        }
    }
    if (!names.isEmpty()) {
        *program += QLatin1String("guard(") + path + QLatin1String(", ")
            + QString::fromUtf8(QJsonDocument(names).toJson(QJsonDocument::Compact))
            + QLatin1String(");\n");
    }
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const QString member = path + QLatin1Char('[') + quoted(QString::fromLatin1(property.name()))
            + QLatin1Char(']');
        if (property.userType() == QMetaType::QObjectStar) {
            collect(property.read(object).value<QObject *>(), member, depth + 1, seen, program);
        } else if (property.userType() == qMetaTypeId<QObjectList>()) {
            const QObjectList list = property.read(object).value<QObjectList>();
            for (int at = 0; at < list.size(); ++at) {
                collect(list.at(at), member + QLatin1Char('[') + QString::number(at) + QLatin1Char(']'),
                        depth + 1, seen, program);
            }
        }
    }
}

} // namespace

void SignalGuard::install(QWebFrame *frame, const QString &bridgeName, QObject *bridge)
{
    QString program;
    QSet<QObject *> seen;
    collect(bridge, QLatin1String("window[") + quoted(bridgeName) + QLatin1Char(']'), 0, &seen,
            &program);
    frame->evaluateJavaScript(QLatin1String("(function (guard) {\n") + program
                              + QLatin1String("})(") + QLatin1String(guardFunction)
                              + QLatin1String(");"));
}

#include "signalguard.h"

#include <QByteArrayList>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QSet>
#include <QWebFrame>

namespace {

constexpr int MaxDepth = 16;

// guard(object, names): the connect() of each named signal gets a guarded handler, and its
// disconnect() finds that handler again. connect(handler) and connect(thisObject,
// handlerOrName) are both kept. connect() and disconnect() are shared by all signals, which
// they find as their this, as the engine's own do: the engine's pair is read from the first
// signal only, since each read of a signal's members costs the engine a new function.
// The guarded objects and signals are kept: the engine holds them weakly, and would otherwise
// collect one that nothing in the page holds and hand out a new, unguarded one on the next read.
// The objects outlive the page, and so would the engine's connections: when the page unloads,
// its handlers are disconnected, so that they never run in the next page.
// guard(name, []) reads the bridge's member name from the bridge the guard was made for,
// which the page cannot replace; guard() gives the object it guarded.
const char guardFunction[] = R"JS(
(function (bridge) {
    var engine = null, objects = [], signals = [], handlers = [], listening = false;
    function guarded(thisObject, handler) {
        return function () {
            try {
                return handler.apply(thisObject === undefined ? this : thisObject, arguments);
            } catch (error) {
                setTimeout(function () { throw error; }, 0);
            }
        };
    }
    function split(args) {
        var thisObject = args.length > 1 ? args[0] : undefined;
        var handler = args.length > 1 ? args[1] : args[0];
        if (typeof handler === 'string' && thisObject)
            handler = thisObject[handler];
        return { thisObject: thisObject, handler: handler };
    }
    function unload() {
        signals.forEach(function (signal, at) {
            while (handlers[at].length)
                engine.disconnect.call(signal, handlers[at].pop().wrapper);
        });
    }
    function connect() {
        var at = signals.indexOf(this), target = split(arguments);
        if (at < 0 || typeof target.handler !== 'function')
            return engine.connect.apply(this, arguments);
        target.wrapper = guarded(target.thisObject, target.handler);
        var result = engine.connect.call(this, target.wrapper);
        handlers[at].push(target);
        if (!listening) {
            window.addEventListener('unload', unload);
            listening = true;
        }
        return result;
    }
    function disconnect() {
        var at = signals.indexOf(this), target = split(arguments);
        var list = at < 0 ? [] : handlers[at];
        for (var i = 0; i < list.length; ++i) {
            if (list[i].thisObject === target.thisObject && list[i].handler === target.handler)
                return engine.disconnect.call(this, list.splice(i, 1)[0].wrapper);
        }
        return engine.disconnect.apply(this, arguments);
    }
    function guard(object, names) {
        if (typeof object === 'string')
            object = bridge[object];
        if (!object)
            return object;
        objects.push(object);
        for (var i = 0; i < names.length; ++i) {
            var signal = object[names[i]];
            if (typeof signal !== 'function' || signals.indexOf(signal) >= 0)
                continue;
            if (!engine)
                engine = { connect: signal.connect, disconnect: signal.disconnect };
            signals.push(signal);
            handlers.push([]);
            signal.connect = connect;
            signal.disconnect = disconnect;
        }
        return object;
    }
    return guard;
})
)JS";

// Property types followed to further objects, compared by name: cheaper than resolving each
// property's type id.
bool holdsObject(const QMetaProperty &property)
{
    return qstrcmp(property.typeName(), "QObject*") == 0;
}

bool holdsObjectList(const QMetaProperty &property)
{
    return qstrcmp(property.typeName(), "QObjectList") == 0
        || qstrcmp(property.typeName(), "QList<QObject*>") == 0;
}

// The guard program: each object reached is read once into a variable, and objects with
// signals of their own get a "guard(variable, [names]);" line.
class GuardProgram
{
public:
    QString text() const { return m_text; }
    // No object reached has signals.
    bool isEmpty() const { return !m_guards; }

    // Guards the signals of object, read as expression.
    QString guardSignals(QObject *object, const QString &expression)
    {
        m_seen.insert(object);
        const QString variable = assign(expression);
        const QMetaObject *meta = object->metaObject();
        QByteArrayList names;
        for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal && method.access() == QMetaMethod::Public
                && !names.contains(method.name())) {
                names.append(method.name());
            }
        }
        if (!names.isEmpty()) {
            m_text += QLatin1String("guard(") + variable + QLatin1String(", [\"")
                + QString::fromLatin1(names.join("\", \"")) + QLatin1String("\"]);\n");
            ++m_guards;
        }
        return variable;
    }

    // Guards object, read as expression, and what it reaches.
    void collect(QObject *object, const QString &expression, int depth)
    {
        if (!object || depth > MaxDepth || m_seen.contains(object))
            return;
        const QString variable = guardSignals(object, expression);
        const QMetaObject *meta = object->metaObject();
        for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (holdsObject(property)) {
                collect(property.read(object).value<QObject *>(), member(variable, property),
                        depth + 1);
            } else if (holdsObjectList(property)) {
                collectList(property.read(object).value<QObjectList>(),
                            member(variable, property), depth + 1);
            }
        }
    }

    // Guards the objects of list, read as expression.
    void collectList(const QObjectList &list, const QString &expression, int depth)
    {
        if (list.isEmpty())
            return;
        const QString listVariable = assign(expression);
        for (int at = 0; at < list.size(); ++at) {
            const QString item = listVariable + QLatin1Char('[') + QString::number(at)
                + QLatin1Char(']');
            collect(list.at(at), item, depth);
        }
    }

private:
    static QString member(const QString &variable, const QMetaProperty &property)
    {
        return variable + QLatin1Char('.') + QLatin1String(property.name());
    }

    QString assign(const QString &expression)
    {
        const QString variable = QLatin1Char('v') + QString::number(m_variables++);
        m_text += QLatin1String("var ") + variable + QLatin1String(" = ") + expression
            + QLatin1String(";\n");
        return variable;
    }

    QString m_text;
    QSet<QObject *> m_seen;
    int m_variables = 0;
    int m_guards = 0;
};

QString windowMember(const QString &name)
{
    return QLatin1String("window.") + name;
}

// The bridge's property, read by the guard in a program that evaluate() runs.
QString guardedMember(const char *property)
{
    return QLatin1String("guard('") + QLatin1String(property) + QLatin1String("', [])");
}

// The window property that keeps the guard function for guardMember(). The page cannot
// enumerate, assign or delete it; a window set up again keeps its guard.
QString guardName(const QString &bridgeName)
{
    return bridgeName + QLatin1String("_guard");
}

// Runs program with the guard function that install() left on the window.
void evaluate(QWebFrame *frame, const QString &bridgeName, const GuardProgram &program)
{
    if (program.isEmpty())
        return;
    frame->evaluateJavaScript(QLatin1String("(function (guard) {\nif (guard) {\n") + program.text()
                              + QLatin1String("}\n})(") + windowMember(guardName(bridgeName))
                              + QLatin1String(");"));
}

} // namespace

void SignalGuard::install(QWebFrame *frame, const QString &bridgeName, QObject *bridge)
{
    GuardProgram program;
    program.guardSignals(bridge, windowMember(bridgeName));
    const QString name = guardName(bridgeName);
    frame->evaluateJavaScript(QLatin1String("(function (makeGuard) {\n"
                                            "if (!Object.prototype.hasOwnProperty.call(window, '")
                              + name + QLatin1String("'))\nObject.defineProperty(window, '") + name
                              + QLatin1String("', { value: makeGuard(") + windowMember(bridgeName)
                              + QLatin1String(") });\nvar guard = ") + windowMember(name)
                              + QLatin1String(";\n") + program.text() + QLatin1String("})(")
                              + QLatin1String(guardFunction) + QLatin1String(");"));
}

void SignalGuard::guardMember(QWebFrame *frame, const QString &bridgeName, const char *property,
                              QObject *object)
{
    GuardProgram program;
    program.collect(object, guardedMember(property), 1);
    evaluate(frame, bridgeName, program);
}

void SignalGuard::guardMember(QWebFrame *frame, const QString &bridgeName, const char *property,
                              const QObjectList &objects)
{
    GuardProgram program;
    program.collectList(objects, guardedMember(property), 1);
    evaluate(frame, bridgeName, program);
}

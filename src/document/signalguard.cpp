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
// they find as their this, as the engine's own do; each signal's originals are in a WeakMap.
// The guarded objects and signals are kept: the engine holds them weakly, and would otherwise
// collect one that nothing in the page holds and hand out a new, unguarded one on the next read.
// The objects outlive the page, and so would the engine's connections: when the page unloads,
// its handlers are disconnected, so that they never run in the next page.
const char guardFunction[] = R"JS(
(function () {
    var signals = new WeakMap(), objects = [], guardedSignals = [];
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
    function connect() {
        var state = signals.get(this), target = split(arguments);
        if (typeof target.handler !== 'function')
            return state.connect.apply(this, arguments);
        target.wrapper = guarded(target.thisObject, target.handler);
        var result = state.connect.call(this, target.wrapper);
        state.handlers.push(target);
        return result;
    }
    function disconnect() {
        var state = signals.get(this), target = split(arguments), handlers = state.handlers;
        for (var i = 0; i < handlers.length; ++i) {
            if (handlers[i].thisObject === target.thisObject && handlers[i].handler === target.handler)
                return state.disconnect.call(this, handlers.splice(i, 1)[0].wrapper);
        }
        return state.disconnect.apply(this, arguments);
    }
    window.addEventListener('unload', function () {
        guardedSignals.forEach(function (signal) {
            var state = signals.get(signal);
            while (state.handlers.length)
                state.disconnect.call(signal, state.handlers.pop().wrapper);
        });
    });
    return function (object, names) {
        if (!object)
            return;
        objects.push(object);
        for (var i = 0; i < names.length; ++i) {
            var signal = object[names[i]];
            if (typeof signal !== 'function' || typeof signal.connect !== 'function'
                || signal.connect === connect || signals.has(signal))
                continue;
            signals.set(signal, { connect: signal.connect, disconnect: signal.disconnect, handlers: [] });
            guardedSignals.push(signal);
            signal.connect = connect;
            signal.disconnect = disconnect;
        }
    };
})()
)JS";

// text as a JavaScript string literal.
QString quoted(const QString &text)
{
    QString literal(QLatin1Char('"'));
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            literal += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20 || c.category() == QChar::Separator_Line
                 || c.category() == QChar::Separator_Paragraph)
            literal += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            literal += c;
    }
    return literal + QLatin1Char('"');
}

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
            if (holdsObject(property))
                collect(property.read(object).value<QObject *>(), member(variable, property), depth + 1);
            else if (holdsObjectList(property))
                collectList(property.read(object).value<QObjectList>(), member(variable, property), depth + 1);
        }
    }

    // Guards the objects of list, read as expression.
    void collectList(const QObjectList &list, const QString &expression, int depth)
    {
        if (list.isEmpty())
            return;
        const QString listVariable = assign(expression);
        for (int at = 0; at < list.size(); ++at)
            collect(list.at(at), listVariable + QLatin1Char('[') + QString::number(at) + QLatin1Char(']'), depth);
    }

private:
    static QString member(const QString &variable, const QMetaProperty &property)
    {
        return variable + QLatin1String("[\"") + QLatin1String(property.name()) + QLatin1String("\"]");
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
    return QLatin1String("window[") + quoted(name) + QLatin1Char(']');
}

QString bridgeMember(const QString &bridgeName, const char *property)
{
    return windowMember(bridgeName) + QLatin1Char('[') + quoted(QLatin1String(property)) + QLatin1Char(']');
}

// The window property that keeps the guard function for guardMember(); it cannot be
// enumerated or assigned, and a window set up again gets the new guard.
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
    frame->evaluateJavaScript(QLatin1String("(function (guard) {\nObject.defineProperty(window, ")
                              + quoted(guardName(bridgeName)) + QLatin1String(", { value: guard, configurable: true });\n")
                              + program.text()
                              + QLatin1String("})(") + QLatin1String(guardFunction)
                              + QLatin1String(");"));
}

void SignalGuard::guardMember(QWebFrame *frame, const QString &bridgeName, const char *property,
                              QObject *object)
{
    GuardProgram program;
    program.collect(object, bridgeMember(bridgeName, property), 1);
    evaluate(frame, bridgeName, program);
}

void SignalGuard::guardMember(QWebFrame *frame, const QString &bridgeName, const char *property,
                              const QObjectList &objects)
{
    GuardProgram program;
    program.collectList(objects, bridgeMember(bridgeName, property), 1);
    evaluate(frame, bridgeName, program);
}

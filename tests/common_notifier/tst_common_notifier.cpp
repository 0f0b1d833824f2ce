#include "testsupport.h"

#include "common/criticalsection.h"
#include "common/notifier/commonabstractnotifier.h"
#include "common/notifier/metaobjectinfo.h"
#include "common/notifier/methodinfo.h"

#include <QSet>
#include <QThread>
#include <QVector>
#include <QtTest>

// The event source: two overloads of activated, int first.
class Source : public QObject
{
    Q_OBJECT

signals:
    void activated(int value);
    void activated(const QString &text);
    void valueChanged(const QString &text);
};

class Observer : public QObject
{
    Q_OBJECT

public:
    QVariantList received;

public slots:
    void onSymbolLinkingChanged(int value) { received.append(value); }
    void onSymbolLinkingChanged(const QString &text) { received.append(text); }
    void onSymbolControlValueChanged(const QString &text) { received.append(text); }
    void onNothing() { received.append(QStringLiteral("nothing")); }
};

// A notifier whose observers subscribe to its own signals.
class TestNotifier : public Common::AbstractNotifier
{
    Q_OBJECT

signals:
    void changed(const QString &text);
};

class tst_CommonNotifier : public QObject
{
    Q_OBJECT

private slots:
    void subscribe_data();
    void subscribe();
    void cacheSharedBetweenThreads();
    void parse_data();
    void parse();
    void assignmentsAreReported();
    void criticalSection();
    void notifierKeepsSubscriptions();
};

using Strings = QStringList;

void tst_CommonNotifier::subscribe_data()
{
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QVariantList>("received");   // after emitting activated(5),
                                                  // activated("a") and valueChanged("v")
    QTest::addColumn<Strings>("reports");

    const auto row = [](const char *name, const char *signal, const char *slot,
                        const QVariantList &received, const char *report = nullptr) {
        const QString text = QStringLiteral("false && \"%1\"").arg(QLatin1String(report));
        QTest::newRow(name) << QByteArray(signal) << QByteArray(slot) << received << (report ? Strings{text} : Strings());
    };
    const char *signalMissing = "Appropriate signal could not be found";
    row("names-take-first-overload", "activated", "onSymbolLinkingChanged", {5});
    row("signal-macro-form-used-unchanged", SIGNAL(activated(QString)), "onSymbolControlValueChanged", {"a"});
    row("slot-macro-form", "valueChanged", SLOT(onSymbolLinkingChanged(QString)), {"v"});
    row("fewer-slot-parameters", "valueChanged", "onNothing", {"nothing"});
    row("no-such-signal", "deactivated", "onNothing", {}, signalMissing);
    row("code-without-parentheses-is-a-name", "2activated", "onNothing", {}, signalMissing);
    row("no-such-slot", "activated", "onSomething", {}, "Appropriate slot could not be found");
    row("parameters-do-not-fit", "valueChanged", SLOT(onSymbolLinkingChanged(int)), {}, "Failed to subscribe/unsubscribe signal/slot");
}

void tst_CommonNotifier::subscribe()
{
    QFETCH(QByteArray, signal);
    QFETCH(QByteArray, slot);
    QFETCH(QVariantList, received);
    QFETCH(Strings, reports);

    Source source;
    Observer observer;
    LogCapture capture;
    if (reports.value(0).contains(QLatin1String("Failed to subscribe")))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^QObject::connect")));
    Common::AbstractNotifier::subscribe(&source, signal, &observer, slot, Qt::AutoConnection);
    QCOMPARE(capture.texts("Assert"), reports);
    for (const HostApi::LogEntry &entry : capture.entries()) {
        QCOMPARE(entry.level, 3);
        QVERIFY(entry.file.endsWith("notifier/commonabstractnotifier.cpp"));
        QVERIFY(entry.function.contains("Common::AbstractNotifier::subscribe"));
    }

    emit source.activated(5);
    emit source.activated(QStringLiteral("a"));
    emit source.valueChanged(QStringLiteral("v"));
    QCOMPARE(observer.received, received);
}

void tst_CommonNotifier::cacheSharedBetweenThreads()
{
    constexpr int Workers = 8;
    QVector<const Common::MetaObjectInfo *> results(Workers, nullptr);
    QVector<QThread *> threads;
    for (int i = 0; i < Workers; ++i) {
        threads.append(QThread::create([&results, i] {
            results[i] = &Common::MetaObjectInfo::get(&TestNotifier::staticMetaObject);
        }));
    }
    for (QThread *thread : qAsConst(threads))
        thread->start();
    for (QThread *thread : qAsConst(threads)) {
        thread->wait();
        delete thread;
    }
    const QSet<const Common::MetaObjectInfo *> seen(results.cbegin(), results.cend());
    QCOMPARE(seen.size(), 1);
    QVERIFY((*seen.begin())->findSignal("changed"));
}

void tst_CommonNotifier::parse_data()
{
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QList<QByteArray>>("types");
    QTest::addColumn<Strings>("reports");

    QTest::newRow("no-parameters") << QByteArray("refresh()") << QByteArray("refresh") << QList<QByteArray>() << Strings();
    QTest::newRow("two-parameters") << QByteArray("editDone(const QByteArray &, int)")
                                    << QByteArray("editDone")
                                    << QList<QByteArray>{"QByteArray", "int"} << Strings();
    QTest::newRow("template-comma-kept")
        << QByteArray("mapChanged(QMap<QString, int>,bool)") << QByteArray("mapChanged")
        << QList<QByteArray>{"QMap<QString,int>", "bool"} << Strings();
    QTest::newRow("no-parenthesis") << QByteArray("refresh") << QByteArray() << QList<QByteArray>() << Strings{"endOfName > 0"};
    QTest::newRow("unclosed") << QByteArray("refresh(") << QByteArray() << QList<QByteArray>()
                              << Strings{"endOfParameterList >= startOfParameterList"};
}

// The signature is normalized: "name(type,type)".
void tst_CommonNotifier::parse()
{
    QFETCH(QByteArray, signature);
    QFETCH(QByteArray, name);
    QFETCH(QList<QByteArray>, types);
    QFETCH(Strings, reports);

    LogCapture capture;
    const Common::MethodInfo info = Common::MethodInfo::parse(signature, Common::MethodInfo::Signal);
    QCOMPARE(capture.texts("Assert"), reports);
    QCOMPARE(info.isValid(), !name.isEmpty());
    QCOMPARE(info.name(), name);
    QCOMPARE(info.parameterTypes(), types);
    QCOMPARE(info.signature(), name.isEmpty() ? QByteArray() : name + '(' + types.join(',') + ')');
    if (info.isValid())
        QCOMPARE(info.kind(), Common::MethodInfo::Signal);
}

// Method and meta-object infos are set once; later assignments are reported and ignored.
void tst_CommonNotifier::assignmentsAreReported()
{
    Common::MethodInfo target = Common::MethodInfo::parse("a(int)", Common::MethodInfo::Slot);
    const Common::MethodInfo other = Common::MethodInfo::parse("b()", Common::MethodInfo::Signal);
    Common::MetaObjectInfo info;
    info.assign(&Source::staticMetaObject);
    LogCapture capture;
    target = other;
    info.assign(&Observer::staticMetaObject);
    QCOMPARE(capture.texts("Assert"), (Strings{QStringLiteral("false && \"Is not supposed to be called.\""),
                                               QStringLiteral("m_metaObject == NULL && \"Only initial assignment is allowed.\"")}));
    QVERIFY(capture.entries().first().function.contains("Common::MethodInfo::operator="));
    QCOMPARE(target.signature(), QByteArray("a(int)"));
    QCOMPARE(info.metaObject(), &Source::staticMetaObject);
    QCOMPARE(info.findSignal("activated(QString)")->signature(), QByteArray("activated(QString)"));
    QVERIFY(!info.findSignal("activated(double)"));
}

void tst_CommonNotifier::criticalSection()
{
    Common::CriticalSection section;
    section.enter();
    section.enter();
    QVERIFY(section.tryEnter());
    bool otherThreadEntered = true;
    QThread *thread = QThread::create([&] { otherThreadEntered = section.tryEnter(); });
    thread->start();
    thread->wait();
    delete thread;
    QVERIFY(!otherThreadEntered);
    section.leave();
    section.leave();
    section.leave();

    // A moved-from section reports every use and cannot be entered.
    Common::CriticalSection moved(std::move(section));
    LogCapture capture;
    section.enter();
    QVERIFY(!section.tryEnter());
    section.leave();
    const QString report = QStringLiteral("m_impl.get() != NULL");
    QCOMPARE(capture.texts("Assert"), Strings({report, report, report}));
}

// A notifier ends its subscriptions per observer, and by itself when an observer is destroyed.
void tst_CommonNotifier::notifierKeepsSubscriptions()
{
    TestNotifier notifier;
    Observer observer;
    auto *leaving = new Observer;
    QVERIFY(notifier.subscribe("changed", &observer, "onSymbolControlValueChanged"));
    QVERIFY(notifier.subscribe("changed", &observer, "onNothing"));
    QVERIFY(notifier.subscribe("changed", leaving, "onNothing"));
    delete leaving;
    QCOMPARE(notifier.subscriptionCount(leaving), 0);
    emit notifier.changed(QStringLiteral("x"));
    QCOMPARE(observer.received, QVariantList({QStringLiteral("x"), QStringLiteral("nothing")}));

    LogCapture capture;
    QVERIFY(!notifier.unsubscribe(leaving));
    QVERIFY(capture.entries().isEmpty());
    QVERIFY(!notifier.subscribe("changed", &observer, "onMissing"));
    QCOMPARE(notifier.subscriptionCount(&observer), 2);
    QVERIFY(notifier.unsubscribe(&observer));
    QVERIFY(!notifier.unsubscribe(&observer));
    emit notifier.changed(QStringLiteral("y"));
    QCOMPARE(observer.received.size(), 2);
    QCOMPARE(capture.texts("Assert"), Strings{QStringLiteral("false && \"Appropriate slot could not be found\"")});
}

QTEST_MAIN(tst_CommonNotifier)
#include "tst_common_notifier.moc"

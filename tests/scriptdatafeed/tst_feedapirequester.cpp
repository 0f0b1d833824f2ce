#include "echotypes.h"

#include <errorresponse.h>
#include <requester.h>
#include <requesterptr.h>
#include <rerequestresponse.h>
#include <testbackend.h>

#include <QPointer>
#include <QtTest>

#include <functional>
#include <memory>

using FeedApi::Requester;

// Writes every callback it gets; onEcho can run an action inside the callback.
class EchoReceiver : public QObject
{
    Q_OBJECT

public:
    void onEcho(Requester *, const EchoResponse &response)
    {
        events << "echo " + response.text;
        if (duringEcho)
            duringEcho();
    }
    void onError(Requester *, const FeedApi::ErrorResponse &error)
    {
        events << QStringLiteral("error %1 %2 %3").arg(error.error()).arg(error.eclass())
                      .arg(error.source());
    }

    QStringList events;
    std::function<void()> duringEcho;
};

static Requester *boundRequester(EchoReceiver *receiver)
{
    auto *requester = new Requester(EchoRequest("IBM"));
    requester->bind(receiver, &EchoReceiver::onEcho);
    requester->bind(receiver, &EchoReceiver::onError);
    return requester;
}

class tst_FeedApiRequester : public QObject
{
    Q_OBJECT

private slots:
    void deliveryThroughEventLoop();
    void endingDropsQueuedResponses_data();
    void endingDropsQueuedResponses();
    void callbackMayEndRequester();
    void withoutBackendFails();
};

// Responses arrive in order, never from within respond(), and only for the types bound, which
// are registered under their short names; a second start() starts nothing.
void tst_FeedApiRequester::deliveryThroughEventLoop()
{
    QCOMPARE(QMetaType::type("EchoResponse"), EchoResponse::registeredType());
    QCOMPARE(QMetaType::type("ErrorResponse"), FeedApi::ErrorResponse::registeredType());

    FeedApi::TestBackend backend;
    EchoReceiver receiver;
    std::unique_ptr<Requester> requester(boundRequester(&receiver));
    requester->start();
    requester->start();
    QCOMPARE(backend.startedCount(), 1);

    QVERIFY(backend.respond(requester.get(), EchoResponse("a")));
    QVERIFY(backend.respond(requester.get(), FeedApi::RerequestResponse()));
    QVERIFY(backend.respond(requester.get(), FeedApi::ErrorResponse(3, 1, "feed")));
    QVERIFY(backend.respond(requester.get(), EchoResponse("b")));
    QVERIFY(receiver.events.isEmpty());
    QTRY_COMPARE(receiver.events, QStringList({"echo a", "error 3 1 feed", "echo b"}));
    QCOMPARE(backend.endedCount(), 0);
}

void tst_FeedApiRequester::endingDropsQueuedResponses_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("deleteLater") << "deleteLater";
    QTest::newRow("delete") << "delete";
    QTest::newRow("holder-reset") << "reset";
    QTest::newRow("receiver-destroyed") << "receiver";
}

// However a requester ends, the backend hears of it once, responses already queued are
// dropped and no later one is accepted. A receiver that goes gets no callback either.
void tst_FeedApiRequester::endingDropsQueuedResponses()
{
    QFETCH(QString, how);

    FeedApi::TestBackend backend;
    auto receiver = std::make_unique<EchoReceiver>();
    Requester *requester = boundRequester(receiver.get());
    QPointer<Requester> alive(requester);
    auto holder = std::make_unique<FeedApi::RequesterPtr>(requester);
    requester->start();
    QVERIFY(backend.respond(requester, EchoResponse("queued")));

    if (how == "deleteLater")
        holder->release()->deleteLater();
    else if (how == "delete")
        delete holder->release();
    else if (how == "reset")
        holder->reset();
    else
        receiver.reset();

    const bool ends = how != "receiver";
    QCOMPARE(backend.endedCount(), ends ? 1 : 0);
    if (ends && alive)
        QVERIFY(!backend.respond(alive, EchoResponse("late")));
    QTest::qWait(10);
    QCOMPARE(alive.isNull(), ends);
    if (receiver)
        QCOMPARE(receiver->events, QStringList());
}

void tst_FeedApiRequester::callbackMayEndRequester()
{
    FeedApi::TestBackend backend;
    EchoReceiver receiver;
    Requester *requester = boundRequester(&receiver);
    QPointer<Requester> alive(requester);
    receiver.duringEcho = [requester]() { requester->deleteLater(); };
    requester->start();
    QVERIFY(backend.respond(requester, EchoResponse("first")));
    QVERIFY(backend.respond(requester, EchoResponse("second")));
    QTRY_VERIFY(alive.isNull());
    QCOMPARE(receiver.events, QStringList{"echo first"});
}

// Test backends nest; with none installed a request fails instead of waiting forever.
void tst_FeedApiRequester::withoutBackendFails()
{
    QVERIFY(!FeedApi::Backend::current());
    {
        FeedApi::TestBackend outer;
        {
            FeedApi::TestBackend inner;
            QCOMPARE(FeedApi::Backend::current(), &inner);
        }
        QCOMPARE(FeedApi::Backend::current(), &outer);
    }
    QVERIFY(!FeedApi::Backend::current());

    EchoReceiver receiver;
    std::unique_ptr<Requester> requester(boundRequester(&receiver));
    requester->start();
    QVERIFY(receiver.events.isEmpty());
    QTRY_COMPARE(receiver.events, QStringList{"error 5 2 FeedApi"});
}

QTEST_MAIN(tst_FeedApiRequester)
#include "tst_feedapirequester.moc"

#include <datetime.h>
#include <errorresponse.h>
#include <formatter.h>
#include <quotes/columndescriptionsmanager.h>
#include <quotes/compoundsubscriptionadapter.h>
#include <quotes/ifieldquotelistener.h>
#include <quotes/ifieldquotesubscription.h>
#include <quotes/quotesimulator.h>
#include <quotes/testquotefeed.h>

#include <QPointer>
#include <QtTest>

#include <functional>
#include <memory>

using FieldQuote::Field;
using FieldQuote::FieldQuoteFieldId;
using FeedApi::Quotes::QuoteFeed;
using FeedApi::Quotes::QuoteSeed;
using FieldSet = QSet<FieldQuoteFieldId>;

Q_DECLARE_METATYPE(FieldSet)

namespace {

QString names(const FieldSet &fields)
{
    QStringList list;
    for (const FieldQuoteFieldId id : FieldQuoteFieldId::all()) {
        if (fields.contains(id))
            list << ColumnDescriptionsManager::instance()->descriptionByFieldId(id)->name();
    }
    return list.join(',');
}

const FieldSet AllFields = FieldQuote::toSet(FieldQuote::AllFields);

// Writes every notification as a line; when a line starts with trigger, runs action once
// and writes "--" after it.
class Listener : public IFieldQuoteListener
{
public:
    void onData(IFieldQuoteSubscription *, const FieldSet &changed) override
    {
        changes << changed;
        record("data " + names(changed));
    }
    void onStatusChanged(IFieldQuoteSubscription *, int status) override
    {
        record("status " + QString::number(status));
    }
    void onFieldsCompleted(IFieldQuoteSubscription *) override { record("completed"); }
    void onSessionReset(IFieldQuoteSubscription *) override { record("reset"); }
    void onSubscriptionEnded(IFieldQuoteSubscription *subscription) override
    {
        ended = subscription;
        record("ended");
    }

    QStringList events;
    QVector<FieldSet> changes;
    QString trigger;
    std::function<void()> action;
    IFieldQuoteSubscription *ended = nullptr;

private:
    void record(const QString &event)
    {
        events << event;
        if (!trigger.isEmpty() && event.startsWith(trigger)) {
            trigger.clear();
            action();
            events << "--";
        }
    }
};

// A simulator with a fixed seed, a clock the test sets and two known symbols, installed as
// the current feed while it lives; only step() moves it.
class Market
{
public:
    Market()
    {
        simulator.setAutoAdvance(false);
        simulator.setSeed(7);
        simulator.setClock([this] { return now; });
        simulator.setSeedSource([this](const QByteArray &symbol, const Common::DateTime &) {
            const auto it = seeds.constFind(symbol);
            return it == seeds.cend() ? std::nullopt : std::optional<QuoteSeed>(*it);
        });
        m_previous = QuoteFeed::setCurrent(&simulator);
    }
    ~Market() { QuoteFeed::setCurrent(m_previous); }

    std::unique_ptr<CompoundSubscriptionAdapter> subscribe(const QByteArray &symbol, Listener *listener,
                                                           const FieldSet &fields = AllFields)
    {
        auto adapter = std::make_unique<CompoundSubscriptionAdapter>(
            ModelKey(symbol, true, TradingSessionParams(), ModelKey::FieldQuoteKind));
        adapter->setStaticFields(fields);
        adapter->start(listener);
        return adapter;
    }

    FeedApi::Quotes::QuoteSimulator simulator;
    Common::DateTime now{20240131, 93015250};
    QHash<QByteArray, QuoteSeed> seeds{{"ACME", QuoteSeed{100, 99.5, 0.01, "Acme Corp", std::nullopt}},
                                       {"NRTH", QuoteSeed{4000, 4010, 0.25, "North Index", std::nullopt}}};

private:
    QPointer<QuoteFeed> m_previous;
};

} // namespace

class tst_Quotes : public QObject
{
    Q_OBJECT

private slots:
    // The quote handler relies on each column's name, formatter and value kind; columns of other
    // sources must not parse as quote fields. Each quote column's field text parses and writes back.
    void columnDescriptions_data()
    {
        QTest::addColumn<QString>("expected"); // formatter, value type, "quote" for a quote field

        for (const char *name : {"Last", "Bid", "Ask", "Open", "High", "Low", "PrevClose", "NetChange"})
            QTest::newRow(name) << "price 7 quote";
        for (const char *name : {"BidSize", "AskSize", "Volume"})
            QTest::newRow(name) << "volume 4 quote";
        QTest::newRow("PctChange") << "percent 7 quote";
        QTest::newRow("TradeTime") << "time-from-datetime 6 quote";
        QTest::newRow("TradeDate") << "exchangedate 6 quote";
        QTest::newRow("Description") << "text 1 quote";
        QTest::newRow("Symbol") << "text 1";
        QTest::newRow("Spread") << "price 7";
    }

    void columnDescriptions()
    {
        QFETCH(QString, expected);

        const ColumnDescriptionsManager *manager = ColumnDescriptionsManager::instance();
        const QList<ColumnDescription> all = manager->allDescripitions();
        const QString name = QTest::currentDataTag();
        const auto it = std::find_if(all.cbegin(), all.cend(),
                                     [&](const ColumnDescription &d) { return d.name() == name; });
        QVERIFY(it != all.cend());
        const FieldQuoteFieldId id = FieldQuoteFieldId::fromString(it->fieldId());
        QCOMPARE(QStringLiteral("%1 %2%3").arg(FeedApi::Formatter::formatterNameById(it->formatterId()))
                     .arg(int(it->valueType())).arg(id.isValid() ? " quote" : ""), expected);
        QCOMPARE(manager->descriptionByColumn(it->column())->name(), name);
        if (id.isValid()) {
            QCOMPARE(manager->descriptionByFieldId(id)->column(), it->column());
            QCOMPARE(id.toString(), it->fieldId());
        }
    }

    // The first update comes after start() returns, brings every field and completes them; its
    // values are the seed's (no bar today), and the columns of other sources stay empty.
    void firstUpdate()
    {
        Market market;
        Listener listener;
        const auto adapter = market.subscribe("ACME", &listener);
        QVERIFY(listener.events.isEmpty());
        QCOMPARE(adapter->subscription()->status(), int(IFieldQuoteSubscription::Subscribing));
        QVERIFY(!adapter->subscription()->isComplete(Field::Last));
        QCoreApplication::processEvents();

        QCOMPARE(listener.events, QStringList({"status 3", "completed", "data " + names(AllFields)}));
        for (const FieldQuoteFieldId id : FieldQuoteFieldId::all())
            QVERIFY2(adapter->recordData(id).isValid() && adapter->subscription()->isComplete(id),
                     qPrintable(id.toString()));
        const auto value = [&](Field field) { return adapter->recordData(field).toDouble(); };
        QStringList shown;
        for (const Field field : {Field::Last, Field::PrevClose, Field::Open, Field::High, Field::Low})
            shown << QString::number(value(field), 'g', 12);
        shown << QString::number(adapter->recordData(Field::Volume).toInt64());
        QCOMPARE(shown.join(' '), QStringLiteral("100 99.5 100 100 100 0"));
        QVERIFY(value(Field::Bid) < value(Field::Ask));
        QVERIFY(value(Field::Bid) <= value(Field::Last) && value(Field::Last) <= value(Field::Ask));
        QCOMPARE(adapter->recordData(Field::TradeTime).toUInt64(), market.now.toInt64());
        QCOMPARE(adapter->recordData(Field::TradeDate).toUInt64(), 20240131ULL * 1000000000ULL);
        QCOMPARE(adapter->recordData(Field::Description).toString(), QStringLiteral("Acme Corp"));
        const ColumnDescriptionsManager *manager = ColumnDescriptionsManager::instance();
        QCOMPARE(adapter->recordData(manager->descriptionByFieldId(Field::Bid)->column()),
                 adapter->recordData(Field::Bid));
        for (const ColumnDescription &d : manager->allDescripitions())
            QVERIFY(d.quoteFieldId().isValid() || !adapter->recordData(d.column()).isValid());
    }

    void onlySubscribedFields_data()
    {
        QTest::addColumn<FieldSet>("fields");

        QTest::newRow("last") << FieldSet{Field::Last};
        QTest::newRow("quote") << FieldSet{Field::Bid, Field::Ask, Field::BidSize, Field::AskSize};
        QTest::newRow("day") << FieldSet{Field::Open, Field::High, Field::Low, Field::Volume};
        QTest::newRow("never changing") << FieldSet{Field::Description, Field::PrevClose};
    }

    // After the first update exactly the subscribed fields whose values changed are reported.
    void onlySubscribedFields()
    {
        QFETCH(FieldSet, fields);

        Market market;
        Listener listener;
        const auto adapter = market.subscribe("ACME", &listener, fields);
        QCoreApplication::processEvents();
        QCOMPARE(listener.changes, QVector<FieldSet>{fields});

        QHash<FieldQuoteFieldId, Common::RecordData> seen;
        for (const FieldQuoteFieldId id : fields)
            seen.insert(id, adapter->recordData(id));
        for (int i = 0; i < 300; ++i) {
            const int before = listener.changes.size();
            market.simulator.step();
            FieldSet differing;
            for (const FieldQuoteFieldId id : fields) {
                if (adapter->recordData(id) != seen.value(id))
                    differing.insert(id);
                seen.insert(id, adapter->recordData(id));
            }
            QCOMPARE(listener.changes.size(), before + (differing.isEmpty() ? 0 : 1));
            if (!differing.isEmpty())
                QCOMPARE(listener.changes.last(), differing);
        }
        QCOMPARE(listener.changes.size() > 1, !fields.contains(Field::Description));
        for (const FieldQuoteFieldId id : FieldQuoteFieldId::all())
            QCOMPARE(adapter->recordData(id).isValid(), fields.contains(id));
    }

    void failures_data()
    {
        QTest::addColumn<bool>("withFeed");
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("error"); // code and text

        QTest::newRow("unknown symbol") << true << QByteArray("NOPE") << 4 << "1 Unknown symbol: NOPE";
        QTest::newRow("empty symbol") << true << QByteArray() << 4 << "1 Unknown symbol";
        QTest::newRow("other model kind") << true << QByteArray("ACME") << 3
                                          << "2 Invalid request: model kind 3 is not a field quote";
        QTest::newRow("no feed") << false << QByteArray("ACME") << 4
                                 << "5 Data service unavailable: no quote feed is installed";
    }

    // Failures arrive later as status 2 with a code and a text, and nothing follows them.
    void failures()
    {
        QFETCH(bool, withFeed);
        QFETCH(QByteArray, symbol);
        QFETCH(int, kind);
        QFETCH(QString, error);

        std::unique_ptr<Market> market(withFeed ? new Market : nullptr);
        Listener listener;
        CompoundSubscriptionAdapter adapter(ModelKey(symbol, false, TradingSessionParams(), kind));
        adapter.setStaticFields(AllFields);
        QVERIFY(adapter.start(&listener));
        QVERIFY(!adapter.start(&listener));
        QVERIFY(listener.events.isEmpty());
        QCoreApplication::processEvents();
        if (market)
            market->simulator.step();
        QCoreApplication::processEvents();

        QCOMPARE(listener.events, QStringList{"status 2"});
        const IFieldQuoteSubscription *subscription = adapter.subscription();
        QCOMPARE(subscription->status(), int(IFieldQuoteSubscription::Error));
        QCOMPARE(QString::number(subscription->errorCode()) + ' ' + subscription->errorText(), error);
        QVERIFY(!adapter.recordData(Field::Last).isValid());
        QVERIFY(!market || market->simulator.symbols().isEmpty());
    }

    // A listener may delete its own adapter and another from its data callback, as the quote
    // handler does when a page clears from an answer; neither hears more and the rest go on.
    void dataCallbackMayEndAdapters()
    {
        Market market;
        Listener first, second, other;
        auto a = market.subscribe("ACME", &first);
        auto b = market.subscribe("ACME", &second, {Field::Last, Field::Volume});
        const auto c = market.subscribe("NRTH", &other);
        int secondAtAction = -1;
        first.trigger = "data";
        first.action = [&] {
            a.reset();
            b.reset();
            secondAtAction = second.events.size();
        };
        QCoreApplication::processEvents();
        for (int i = 0; i < 20; ++i)
            market.simulator.step();

        QCOMPARE(first.events.last(), "--");
        QCOMPARE(second.events.size(), secondAtAction);
        QCOMPARE(other.events.filter(QRegularExpression("^data")).size(), 21);
        QCOMPARE(market.simulator.symbols(), QList<QByteArray>({"NRTH"}));
    }

    // A feed destroyed under running subscriptions fails them later and hands each listener a
    // reference that outlives the adapter; the previous feed comes back.
    void closedFeedEndsSubscriptions()
    {
        Market market;
        auto feed = std::make_unique<FeedApi::Quotes::TestQuoteFeed>();
        QCOMPARE(QuoteFeed::current(), feed.get());
        Listener keeping, releasing;
        releasing.trigger = "ended";
        releasing.action = [&] { releasing.ended->release(); };
        auto kept = market.subscribe("ACME", &keeping, {Field::Last, Field::Bid});
        const auto other = market.subscribe("ACME", &releasing, {Field::Bid});
        QVERIFY(!feed->publish("NRTH", {{Field::Last, Common::RecordData::fromDouble(1)}}));
        QVERIFY(feed->publish("ACME", {{Field::Last, Common::RecordData::fromDouble(1.5)}}));
        QCoreApplication::processEvents();
        QCOMPARE(keeping.events, QStringList({"status 3", "data Last"}));
        QCOMPARE(releasing.events, QStringList({"status 3"}));
        QVERIFY(!kept->subscription()->isComplete());

        feed.reset();
        QCOMPARE(QuoteFeed::current(), &market.simulator);
        QCOMPARE(keeping.events.size(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(keeping.events, QStringList({"status 3", "data Last", "status 2", "ended"}));
        QCOMPARE(releasing.events.mid(1), QStringList({"status 2", "ended", "--"}));
        QCOMPARE(keeping.ended, kept->subscription());
        QCOMPARE(keeping.ended->errorCode(), int(FeedApi::ErrorResponse::ServiceUnavailable));
        QCOMPARE(keeping.ended->errorText(), "Data service unavailable: the quote feed was closed");
        kept.reset();
        QCOMPARE(keeping.ended->status(), int(IFieldQuoteSubscription::Stopped));
        QCOMPARE(keeping.ended->value(Field::Last).toDouble(), 1.5);
        keeping.ended->release();
    }
};

QTEST_GUILESS_MAIN(tst_Quotes)
#include "tst_quotes.moc"

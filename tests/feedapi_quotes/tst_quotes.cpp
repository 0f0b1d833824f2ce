#include <datetime.h>
#include <errorresponse.h>
#include <formatter.h>
#include <quotes/columndescriptionsmanager.h>
#include <quotes/compoundsubscriptionadapter.h>
#include <quotes/ifieldquotelistener.h>
#include <quotes/ifieldquotesubscription.h>
#include <quotes/quotesimulator.h>
#include <quotes/quotewalk.h>
#include <quotes/testquotefeed.h>

#include <QPointer>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

using FieldQuote::Field;
using FieldQuote::FieldQuoteFieldId;
using FeedApi::Quotes::QuoteFeed;
using FeedApi::Quotes::QuoteSeed;
using FeedApi::Quotes::QuoteSimulator;
using FieldSet = QSet<FieldQuoteFieldId>;
using Bars = QVector<FeedApi::Bar>;

Q_DECLARE_METATYPE(FieldSet)
Q_DECLARE_METATYPE(QuoteSeed)
Q_DECLARE_METATYPE(FeedApi::Bar)

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

FieldSet allFields()
{
    return FieldQuote::toSet(FieldQuote::AllFields);
}

QuoteSeed makeSeed(double minTick, double lastClose, double previousClose, const QString &description)
{
    QuoteSeed seed;
    seed.minTick = minTick;
    seed.lastClose = lastClose;
    seed.previousClose = previousClose;
    seed.description = description;
    return seed;
}

FeedApi::Bar makeBar(quint32 date, double open, double high, double low, double close, quint64 volume)
{
    return FeedApi::Bar{Common::DateTime(date, 0).toInt64(), open, high, low, close, volume};
}

bool onTick(double price, double tick)
{
    const double ticks = price / tick;
    return std::abs(ticks - std::round(ticks)) < 1e-6;
}

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
    void onStatusChanged(IFieldQuoteSubscription *, int status) override { record("status", status); }
    void onFieldsCompleted(IFieldQuoteSubscription *) override { record("completed"); }
    void onSessionReset(IFieldQuoteSubscription *) override { record("reset"); }
    void onUpdateRateChanged(IFieldQuoteSubscription *, int rate) override { record("rate", rate); }
    void onUpdatesSkipped(IFieldQuoteSubscription *, int count) override { record("skipped", count); }
    void onSubscriptionEnded(IFieldQuoteSubscription *subscription) override
    {
        ended = subscription;
        record("ended");
    }

    int count(const QString &prefix) const
    {
        return int(std::count_if(events.cbegin(), events.cend(),
                                 [&](const QString &e) { return e.startsWith(prefix); }));
    }

    QStringList events;
    QVector<FieldSet> changes;
    QString trigger;
    std::function<void()> action;
    IFieldQuoteSubscription *ended = nullptr;

private:
    void record(const char *event, int number) { record(QLatin1String(event) + ' ' + QString::number(number)); }
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
// the current feed while it lives; only step() and advance() move it.
class Market
{
public:
    explicit Market(quint32 seed = 7)
    {
        simulator.setAutoAdvance(false);
        simulator.setSeed(seed);
        simulator.setClock([this] { return now; });
        simulator.setSeedSource([this](const QByteArray &symbol, const Common::DateTime &) {
            const auto it = seeds.constFind(symbol);
            return it == seeds.cend() ? std::nullopt : std::optional<QuoteSeed>(*it);
        });
        m_previous = QuoteFeed::setCurrent(&simulator);
    }
    ~Market() { QuoteFeed::setCurrent(m_previous); }

    std::unique_ptr<CompoundSubscriptionAdapter> subscribe(const QByteArray &symbol,
                                                           Listener *listener,
                                                           const FieldSet &fields = allFields())
    {
        auto adapter = std::make_unique<CompoundSubscriptionAdapter>(
            ModelKey(symbol, true, TradingSessionParams(), ModelKey::FieldQuoteKind));
        adapter->setStaticFields(fields);
        adapter->start(listener);
        return adapter;
    }

    QuoteSimulator simulator;
    Common::DateTime now{20240131, 93015250};
    QHash<QByteArray, QuoteSeed> seeds{{"ACME", makeSeed(0.01, 100, 99.5, "Acme Corp")},
                                       {"NRTH", makeSeed(0.25, 4000, 4010, "North Index")}};

private:
    QPointer<QuoteFeed> m_previous;
};

// ACME's values after each of 200 steps of a market with this seed that also simulates NRTH,
// subscribed to first or second.
QStringList acmeWalk(quint32 seed, bool acmeFirst)
{
    Market market(seed);
    Listener acme, north;
    const auto first = market.subscribe(acmeFirst ? "ACME" : "NRTH", acmeFirst ? &acme : &north);
    const auto second = market.subscribe(acmeFirst ? "NRTH" : "ACME", acmeFirst ? &north : &acme);
    const CompoundSubscriptionAdapter *adapter = acmeFirst ? first.get() : second.get();
    QCoreApplication::processEvents();
    QStringList values;
    for (int i = 0; i < 200; ++i) {
        market.now = Common::DateTime(20240131, 93015250 + quint32(i));
        market.simulator.step();
        QStringList row;
        for (const FieldQuoteFieldId id : FieldQuoteFieldId::all())
            row << QString::number(adapter->recordData(id).payload());
        values << row.join(' ');
    }
    return values;
}

} // namespace

class tst_Quotes : public QObject
{
    Q_OBJECT

private slots:
    void columnDescriptions_data();
    void columnDescriptions();
    void fieldIdRefusesInexactText_data();
    void fieldIdRefusesInexactText();
    void seedFromMarket_data();
    void seedFromMarket();
    void firstUpdate_data();
    void firstUpdate();
    void walkInvariants_data();
    void walkInvariants();
    void onlySubscribedFields_data();
    void onlySubscribedFields();
    void failures_data();
    void failures();
    void callbackMayEndAdapter_data();
    void callbackMayEndAdapter();
    void sameSeedSameSequence();
    void rate_data();
    void rate();
    void sessionAndDayBar();
    void closedFeedEndsSubscriptions();
};

// The handler relies on each column's name, formatter and value kind; columns of other
// sources must not parse as quote fields. Each quote column's field text parses and writes back.
void tst_Quotes::columnDescriptions_data()
{
    QTest::addColumn<QString>("formatter");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("quoteField");

    const int dbl = Common::RecordData::Double, i64 = Common::RecordData::Int64,
              u64 = Common::RecordData::UInt64, bytes = Common::RecordData::ByteString;
    for (const char *name : {"Last", "Bid", "Ask", "Open", "High", "Low", "PrevClose", "NetChange"})
        QTest::newRow(name) << "price" << dbl << true;
    for (const char *name : {"BidSize", "AskSize", "Volume"})
        QTest::newRow(name) << "volume" << i64 << true;
    QTest::newRow("PctChange") << "percent" << dbl << true;
    QTest::newRow("TradeTime") << "time-from-datetime" << u64 << true;
    QTest::newRow("TradeDate") << "exchangedate" << u64 << true;
    QTest::newRow("Description") << "text" << bytes << true;
    QTest::newRow("Symbol") << "text" << bytes << false;
    QTest::newRow("Exchange") << "text" << bytes << false;
    QTest::newRow("Spread") << "price" << dbl << false;
}

void tst_Quotes::columnDescriptions()
{
    QFETCH(QString, formatter);
    QFETCH(int, type);
    QFETCH(bool, quoteField);

    const ColumnDescriptionsManager *manager = ColumnDescriptionsManager::instance();
    const QList<ColumnDescription> all = manager->allDescripitions();
    const QString name = QTest::currentDataTag();
    const auto it = std::find_if(all.cbegin(), all.cend(),
                                 [&](const ColumnDescription &d) { return d.name() == name; });
    QVERIFY(it != all.cend());
    QCOMPARE(FeedApi::Formatter::formatterNameById(it->formatterId()), formatter);
    QCOMPARE(int(it->valueType()), type);
    QCOMPARE(manager->descriptionByColumn(it->column())->name(), name);
    const FieldQuoteFieldId id = FieldQuoteFieldId::fromString(it->fieldId());
    QCOMPARE(id.isValid(), quoteField);
    if (quoteField) {
        QCOMPARE(manager->descriptionByFieldId(id)->column(), it->column());
        QCOMPARE(id.toString(), it->fieldId());
    }
}

void tst_Quotes::fieldIdRefusesInexactText_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << "";
    QTest::newRow("prefix only") << "quote.";
    QTest::newRow("other case") << "Quote.Last";
    QTest::newRow("leading blank") << " quote.last";
    QTest::newRow("trailing blank") << "quote.last ";
    QTest::newRow("longer") << "quote.lastx";
}

void tst_Quotes::fieldIdRefusesInexactText()
{
    QFETCH(QString, text);

    const FieldQuoteFieldId id = FieldQuoteFieldId::fromString(text);
    QCOMPARE(id.index(), -1);
    QCOMPARE(id.toString(), QString());
}

void tst_Quotes::seedFromMarket_data()
{
    QTest::addColumn<Bars>("bars");
    QTest::addColumn<double>("lastClose");
    QTest::addColumn<double>("previousClose");
    QTest::addColumn<bool>("todayBar");

    const FeedApi::Bar yesterday = makeBar(20240130, 9, 11, 8, 10, 500);
    const FeedApi::Bar today = makeBar(20240131, 10.5, 12, 10, 11, 300);
    QTest::newRow("no bars") << Bars() << 100.0 << 100.0 << false;
    QTest::newRow("yesterday") << Bars{yesterday} << 10.0 << 10.0 << false;
    QTest::newRow("yesterday and today") << Bars{yesterday, today} << 11.0 << 10.0 << true;
    QTest::newRow("today only") << Bars{today} << 11.0 << 10.5 << true;
    QTest::newRow("older days") << Bars{makeBar(20240125, 9, 9, 9, 9, 1), makeBar(20240126, 10, 10, 10, 10, 1)}
                                << 10.0 << 10.0 << false;
}

void tst_Quotes::seedFromMarket()
{
    QFETCH(Bars, bars);
    QFETCH(double, lastClose);
    QFETCH(double, previousClose);
    QFETCH(bool, todayBar);

    FeedApi::Market::Instrument instrument;
    instrument.minTick = 0.5;
    instrument.description = QStringLiteral("Acme");
    const QuoteSeed seed = QuoteSeed::fromMarket(instrument, bars, QDate(2024, 1, 31));
    QCOMPARE(seed.lastClose, lastClose);
    QCOMPARE(seed.previousClose, previousClose);
    QCOMPARE(seed.todayBar.has_value(), todayBar);
    QCOMPARE(seed.minTick, 0.5);
    QCOMPARE(seed.description, instrument.description);
}

// The first update comes after start() returns, brings every field and completes them; its
// values are the seed's.
void tst_Quotes::firstUpdate_data()
{
    QTest::addColumn<QuoteSeed>("seed");
    QTest::addColumn<QString>("values");    // last, previous close, open, high, low, volume

    QTest::newRow("no bar today") << makeSeed(0.01, 100, 99.5, "Zürich Öl AG €") << "100 99.5 100 100 100 0";
    QuoteSeed withBar = makeSeed(0.25, 4000, 3990, "North Index");
    withBar.todayBar = makeBar(20240131, 3980, 4005, 3975, 4000, 12000);
    QTest::newRow("bar today") << withBar << "4000 3990 3980 4005 3975 12000";
    QuoteSeed oldBar = withBar;
    oldBar.todayBar = makeBar(20240130, 3980, 4005, 3975, 4000, 12000);
    QTest::newRow("bar of another day") << oldBar << "4000 3990 4000 4000 4000 0";
    QuoteSeed unusable = makeSeed(-1, qQNaN(), 0, "Broken");
    unusable.todayBar = makeBar(20240131, 120, 110, qInf(), 100.004, 7);
    QTest::newRow("unusable numbers") << unusable << "100 100 120 120 100 7";
}

void tst_Quotes::firstUpdate()
{
    QFETCH(QuoteSeed, seed);
    QFETCH(QString, values);

    Market market;
    market.seeds.insert("SYM", seed);
    Listener listener;
    const auto adapter = market.subscribe("SYM", &listener);
    QVERIFY(listener.events.isEmpty());
    QCOMPARE(seed.isUsable(), QByteArray(QTest::currentDataTag()) != "unusable numbers");
    if (!seed.isUsable())
        QTest::ignoreMessage(QtWarningMsg,
                             "QuoteSimulator: the starting prices of SYM are unusable; the walk replaces them");
    QCOMPARE(adapter->subscription()->status(), int(IFieldQuoteSubscription::Subscribing));
    QVERIFY(!adapter->subscription()->isComplete(Field::Last));
    QCoreApplication::processEvents();

    QCOMPARE(listener.events, QStringList({"status 3", "completed", "data " + names(allFields())}));
    QVERIFY(adapter->subscription()->isComplete());
    for (const FieldQuoteFieldId id : FieldQuoteFieldId::all()) {
        QVERIFY2(adapter->recordData(id).isValid(), qPrintable(id.toString()));
        QVERIFY(adapter->subscription()->isComplete(id));
    }
    const auto value = [&](Field field) { return adapter->recordData(field).toDouble(); };
    QStringList shown;
    for (const Field field : {Field::Last, Field::PrevClose, Field::Open, Field::High, Field::Low})
        shown << QString::number(value(field), 'g', 12);
    shown << QString::number(adapter->recordData(Field::Volume).toInt64());
    QCOMPARE(shown.join(' '), values);
    QVERIFY(qFuzzyCompare(value(Field::NetChange) + 1000, value(Field::Last) - value(Field::PrevClose) + 1000));
    QVERIFY(value(Field::Bid) < value(Field::Ask));
    QVERIFY(value(Field::Bid) <= value(Field::Last) && value(Field::Last) <= value(Field::Ask));
    QCOMPARE(adapter->recordData(Field::TradeTime).toUInt64(), market.now.toInt64());
    QCOMPARE(adapter->recordData(Field::TradeDate).toUInt64(), 20240131ULL * 1000000000ULL);
    QCOMPARE(adapter->recordData(Field::Description).toString(), seed.description);

    const ColumnDescriptionsManager *manager = ColumnDescriptionsManager::instance();
    QCOMPARE(adapter->recordData(manager->descriptionByFieldId(Field::Bid)->column()),
             adapter->recordData(Field::Bid));
    for (const ColumnDescription &d : manager->allDescripitions()) {
        if (!d.quoteFieldId().isValid())
            QVERIFY(!adapter->recordData(d.column()).isValid());
    }
}

// Many steps across midnight: every price on the tick, bid < ask around the last price, the
// day's range holding open and last, and exactly the fields whose values changed reported.
void tst_Quotes::walkInvariants_data()
{
    QTest::addColumn<double>("tick");
    QTest::addColumn<double>("price");

    QTest::newRow("cents") << 0.01 << 100.0;
    QTest::newRow("quarters") << 0.25 << 4000.0;
    QTest::newRow("pips") << 0.0001 << 1.0842;
    QTest::newRow("32nds") << 0.03125 << 110.0;
    QTest::newRow("whole tick") << 3.0 << 300.0;
    QTest::newRow("one tick above zero") << 0.01 << 0.01;
}

void tst_Quotes::walkInvariants()
{
    QFETCH(double, tick);
    QFETCH(double, price);

    Common::DateTime now(20240131, 235950000);
    FeedApi::Quotes::QuoteWalk walk(makeSeed(tick, price, price, "x"), 11, now);
    FieldQuote::FieldValues previous = walk.values();
    int sessions = 0;
    for (int i = 0; i < 20000; ++i) {
        now = Common::DateTime::fromQDateTime(now.toQDateTime().addMSecs(1));
        const quint32 session = walk.sessionDate();
        const FieldQuote::FieldMask changed = walk.step(now);
        const FieldQuote::FieldValues &v = walk.values();
        FieldQuote::FieldMask differing = 0;
        for (int f = 0; f < FieldQuoteFieldId::Count; ++f)
            differing |= v[f] != previous[f] ? FieldQuote::FieldMask(1) << f : 0;
        QCOMPARE(changed, differing);
        QVERIFY(changed != 0);

        const auto at = [&](Field f) { return v[int(f)].toDouble(); };
        for (Field f : {Field::Last, Field::Bid, Field::Ask, Field::Open, Field::High, Field::Low,
                        Field::PrevClose, Field::NetChange})
            QVERIFY2(onTick(at(f), tick), qPrintable(QString::number(at(f), 'g', 17)));
        QVERIFY(at(Field::Bid) > 0);
        QVERIFY(at(Field::Bid) < at(Field::Ask));
        QVERIFY(at(Field::Bid) <= at(Field::Last) && at(Field::Last) <= at(Field::Ask));
        QVERIFY(at(Field::Low) <= at(Field::Open) && at(Field::Open) <= at(Field::High));
        QVERIFY(at(Field::Low) <= at(Field::Last) && at(Field::Last) <= at(Field::High));
        QVERIFY(std::abs(at(Field::NetChange) - (at(Field::Last) - at(Field::PrevClose))) < tick / 2);
        QVERIFY(std::abs(at(Field::PctChange) - at(Field::NetChange) * 100 / at(Field::PrevClose)) < 1e-9);
        const qint64 volume = v[int(Field::Volume)].toInt64();
        if (walk.sessionDate() != session) {
            ++sessions;
            QCOMPARE(at(Field::PrevClose), previous[int(Field::Last)].toDouble());
            QCOMPARE(at(Field::Open), at(Field::PrevClose));
            QVERIFY(volume <= 2000);
        } else {
            QVERIFY(volume >= previous[int(Field::Volume)].toInt64());
        }
        const FeedApi::Bar bar = walk.dayBar();
        QCOMPARE(bar.close, at(Field::Last));
        QCOMPARE(qint64(bar.volume), volume);
        QCOMPARE(bar.time, quint64(walk.sessionDate()) * Common::DateTime::DateFactor);
        previous = v;
    }
    QCOMPARE(sessions, 1);
}

// After the first update only the subscribed fields that changed are reported.
void tst_Quotes::onlySubscribedFields_data()
{
    QTest::addColumn<FieldSet>("fields");

    QTest::newRow("last") << FieldSet{Field::Last};
    QTest::newRow("quote") << FieldSet{Field::Bid, Field::Ask, Field::BidSize, Field::AskSize};
    QTest::newRow("day") << FieldSet{Field::Open, Field::High, Field::Low, Field::Volume};
    QTest::newRow("never changing") << FieldSet{Field::Description, Field::PrevClose};
}

void tst_Quotes::onlySubscribedFields()
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

// Failures arrive later as status 2 with a code and a text, and nothing follows them.
void tst_Quotes::failures_data()
{
    QTest::addColumn<bool>("withFeed");
    QTest::addColumn<QByteArray>("symbol");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    const int unknown = FeedApi::ErrorResponse::UnknownSymbol;
    QTest::newRow("unknown symbol") << true << QByteArray("NOPE") << 4 << unknown << "Unknown symbol: NOPE";
    QTest::newRow("empty symbol") << true << QByteArray() << 4 << unknown << "Unknown symbol";
    QTest::newRow("other model kind") << true << QByteArray("ACME") << 3 << int(FeedApi::ErrorResponse::InvalidRequest)
                                      << "Invalid request: model kind 3 is not a field quote";
    QTest::newRow("no feed") << false << QByteArray("ACME") << 4 << int(FeedApi::ErrorResponse::ServiceUnavailable)
                             << "Data service unavailable: no quote feed is installed";
}

void tst_Quotes::failures()
{
    QFETCH(bool, withFeed);
    QFETCH(QByteArray, symbol);
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(QString, text);

    std::unique_ptr<Market> market(withFeed ? new Market : nullptr);
    Listener listener;
    CompoundSubscriptionAdapter adapter(ModelKey(symbol, false, TradingSessionParams(), kind));
    adapter.setStaticFields(allFields());
    QVERIFY(adapter.start(&listener));
    QVERIFY(!adapter.start(&listener));
    QVERIFY(listener.events.isEmpty());
    QCoreApplication::processEvents();
    if (market)
        market->simulator.step();
    QCoreApplication::processEvents();

    QCOMPARE(listener.events, QStringList{"status 2"});
    QCOMPARE(adapter.subscription()->status(), int(IFieldQuoteSubscription::Error));
    QCOMPARE(adapter.subscription()->errorCode(), code);
    QCOMPARE(adapter.subscription()->errorText(), text);
    QVERIFY(!adapter.recordData(Field::Last).isValid());
    if (market)
        QVERIFY(market->simulator.symbols().isEmpty());
}

// A listener may stop or delete its own adapter, or another one, inside any notification;
// nothing reaches a stopped adapter's listener afterwards and the rest go on.
void tst_Quotes::callbackMayEndAdapter_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("action");

    QTest::newRow("delete in first data") << "data" << "delete own";
    QTest::newRow("delete in later data") << "data Bid" << "delete own";
    QTest::newRow("stop in data") << "data Bid" << "stop own";
    QTest::newRow("delete in status") << "status 3" << "delete own";
    QTest::newRow("delete in completion") << "completed" << "delete own";
    QTest::newRow("delete in session reset") << "reset" << "delete own";
    QTest::newRow("delete other in data") << "data Bid" << "delete other";
    QTest::newRow("delete other in reset") << "reset" << "delete other";
}

void tst_Quotes::callbackMayEndAdapter()
{
    QFETCH(QString, trigger);
    QFETCH(QString, action);

    Market market;
    market.now = Common::DateTime(20240131, 235959000);
    Listener first, second, other;
    auto a = market.subscribe("ACME", &first);
    auto b = market.subscribe("ACME", &second, {Field::Last, Field::Volume});
    const auto c = market.subscribe("NRTH", &other);
    int secondAtAction = -1;
    first.trigger = trigger;
    first.action = [&] {
        if (action == "delete own") {
            a.reset();
        } else if (action == "stop own") {
            a->stop();
        } else {
            b.reset();
            secondAtAction = second.events.size();
        }
    };

    QCoreApplication::processEvents();
    for (int i = 0; i < 40; ++i) {
        if (i == 20)
            market.now = Common::DateTime(20240201, 100);
        market.simulator.step();
    }

    QVERIFY(first.trigger.isEmpty());
    if (action == "delete other") {
        QCOMPARE(second.events.size(), secondAtAction);
        QVERIFY(first.events.indexOf("--") < first.events.size() - 1);
    } else {
        QCOMPARE(first.events.last(), "--");
    }
    QCOMPARE(other.count("data"), 41);
    QCOMPARE(other.count("reset"), 1);
    QCOMPARE(market.simulator.symbols(), QList<QByteArray>({"ACME", "NRTH"}));
}

// Each symbol's walk depends on the seed and the symbol only, not on what else is simulated
// or in which order subscriptions came.
void tst_Quotes::sameSeedSameSequence()
{
    const QStringList walk = acmeWalk(7, true);
    QCOMPARE(acmeWalk(7, false), walk);
    QVERIFY(acmeWalk(8, true) != walk);
}

// advance() turns time into steps at the set rate, carrying fractions and skipping more than
// a second's backlog; each step reaches a subscription of every field once.
void tst_Quotes::rate_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVector<int>>("spans");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("skipped");

    const int standard = QuoteSimulator::DefaultUpdatesPerSecond;
    QTest::newRow("default") << standard << true << QVector<int>{1000} << standard << 0;
    QTest::newRow("top rate") << 1000 << true << QVector<int>{1000} << 1000 << 0;
    QTest::newRow("fractions carry") << 250 << true << QVector<int>(100, 10) << 250 << 0;
    QTest::newRow("one a second") << 1 << true << QVector<int>{400, 400, 400} << 1 << 0;
    QTest::newRow("backlog skipped") << 10 << true << QVector<int>{5000} << 10 << 40;
    QTest::newRow("nothing for no time") << 10 << true << QVector<int>{0, -5} << 0 << 0;
    QTest::newRow("zero refused") << 0 << false << QVector<int>{1000} << standard << 0;
    QTest::newRow("above top refused") << 1001 << false << QVector<int>{1000} << standard << 0;
}

void tst_Quotes::rate()
{
    QFETCH(int, rate);
    QFETCH(bool, accepted);
    QFETCH(QVector<int>, spans);
    QFETCH(int, steps);
    QFETCH(int, skipped);

    Market market;
    QVERIFY(QuoteSimulator::DefaultUpdatesPerSecond >= 2);
    Listener listener;
    const auto adapter = market.subscribe("ACME", &listener);
    QCoreApplication::processEvents();
    QCOMPARE(market.simulator.setUpdatesPerSecond(rate), accepted);
    QCOMPARE(market.simulator.updatesPerSecond(),
             accepted ? rate : int(QuoteSimulator::DefaultUpdatesPerSecond));
    QCoreApplication::processEvents();
    const bool changed = accepted && rate != QuoteSimulator::DefaultUpdatesPerSecond;
    QCOMPARE(listener.count("rate"), changed ? 1 : 0);

    int run = 0;
    for (const int span : spans)
        run += market.simulator.advance(span);
    QCOMPARE(run, steps);
    QCOMPARE(listener.count("data"), 1 + steps);
    QCOMPARE(listener.events.filter("skipped"),
             skipped ? QStringList{QStringLiteral("skipped %1").arg(skipped)} : QStringList());
}

// Crossing midnight starts a new session; the day's bar is announced whenever it changes and
// matches the quote; acquire() keeps a symbol simulated without subscriptions.
void tst_Quotes::sessionAndDayBar()
{
    Market market;
    market.now = Common::DateTime(20240131, 235959000);
    Bars bars;
    connect(&market.simulator, &QuoteSimulator::dayBarChanged, this,
            [&](const QByteArray &symbol, const FeedApi::Bar &bar) {
                QCOMPARE(symbol, QByteArray("ACME"));
                bars << bar;
            });
    QVERIFY(!market.simulator.acquire("NOPE"));
    QVERIFY(market.simulator.acquire("ACME"));
    Listener listener;
    auto adapter = market.subscribe("ACME", &listener);
    QCoreApplication::processEvents();

    for (int i = 0; i < 30; ++i) {
        if (i == 15)
            market.now = Common::DateTime(20240201, 500);
        const int before = bars.size();
        const int dataBefore = listener.changes.size();
        market.simulator.step();
        const FieldSet changed = listener.changes.size() > dataBefore ? listener.changes.last() : FieldSet();
        const bool barChanged = i == 15 || changed.contains(Field::Last) || changed.contains(Field::Volume);
        QCOMPARE(bars.size(), before + (barChanged ? 1 : 0));
        if (barChanged) {
            QCOMPARE(bars.last().close, adapter->recordData(Field::Last).toDouble());
            QCOMPARE(bars.last().high, adapter->recordData(Field::High).toDouble());
            QCOMPARE(qint64(bars.last().volume), adapter->recordData(Field::Volume).toInt64());
        }
        QCOMPARE(market.simulator.dayBar("ACME")->close, adapter->recordData(Field::Last).toDouble());
    }
    QCOMPARE(listener.count("reset"), 1);
    const int reset = listener.events.indexOf("reset");
    QVERIFY(listener.events.at(reset + 1).startsWith("data "));

    adapter.reset();
    QCOMPARE(market.simulator.symbols(), QList<QByteArray>{"ACME"});
    market.simulator.release("ACME");
    QVERIFY(market.simulator.symbols().isEmpty());
    QVERIFY(!market.simulator.dayBar("ACME"));
    QTest::ignoreMessage(QtWarningMsg, "QuoteSimulator: ACME released more often than acquired");
    market.simulator.release("ACME");
}

// A feed destroyed under running subscriptions fails them later and hands each listener a
// reference that outlives the adapter; the previous feed comes back.
void tst_Quotes::closedFeedEndsSubscriptions()
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
    QVERIFY(keeping.events.size() == 2);
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

QTEST_GUILESS_MAIN(tst_Quotes)
#include "tst_quotes.moc"

// The insert-symbol button's dialog driven as the user and the page drive it, with the data
// requests answered by the test backend: the checks of the resolved symbol with their error
// texts, the chain that accepts it, the signals of each way of closing, and the requests that
// closing and confirming again stop.
#include "headerfixture.h"
#include "testsupport.h"

#include <document/scriptdocument.h>
#include <document/scriptheader.h>
#include <document/scriptinsertsymbolbutton.h>

#include <appearancemanager.h>
#include <application.h>
#include <dialog.h>
#include <document.h>
#include <symboleditcontrol.h>

#include <chainrequest.h>
#include <chainresponse.h>
#include <errorresponse.h>
#include <requester.h>
#include <rerequestresponse.h>
#include <symbolrecord.h>
#include <symbolrequest.h>
#include <symbolresponse.h>
#include <testbackend.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

const QByteArray insertHeader =
    "[{id: \"curve\", type: \"InsertSymbolButton\", button: {id: \"add\", name: \"Add\"},"
    " symbolEdit: {focusOnKeyPress: false}}]";

const QString failedText = QStringLiteral("Failed to resolve symbol \"ESZ4\"");
const QString historicalText =
    QStringLiteral("Historical symbols cannot be requested with specific date");
const QString spreadText =
    QStringLiteral("User defined spreads cannot be requested with specific date");
const QString unsuitableText = QStringLiteral(
    "This symbol type is not suitable for this window. Please enter either Futures, Forex or "
    "Bond symbol");
const QString notAllowedText =
    QStringLiteral("Cannot insert symbol with different type than main symbol");
const QString emptyChainText = QStringLiteral("Cannot build curve with given parameters");
const QString resolvingText = QStringLiteral("Resolving symbol...");

Common::SymbolRecord record(const QString &typeAndSubType)
{
    const QStringList parts = typeAndSubType.split(QLatin1Char('/'));
    Common::SymbolRecord result;
    result.setValue(Common::SymbolRecord::Symbol, Common::RecordData::fromByteString("ESZ4"));
    result.setValue(Common::SymbolRecord::SymbolType,
                    Common::RecordData::fromInt32(parts.at(0).toInt()));
    if (parts.size() > 1)
        result.setValue(Common::SymbolRecord::SubType,
                        Common::RecordData::fromInt32(parts.at(1).toInt()));
    return result;
}

} // namespace

class tst_InsertSymbol : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dialog_data();
    void dialog();
    void parameters_data();
    void parameters();
    void documentClosedWithDialogOpen();

private:
    void open(const QByteArray &header = insertHeader);
    void run(const QStringList &steps);
    // The running requester of request type R, the latest one.
    template <typename R>
    FeedApi::Requester *running() const;
    QStringList requests() const;
    QString status() const;

    std::unique_ptr<HeaderFixture> m_fixture;
    std::unique_ptr<FeedApi::TestBackend> m_backend;
    OpenDocument m_open;
    QPointer<ScriptInsertSymbolButton> m_button;
    QStringList m_signals;
    Document m_otherDocument{QByteArray("other")};
    QWidget m_otherWindow;
};

void tst_InsertSymbol::init()
{
    if (!m_fixture)
        m_fixture.reset(new HeaderFixture);
    m_backend.reset(new FeedApi::TestBackend);
    m_signals.clear();
    PluginFixture::takeOutput();
}

void tst_InsertSymbol::cleanup()
{
    QApplication::setActiveWindow(nullptr);
    Application::instance()->setActiveDocument(nullptr);
    Application::instance()->appearanceManager()->setCurrentTheme(AppearanceManager::BlackTheme);
    m_open = OpenDocument();
    m_backend.reset();
}

void tst_InsertSymbol::open(const QByteArray &header)
{
    m_open = m_fixture->open(header);
    QVERIFY(m_open.script);
    m_button = qobject_cast<ScriptInsertSymbolButton *>(
        m_open.script->scriptHeader()->controls().value(0));
    QVERIFY(m_button);
    connect(m_button, &ScriptInsertSymbolButton::symbolAccepted, this,
            [this] { m_signals.append(QStringLiteral("accepted")); });
    connect(m_button, &ScriptInsertSymbolButton::symbolRejected, this,
            [this] { m_signals.append(QStringLiteral("rejected")); });
}

// Steps: "show", "date:<days from today>", "allowed:<names, ';'-separated>", "type:<text>"
// (into the symbol edit), "ok", "enter" / "completion" (the edit's editDone reasons),
// "cancel", "editCancelled", "close", "hide", "error:<text>", "activateOther",
// "activateSame", and answers to the latest running request: "symbol:<type>[/<sub-type>]",
// "chain:<members, ','-separated>", "symbolError", "chainError", "rerequest".
void tst_InsertSymbol::run(const QStringList &steps)
{
    SymbolEditControl *edit = m_button->dialog()->findChild<SymbolEditControl *>();
    for (const QString &step : steps) {
        const QString argument = step.section(QLatin1Char(':'), 1);
        if (step == QLatin1String("show")) {
            Application::instance()->setActiveDocument(m_open.document.get());
            m_button->showDialog();
        } else if (step.startsWith(QLatin1String("date:"))) {
            m_button->setDate(QDate::currentDate().addDays(argument.toInt()));
        } else if (step.startsWith(QLatin1String("allowed:"))) {
            m_button->setAllowedSymbolTypes(argument.split(QLatin1Char(';')));
        } else if (step.startsWith(QLatin1String("type:"))) {
            edit->setSymbol(argument.toUtf8());
        } else if (step == QLatin1String("ok")) {
            m_button->dialog()->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
        } else if (step == QLatin1String("enter") || step == QLatin1String("completion")) {
            emit edit->editDone(edit->symbol(), step == QLatin1String("enter")
                                                    ? SymbolEditControl::ReasonEnter
                                                    : SymbolEditControl::ReasonCompletion);
        } else if (step == QLatin1String("cancel")) {
            m_button->dialog()->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
        } else if (step == QLatin1String("editCancelled")) {
            emit edit->editCancelled();
        } else if (step == QLatin1String("close")) {
            m_button->closeDialog();
        } else if (step == QLatin1String("hide")) {
            m_button->dialog()->hide();
        } else if (step.startsWith(QLatin1String("error:"))) {
            m_button->setError(argument);
        } else if (step == QLatin1String("activateOther")) {
            m_otherWindow.show();
            QApplication::setActiveWindow(&m_otherWindow);
            Application::instance()->setActiveDocument(&m_otherDocument);
        } else if (step == QLatin1String("activateSame")) {
            m_otherWindow.show();
            QApplication::setActiveWindow(&m_otherWindow);
            Application::instance()->setActiveDocument(m_open.document.get());
        } else if (step.startsWith(QLatin1String("symbol:"))) {
            QVERIFY(m_backend->respond(running<FeedApi::SymbolRequest>(),
                                       FeedApi::SymbolResponse(record(argument))));
        } else if (step.startsWith(QLatin1String("chain:"))) {
            QList<QByteArray> members;
            for (const QString &member : argument.split(QLatin1Char(','), Qt::SkipEmptyParts))
                members.append(member.toUtf8());
            QVERIFY(m_backend->respond(running<FeedApi::ChainRequest>(),
                                       FeedApi::ChainResponse(members)));
        } else if (step == QLatin1String("symbolError") || step == QLatin1String("chainError")) {
            FeedApi::Requester *requester = step == QLatin1String("symbolError")
                ? running<FeedApi::SymbolRequest>() : running<FeedApi::ChainRequest>();
            QVERIFY(m_backend->respond(requester, FeedApi::ErrorResponse(
                FeedApi::ErrorResponse::UnknownSymbol, FeedApi::ErrorResponse::RequestError,
                QStringLiteral("test"))));
        } else if (step == QLatin1String("rerequest")) {
            QVERIFY(!m_backend->running().isEmpty());
            QVERIFY(m_backend->respond(m_backend->running().constLast(),
                                       FeedApi::RerequestResponse()));
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
        QCoreApplication::sendPostedEvents();
    }
}

template <typename R>
FeedApi::Requester *tst_InsertSymbol::running() const
{
    const QList<FeedApi::Requester *> requesters = m_backend->running();
    for (auto it = requesters.crbegin(); it != requesters.crend(); ++it) {
        if ((*it)->requestAs<R>())
            return *it;
    }
    return nullptr;
}

// Every request started: the symbol of a lookup, "chain@<date>" of a chain request (the date
// as days from today, or "zero"; " outright" when spreads are left out), with "*" while it
// runs.
QStringList tst_InsertSymbol::requests() const
{
    QStringList result;
    for (const FeedApi::TestBackend::Record &started : m_backend->records()) {
        const FeedApi::Request *request = started.request.get();
        QString text;
        if (const auto *lookup = dynamic_cast<const FeedApi::SymbolRequest *>(request)) {
            text = QString::fromUtf8(lookup->symbol());
        } else if (const auto *chain = dynamic_cast<const FeedApi::ChainRequest *>(request)) {
            text = QStringLiteral("chain@") + (chain->date().isNull()
                ? QStringLiteral("zero")
                : QString::number(QDate::currentDate().daysTo(chain->date().toQDate())))
                + (chain->isOutright() ? " outright" : "");
        }
        result.append(text + (started.ended ? "" : "*"));
    }
    return result;
}

// The status strip's text while the dialog shows it; empty otherwise.
QString tst_InsertSymbol::status() const
{
    const auto *label = m_button->dialog()->findChild<QLabel *>(QStringLiteral("statusLabel"));
    return label->isVisible() ? label->text() : QString();
}

void tst_InsertSymbol::dialog_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<bool>("visible");

    const QStringList none;
    const QStringList accepted{"accepted"};
    const QStringList rejected{"rejected"};
    const QStringList lookup{"ESZ4"};
    const QStringList chained{"ESZ4", "chain@0"};
    const auto confirmed = [](const QStringList &more) {
        return QStringList{"show", "type:ESZ4", "ok"} + more;
    };

    // The checks of the resolved symbol, in order, and the chain that accepts it.
    QTest::newRow("futures-today") << confirmed({"symbol:3", "chain:ESH5,ESM5"}) << chained << ""
                                   << accepted << false;
    QTest::newRow("futures-with-date") << confirmed({"date:-30", "symbol:3", "chain:ESH5"})
                                       << QStringList{"ESZ4", "chain@-30"} << "" << accepted << false;
    QTest::newRow("bond") << confirmed({"symbol:1", "chain:A"}) << chained << "" << accepted << false;
    QTest::newRow("forward") << confirmed({"symbol:6", "chain:A"}) << chained << "" << accepted
                             << false;
    QTest::newRow("historical-with-date") << confirmed({"date:-1", "symbol:27/3"}) << lookup
                                          << historicalText << none << true;
    QTest::newRow("historical-with-date-before-type") << confirmed({"date:-1", "symbol:28/14"})
                                                      << lookup << historicalText << none << true;
    QTest::newRow("historical-today") << confirmed({"symbol:28/3", "chain:A"})
                                      << QStringList{"ESZ4", "chain@zero"} << "" << accepted << false;
    QTest::newRow("historical-without-sub-type") << confirmed({"symbol:27"}) << lookup
                                                 << unsuitableText << none << true;
    QTest::newRow("type-outside-the-table") << confirmed({"symbol:99"}) << lookup << unsuitableText
                                       << none << true;
    QTest::newRow("spread-with-date") << confirmed({"date:-1", "symbol:17/3"}) << lookup
                                      << spreadText << none << true;
    QTest::newRow("spread-invalid-sub-type-with-date") << confirmed({"date:-1", "symbol:17"})
                                                       << lookup << unsuitableText << none << true;
    QTest::newRow("spread-today") << confirmed({"symbol:17/2", "chain:A"}) << chained << ""
                                  << accepted << false;
    QTest::newRow("allowed-quotes-stripped-bond-refused")
        << QStringList{"allowed:Futures;'Forex'"} + confirmed({"symbol:1"}) << lookup
        << notAllowedText << none << true;
    QTest::newRow("allowed-quoted-forex")
        << QStringList{"allowed:Futures;'Forex'"} + confirmed({"symbol:2", "chain:A"}) << chained
        << "" << accepted << false;
    QTest::newRow("allowed-by-sub-type")
        << QStringList{"allowed:Futures"} + confirmed({"symbol:17/3", "chain:A"}) << chained << ""
        << accepted << false;
    QTest::newRow("allowed-spread-is-its-sub-type")
        << QStringList{"allowed:UserDefinedSpread"} + confirmed({"symbol:17/3"}) << lookup
        << notAllowedText << none << true;
    QTest::newRow("empty-chain") << confirmed({"symbol:3", "chain:"}) << chained << emptyChainText
                                 << none << true;
    QTest::newRow("symbol-error") << confirmed({"symbolError"}) << lookup << failedText << none
                                  << true;
    QTest::newRow("chain-error") << confirmed({"symbol:3", "chainError"}) << chained << failedText
                                 << none << true;

    // Confirming.
    QTest::newRow("resolving") << confirmed({}) << QStringList{"ESZ4*"} << resolvingText << none
                               << true;
    QTest::newRow("empty-symbol") << QStringList{"show", "type:", "ok"} << none << "" << none << true;
    QTest::newRow("blank-symbol") << QStringList{"show", "type:   ", "ok"} << none << "" << none
                                  << true;
    QTest::newRow("symbol-trimmed") << QStringList{"show", "type: ESZ4 ", "ok"}
                                    << QStringList{"ESZ4*"} << resolvingText << none << true;
    QTest::newRow("enter-confirms") << QStringList{"show", "type:ESZ4", "enter"}
                                    << QStringList{"ESZ4*"} << resolvingText << none << true;
    QTest::newRow("completion-does-not-confirm") << QStringList{"show", "type:ESZ4", "completion"}
                                                 << none << "" << none << true;
    QTest::newRow("confirm-again-drops-lookup") << confirmed({"type:NQH5", "ok"})
                                                << QStringList{"ESZ4", "NQH5*"} << resolvingText
                                                << none << true;
    QTest::newRow("confirm-again-drops-chain") << confirmed({"symbol:3", "type:NQH5", "ok"})
                                               << QStringList{"ESZ4", "chain@0", "NQH5*"}
                                               << resolvingText << none << true;
    QTest::newRow("rerequest-of-lookup") << confirmed({"rerequest"}) << QStringList{"ESZ4", "ESZ4*"}
                                         << resolvingText << none << true;
    QTest::newRow("rerequest-of-chain") << confirmed({"symbol:3", "rerequest"})
                                        << QStringList{"ESZ4", "chain@0", "ESZ4*"} << resolvingText
                                        << none << true;

    // Closing: each way emits one signal, except hiding by other means; closing stops requests.
    QTest::newRow("cancel") << QStringList{"show", "cancel"} << none << "" << rejected << false;
    QTest::newRow("edit-cancelled") << QStringList{"show", "editCancelled"} << none << ""
                                    << rejected << false;
    QTest::newRow("closeDialog") << QStringList{"show", "close"} << none << "" << rejected << false;
    QTest::newRow("other-document") << QStringList{"show", "activateOther"} << none << ""
                                    << rejected << false;
    QTest::newRow("same-document") << QStringList{"show", "activateSame"} << none << "" << none
                                   << true;
    QTest::newRow("other-document-while-hidden") << QStringList{"activateOther"} << none << ""
                                                 << none << false;
    QTest::newRow("hidden-otherwise") << confirmed({"hide"}) << lookup << "" << none << false;
    QTest::newRow("close-after-acceptance") << confirmed({"symbol:3", "chain:A", "close"})
                                            << chained << "" << QStringList{"accepted", "accepted"}
                                            << false;
    QTest::newRow("reopening-clears-acceptance")
        << confirmed({"symbol:3", "chain:A", "show", "cancel"}) << chained << ""
        << QStringList{"accepted", "rejected"} << false;
    QTest::newRow("cancel-stops-lookup") << confirmed({"cancel"}) << lookup << "" << rejected
                                         << false;
    QTest::newRow("other-document-stops-chain") << confirmed({"symbol:3", "activateOther"})
                                                << chained << "" << rejected << false;

    // The page's own status texts.
    QTest::newRow("setError") << QStringList{"show", "error:Boom"} << none << "Boom" << none << true;
    QTest::newRow("setError-empty-hides") << QStringList{"show", "error:Boom", "error:"} << none
                                          << "" << none << true;
}

void tst_InsertSymbol::dialog()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, requests);
    QFETCH(QString, status);
    QFETCH(QStringList, emitted);
    QFETCH(bool, visible);

    open();
    run(steps);
    QCOMPARE(this->requests(), requests);
    QCOMPARE(this->status(), status);
    QCOMPARE(m_signals, emitted);
    QCOMPARE(m_button->dialog()->isVisible(), visible);
    // Only an acceptance sets the symbol.
    QCOMPARE(m_button->symbol(), emitted.contains("accepted") ? QStringLiteral("ESZ4") : QString());
    QCOMPARE(PluginFixture::takeOutput(), QStringList());
}

void tst_InsertSymbol::parameters_data()
{
    QTest::addColumn<QByteArray>("entry");       // members of the control's entry
    QTest::addColumn<QString>("title");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QStringList>("output");

    const QDate today = QDate::currentDate();
    QTest::newRow("defaults") << QByteArray("button: {}") << "Insert Curve" << today << QStringList();
    QTest::newRow("title-and-date")
        << QByteArray("dialog: {title: \"Pick\"}, dateEdit: {value: \"02.03.2021\"}") << "Pick"
        << QDate(2021, 3, 2) << QStringList();
    QTest::newRow("allowed-unknown-names-left-out")
        << QByteArray("allowedSymbolTypes: [\"Nonsense\", \"futures\", \"'Bond'\"]")
        << "Insert Curve" << today
        << QStringList{"header: wrong parameter, 'Nonsense' is not a symbol type",
                       "header: wrong parameter, 'futures' is not a symbol type"};
    QTest::newRow("date-in-another-format")
        << QByteArray("dateEdit: {value: \"2021-03-02\"}") << "Insert Curve" << today
        << QStringList{"header: wrong parameter, 'dateEdit' value is not a date: 2021-03-02"};
}

void tst_InsertSymbol::parameters()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, title);
    QFETCH(QDate, date);
    QFETCH(QStringList, output);

    open("[{id: \"curve\", type: \"InsertSymbolButton\", " + entry + "}]");
    QCOMPARE(m_open.eval(QStringLiteral("var c = _quorvex_bridge.header.controls[0];"
                                        " c.dialogTitle")).toString(), title);
    QCOMPARE(m_button->date(), date);
    QCOMPARE(PluginFixture::takeOutput(), output);
}

// The host may close the document while the dialog is open and its lookup runs: the dialog
// goes with it, the lookup stops, and nothing is emitted.
void tst_InsertSymbol::documentClosedWithDialogOpen()
{
    open();
    run({"show", "type:ESZ4", "ok"});
    const QPointer<HostApi::Dialog> dialog = m_button->dialog();
    QVERIFY(dialog->isVisible());
    m_open.document.reset();
    QVERIFY(!m_button && !dialog);
    QCOMPARE(m_backend->running().size(), 0);
    Application::instance()->setActiveDocument(&m_otherDocument);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_signals, QStringList());
}

QTEST_MAIN(tst_InsertSymbol)

#include "tst_insertsymbol.moc"

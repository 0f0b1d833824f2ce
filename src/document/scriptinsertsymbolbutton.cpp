#include "scriptinsertsymbolbutton.h"

#include "scriptdocument.h"
#include "scriptsymboledit.h"
#include "scriptwidget.h"

#include <scriptdatafeed/symboltypenames.h>

#include <appearancemanager.h>
#include <application.h>
#include <dateedit.h>
#include <dialog.h>
#include <document.h>
#include <logservice.h>
#include <symboleditcontrol.h>

#include <chainrequest.h>
#include <chainresponse.h>
#include <datetime.h>
#include <errorresponse.h>
#include <requester.h>
#include <rerequestresponse.h>
#include <symbolkit/vmtsymboltype.h>
#include <symbolrecord.h>
#include <symbolrequest.h>
#include <symbolresponse.h>

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

const char ButtonKey[] = "button";
const char AllowedSymbolTypesKey[] = "allowedSymbolTypes";
const char SymbolEditKey[] = "symbolEdit";
const char DialogKey[] = "dialog";
const char TitleKey[] = "title";
const char DateEditKey[] = "dateEdit";
const char ValueKey[] = "value";
const char DateFormat[] = "dd.MM.yyyy";
const char WhiteTheme[] = "white";
const char LabelStyle[] = "QLabel{border-color:%1;}";
const char ErrorStyle[] = "QWidget{background-color:%1}";
// The dialog shares the host dialog settings of the web inspector window: geometry version,
// layout spacing, remembered geometry.
constexpr int GeometryVersion = 1;
constexpr int LayoutSpacing = 13;
constexpr bool RememberGeometry = true;
const char GeometryName[] = "InsertSymbolDialog";
const char AnimatedProperty[] = "maximumHeight";
constexpr int AnimationMs = 250;

// Curves are built from chains of these types.
constexpr int SuitableTypes[] = {SymbolKit::Bond, SymbolKit::Forex, SymbolKit::Futures,
                                 SymbolKit::FuturesContinuous, SymbolKit::FuturesForward,
                                 SymbolKit::FuturesSpot};

constexpr int NoType = -1;

bool isHistoricalContract(int type)
{
    return SymbolKit::isVmtSymbolType(type)
        && SymbolKit::isHistoricalContract(SymbolKit::VmtSymbolType(type));
}

// User-defined spreads and historical contracts stand for their sub-type; NoType when the
// record has none.
int effectiveType(const Common::SymbolRecord &record, int type)
{
    if (type != SymbolKit::UserDefinedSpread && !isHistoricalContract(type))
        return type;
    if (!record.isValid(Common::SymbolRecord::SubType))
        return NoType;
    return record.value(Common::SymbolRecord::SubType).toInt32();
}

bool isSuitable(int type)
{
    return std::find(std::begin(SuitableTypes), std::end(SuitableTypes), type)
        != std::end(SuitableTypes);
}

} // namespace

ScriptInsertSymbolButton::ScriptInsertSymbolButton(QObject *parent)
    : ScriptButton(parent)
{
}

// The dialog belongs to the document widget; it goes with the control.
ScriptInsertSymbolButton::~ScriptInsertSymbolButton()
{
    if (m_dialog) {
        m_dialog->removeEventFilter(this);
        delete m_dialog;
    }
}

void ScriptInsertSymbolButton::init(const QVariantMap &params, QWidget *parent,
                                    ScriptDocument *doc)
{
    ScriptButton::init(params.value(QLatin1String(ButtonKey)).toMap(), parent, doc);
    // After the button, which knows the document that unknown type names are reported to.
    if (params.contains(QLatin1String(AllowedSymbolTypesKey)))
        setAllowedSymbolTypes(params.value(QLatin1String(AllowedSymbolTypesKey)).toStringList());
    createDialog(params);
}

void ScriptInsertSymbolButton::createDialog(const QVariantMap &params)
{
    delete m_dialog;
    delete m_symbolEdit;
    ScriptDocument *doc = document();

    m_dialog = new HostApi::Dialog(doc->widget(), QString(), Qt::Tool, GeometryVersion,
                                   LayoutSpacing, RememberGeometry);
    m_dialog->setGeometryName(QLatin1String(GeometryName));
    m_dialog->setWindowTitle(tr("Insert Curve"));
    m_dialog->installEventFilter(this);

    auto *content = new QWidget(m_dialog);
    m_dialog->contentLayout()->addWidget(content);
    // The dialog takes the size of its content and cannot be resized.
    m_dialog->contentLayout()->setSizeConstraint(QLayout::SetFixedSize);
    m_ui.setupUi(content);

    m_symbolEdit = new ScriptSymbolEdit(this);
    m_symbolEdit->init(params.value(QLatin1String(SymbolEditKey)).toMap(), m_ui.widget, doc);
    m_symbolEdit->control()->setAllowEmptySymbols(true);
    m_symbolEdit->widget()->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    // The chosen date starts at today, the latest a chain can be asked for.
    m_dateEdit = new DateEdit(m_ui.widget);
    m_dateEdit->setDate(QDate::currentDate());
    m_dateEdit->setDisplayFormat(QLatin1String(DateFormat));
    m_dateEdit->setCalendarPopup(true);
    m_dateEdit->addDecorator(std::make_shared<DateEditTodayButton>(true));
    m_dateEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    auto *grid = new QGridLayout(m_ui.widget);
    grid->addWidget(new QLabel(tr("Symbol:"), m_ui.widget), 0, 0);
    grid->addWidget(m_symbolEdit->widget(), 0, 1);
    grid->addWidget(new QLabel(tr("Date:"), m_ui.widget), 1, 0);
    grid->addWidget(m_dateEdit, 1, 1);

    HOSTAPI_ASSERT(connect(m_ui.okButton, SIGNAL(clicked()), SLOT(onAccepted())), );
    HOSTAPI_ASSERT(connect(m_symbolEdit->control(), SIGNAL(editDone(const QByteArray&,int)),
                           SLOT(symbolEditDone(QByteArray,int))), );
    HOSTAPI_ASSERT(connect(m_symbolEdit->control(), SIGNAL(editCancelled()),
                           SLOT(closeDialog())), );
    HOSTAPI_ASSERT(connect(m_ui.cancelButton, SIGNAL(clicked()), SLOT(closeDialog())), );
    HOSTAPI_ASSERT(connect(&m_animation, SIGNAL(valueChanged(const QVariant&)),
                           SLOT(onGeometryUpdated())), );
    HOSTAPI_ASSERT(connect(Application::instance(),
                           SIGNAL(documentActivated(AbstractDocument*,AbstractDocument*)),
                           SLOT(onActivationChanged())), );

    const QVariantMap dialog = params.value(QLatin1String(DialogKey)).toMap();
    if (dialog.contains(QLatin1String(TitleKey)))
        setDialogTitle(dialog.value(QLatin1String(TitleKey)).toString());
    const QVariantMap dateEdit = params.value(QLatin1String(DateEditKey)).toMap();
    if (dateEdit.contains(QLatin1String(ValueKey))) {
        const QString text = dateEdit.value(QLatin1String(ValueKey)).toString();
        const QDate date = QDate::fromString(text, QLatin1String(DateFormat));
        if (date.isValid())
            setDate(date);
        else
            logLine(doc, tr("wrong parameter"), tr("'dateEdit' value is not a date: %1").arg(text));
    }
    m_dialog->setStyleSheet(QLatin1String(LabelStyle)
                                .arg(isWhiteTheme() ? QLatin1String("black")
                                                    : QLatin1String("gray")));
}

bool ScriptInsertSymbolButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_dialog) {
        if (event->type() == QEvent::Hide)
            onDialogClose();
        else if (event->type() == QEvent::ActivationChange)
            onActivationChanged();
    }
    return ScriptButton::eventFilter(watched, event);
}

HostApi::Dialog *ScriptInsertSymbolButton::dialog() const
{
    return m_dialog;
}

QDate ScriptInsertSymbolButton::date() const
{
    return m_dateEdit ? m_dateEdit->date() : QDate();
}

QString ScriptInsertSymbolButton::dialogTitle() const
{
    return m_dialog ? m_dialog->windowTitle() : QString();
}

void ScriptInsertSymbolButton::setSymbol(QString symbol)
{
    if (m_symbolEdit)
        m_symbolEdit->setValue(symbol);
    m_symbol = symbol;
}

void ScriptInsertSymbolButton::setDate(QDate date)
{
    if (m_dateEdit)
        m_dateEdit->setDate(date);
}

void ScriptInsertSymbolButton::setDialogTitle(QString title)
{
    if (m_dialog)
        m_dialog->setWindowTitle(title);
}

// Shown, hidden and shown again: the first showing places the window, the hiding folds the
// status strip away.
void ScriptInsertSymbolButton::showDialog()
{
    if (!m_dialog || m_dialog->isVisible())
        return;
    m_dialog->show();
    m_dialog->hide();
    m_dialog->show();
    onGeometryUpdated();
    m_dateEdit->setMaximumDate(QDate::currentDate());
    m_symbolEdit->widget()->setFocus();
    m_accepted = false;
}

void ScriptInsertSymbolButton::closeDialog()
{
    if (m_dialog)
        m_dialog->hide();
    emitResult();
}

void ScriptInsertSymbolButton::setError(QString error)
{
    if (error.isEmpty())
        hideStatus();
    else
        showStatus(true, error);
}

void ScriptInsertSymbolButton::setAllowedSymbolTypes(QStringList types)
{
    m_allowedSymbolTypes.clear();
    for (QString name : qAsConst(types)) {
        name.remove(QLatin1Char('\''));
        const int type = SymbolTypeNames::value(name);
        if (type == NoType) {
            logLine(document(), tr("wrong parameter"), tr("'%1' is not a symbol type").arg(name));
            continue;
        }
        m_allowedSymbolTypes.insert(type);
    }
}

void ScriptInsertSymbolButton::onAccepted()
{
    const QString text = m_symbolEdit ? m_symbolEdit->value().trimmed() : QString();
    if (text.isEmpty())
        return;
    m_pendingSymbol = text;
    m_accepted = false;
    showStatus(false, tr("Resolving symbol..."));

    // A chain still running belongs to the symbol resolved before.
    m_chainRequester.reset();
    m_symbolRequester.reset(new FeedApi::Requester(
        FeedApi::SymbolRequest(text.toUtf8(), FeedApi::VmtSymbolRequest::VmtExtended)));
    m_symbolRequester->bind(this, &ScriptInsertSymbolButton::onSymbol);
    m_symbolRequester->bind(this, &ScriptInsertSymbolButton::onError);
    m_symbolRequester->bind(this, &ScriptInsertSymbolButton::onRerequest);
    m_symbolRequester->start();
}

void ScriptInsertSymbolButton::onDialogClose()
{
    m_symbolRequester.reset();
    m_chainRequester.reset();
    hideStatus();
}

void ScriptInsertSymbolButton::onGeometryUpdated()
{
    fitStatus();
}

// Only a visible dialog follows the user to another document, and only when the application
// itself is active.
void ScriptInsertSymbolButton::onActivationChanged()
{
    if (!m_dialog || !m_dialog->isVisible())
        return;
    if (!QApplication::activeWindow() && !QApplication::activeModalWidget()
        && !QApplication::activePopupWidget()) {
        return;
    }
    if (m_dialog->isActiveWindow())
        return;
    ScriptDocument *doc = document();
    if (doc && Application::instance()->activeDocument() == doc->hostDocument())
        return;
    m_dialog->hide();
    emitResult();
}

void ScriptInsertSymbolButton::symbolEditDone(QByteArray, int reasons)
{
    if (reasons == SymbolEditControl::ReasonEnter)
        onAccepted();
}

void ScriptInsertSymbolButton::showStatus(bool error, const QString &text)
{
    if (!m_dialog)
        return;
    QWidget *strip = m_ui.statusWidget;
    const QString colour = isWhiteTheme() ? QStringLiteral("#FCC") : QStringLiteral("#300");
    strip->setStyleSheet(error ? QLatin1String(ErrorStyle).arg(colour) : QString());
    m_ui.statusLabel->setText(text);
    strip->repaint();

    m_animation.stop();
    m_animation.setTargetObject(strip);
    m_animation.setPropertyName(AnimatedProperty);
    m_animation.setDuration(AnimationMs);
    m_animation.setStartValue(strip->minimumHeight());
    m_animation.setEndValue(strip->sizeHint().height());
    m_animation.start();

    strip->setVisible(true);
    fitStatus();
}

void ScriptInsertSymbolButton::hideStatus()
{
    if (!m_dialog)
        return;
    QWidget *strip = m_ui.statusWidget;
    m_animation.stop();
    strip->resize(strip->width(), 0);
    strip->setMinimumHeight(0);
    strip->setMaximumHeight(0);
    strip->hide();
    fitStatus();
}

void ScriptInsertSymbolButton::fitStatus()
{
    if (!m_dialog)
        return;
    QWidget *strip = m_ui.statusWidget;
    if (strip->maximumHeight() != QWIDGETSIZE_MAX)
        strip->setMinimumHeight(strip->maximumHeight());
    m_dialog->resize(m_dialog->sizeHint());
}

void ScriptInsertSymbolButton::reportError(int code)
{
    m_symbolRequester.reset();
    m_chainRequester.reset();
    if (code == NoError)
        hideStatus();
    else
        showStatus(true, errorText(code));
}

QString ScriptInsertSymbolButton::errorText(int code) const
{
    switch (code) {
    case ResolveFailed:
        return tr("Failed to resolve symbol \"%1\"").arg(m_pendingSymbol);
    case HistoricalWithDate:
        return tr("Historical symbols cannot be requested with specific date");
    case SpreadWithDate:
        return tr("User defined spreads cannot be requested with specific date");
    case UnsuitableType:
        return tr("This symbol type is not suitable for this window. Please enter either "
                  "Futures, Forex or Bond symbol");
    case TypeNotAllowed:
        return tr("Cannot insert symbol with different type than main symbol");
    case EmptyChain:
        return tr("Cannot build curve with given parameters");
    default:
        return tr("Unknown error");
    }
}

void ScriptInsertSymbolButton::emitResult()
{
    if (m_accepted)
        emit symbolAccepted();
    else
        emit symbolRejected();
}

bool ScriptInsertSymbolButton::isWhiteTheme() const
{
    return Application::instance()->appearanceManager()->currentlyActiveTheme()
        == QLatin1String(WhiteTheme);
}

// The checks run in a fixed order; the first that fails names the error.
void ScriptInsertSymbolButton::onSymbol(FeedApi::Requester *requester,
                                        const FeedApi::SymbolResponse &response)
{
    if (requester != m_symbolRequester.get())
        return;
    m_symbolRequester.reset();

    const Common::SymbolRecord record = response.record();
    const int type = record.value(Common::SymbolRecord::SymbolType).toInt32();
    const int effective = effectiveType(record, type);
    const bool historical = isHistoricalContract(type);
    const bool today = date() == QDate::currentDate();
    if (historical && !today) {
        reportError(HistoricalWithDate);
        return;
    }
    if (!isSuitable(effective)) {
        reportError(UnsuitableType);
        return;
    }
    if (!m_allowedSymbolTypes.isEmpty()
        && !m_allowedSymbolTypes.contains(effective == NoType ? 0 : effective)) {
        reportError(TypeNotAllowed);
        return;
    }
    if (type == SymbolKit::UserDefinedSpread && !today) {
        reportError(SpreadWithDate);
        return;
    }

    const Common::DateTime chainDate = historical ? Common::DateTime()
                                                  : Common::DateTime::fromQDate(date());
    m_chainRequester.reset(new FeedApi::Requester(FeedApi::ChainRequest(record, chainDate, false)));
    m_chainRequester->bind(this, &ScriptInsertSymbolButton::onChain);
    m_chainRequester->bind(this, &ScriptInsertSymbolButton::onError);
    m_chainRequester->bind(this, &ScriptInsertSymbolButton::onRerequest);
    m_chainRequester->start();
}

void ScriptInsertSymbolButton::onChain(FeedApi::Requester *requester,
                                       const FeedApi::ChainResponse &response)
{
    if (requester != m_chainRequester.get())
        return;
    m_chainRequester.reset();
    if (response.symbols().isEmpty()) {
        reportError(EmptyChain);
        return;
    }
    m_accepted = true;
    m_symbol = m_pendingSymbol;
    m_dialog->hide();
    emit symbolAccepted();
}

void ScriptInsertSymbolButton::onError(FeedApi::Requester *requester,
                                       const FeedApi::ErrorResponse &)
{
    if (isCurrent(requester))
        reportError(ResolveFailed);
}

void ScriptInsertSymbolButton::onRerequest(FeedApi::Requester *requester,
                                           const FeedApi::RerequestResponse &)
{
    if (isCurrent(requester))
        onAccepted();
}

bool ScriptInsertSymbolButton::isCurrent(FeedApi::Requester *requester) const
{
    return requester == m_symbolRequester.get() || requester == m_chainRequester.get();
}

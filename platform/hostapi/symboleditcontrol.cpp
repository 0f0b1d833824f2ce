#include "symboleditcontrol.h"

#include "isymbolsearchservice.h"
#include "servicelocator.h"
#include "symbolbuilderhost.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QToolButton>
#include <QValidator>

namespace {

// The completion's symbol, apart from the row's display text.
constexpr int SymbolRole = Qt::UserRole + 1;

// Symbols are upper case: typed letters are upper-cased as they come.
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

SymbolEditControl::SymbolEditControl(QWidget *parent)
    : CommonInputControl(parent)
    , m_edit(new QLineEdit(this))
    , m_builderButton(new QToolButton(this))
    , m_completer(new QCompleter(this))
    , m_completions(new QStandardItemModel(this))
{
    m_edit->setObjectName(QStringLiteral("symbolLineEdit"));
    m_edit->setValidator(new UpperCaseValidator(m_edit));
    m_edit->installEventFilter(this);
    setFocusProxy(m_edit);

    m_builderButton->setObjectName(QStringLiteral("symbolBuilderButton"));
    m_builderButton->setText(QStringLiteral("\u2026"));
    m_builderButton->setToolTip(tr("Build a symbol"));
    m_builderButton->setFocusPolicy(Qt::NoFocus);
    m_builderButton->hide();

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit);
    layout->addWidget(m_builderButton);

    // The search service decides what matches: the popup shows every row it found.
    m_completer->setModel(m_completions);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setWidget(m_edit);
    m_completer->popup()->installEventFilter(this);

    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString &text) {
        setEditing(true);
        updateCompletions(text);
    });
    connect(m_completer, QOverload<const QModelIndex &>::of(&QCompleter::activated), this,
            [this](const QModelIndex &index) {
                m_edit->setText(index.data(SymbolRole).toString());
                finishEdit(ReasonCompletion);
            });
    connect(m_builderButton, &QToolButton::clicked, this, [this] {
        if (m_builderHost)
            m_builderHost->showBuilder();
    });
}

SymbolEditControl::~SymbolEditControl() = default;

void SymbolEditControl::setSymbol(const QByteArray &symbol)
{
    m_symbol = symbol.trimmed().toUpper();
    m_edit->setText(QString::fromUtf8(m_symbol));
}

QByteArray SymbolEditControl::symbol() const
{
    return m_edit->text().trimmed().toUtf8();
}

void SymbolEditControl::setAllowEmptySymbols(bool allow)
{
    m_allowEmpty = allow;
}

void SymbolEditControl::setSymbolBuilderHost(HostApi::SymbolBuilderHost *host, int flags)
{
    if (m_builderHost)
        disconnect(m_builderHost, nullptr, this, nullptr);
    m_builderHost = host;
    m_builderButton->setVisible(host && (flags & BuilderButton));
    if (!host)
        return;
    connect(host, &HostApi::SymbolBuilderHost::symbolBuilt, this,
            [this](const QByteArray &symbol) {
                m_edit->setText(QString::fromUtf8(symbol));
                finishEdit(ReasonBuilder);
            });
}

void SymbolEditControl::startEditing(const QString &text)
{
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->setText(text.toUpper());
    setEditing(true);
    updateCompletions(m_edit->text());
}

bool SymbolEditControl::eventFilter(QObject *watched, QEvent *event)
{
    const bool inPopup = watched == m_completer->popup();
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        // With a row chosen in the popup, Enter is the completer's: it picks that row.
        if (inPopup && m_completer->popup()->currentIndex().isValid())
            return false;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (!symbol().isEmpty() || m_allowEmpty)
                finishEdit(ReasonEnter);
            return true;
        }
        if (key == Qt::Key_Escape && !inPopup) {
            cancelEdit();
            return true;
        }
        break;
    }
    case QEvent::FocusIn:
        if (!inPopup)
            setEditing(true);
        break;
    case QEvent::FocusOut:
        // The completion popup takes the focus for a moment; the edit goes on.
        if (!inPopup && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
            m_completer->popup()->hide();
            setEditing(false);
        }
        break;
    default:
        break;
    }
    return CommonInputControl::eventFilter(watched, event);
}

void SymbolEditControl::updateCompletions(const QString &text)
{
    m_completions->clear();
    const QString typed = text.trimmed();
    auto *locator = HostApi::ServiceLocator::instance();
    if (!typed.isEmpty() && locator->hasService<HostApi::ISymbolSearchService>()) {
        const auto *search = locator->service<HostApi::ISymbolSearchService>();
        for (const HostApi::SymbolMatch &match : search->findSymbols(typed, MaxCompletions)) {
            const QString symbol = QString::fromUtf8(match.symbol);
            auto *item = new QStandardItem(symbol + QLatin1String("  ") + match.description);
            item->setData(symbol, SymbolRole);
            item->setEditable(false);
            m_completions->appendRow(item);
        }
    }
    if (m_completions->rowCount() > 0) {
        m_completer->complete();
        // Nothing is chosen until the user moves into the list: Enter keeps the typed text.
        m_completer->popup()->setCurrentIndex(QModelIndex());
    } else {
        m_completer->popup()->hide();
    }
}

void SymbolEditControl::finishEdit(int reason)
{
    m_completer->popup()->hide();
    m_symbol = symbol();
    m_edit->setText(QString::fromUtf8(m_symbol));
    setEditing(false);
    emit editDone(m_symbol, reason);
}

void SymbolEditControl::cancelEdit()
{
    m_completer->popup()->hide();
    m_edit->setText(QString::fromUtf8(m_symbol));
    setEditing(false);
    emit editCancelled();
}

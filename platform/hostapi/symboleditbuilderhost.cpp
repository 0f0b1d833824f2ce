#include "symboleditbuilderhost.h"

#include "symboleditcontrol.h"

#include "symbolkit/date.h"
#include "symbolkit/futuresexpiration.h"
#include "symbolkit/vmtsymbol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace HostApi {

namespace {

// A strike in the grammar's form: no trailing zeros after the point, no bare point.
QByteArray strikeText(double strike)
{
    QByteArray text = QByteArray::number(strike, 'f', 6);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

} // namespace

SymbolEditBuilderHost::SymbolEditBuilderHost(QWidget *parent, SymbolEditControl *edit)
    : SymbolBuilderHost(parent)
    , m_edit(edit)
    , m_dialog(new QDialog(parent))
    , m_root(new QLineEdit(m_dialog))
    , m_kind(new QComboBox(m_dialog))
    , m_expiry(new QDateEdit(m_dialog))
    , m_strike(new QDoubleSpinBox(m_dialog))
    , m_continuous(new QCheckBox(tr("Continuous"), m_dialog))
    , m_preview(new QLabel(m_dialog))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, m_dialog))
{
    // Without a parent widget the dialog would outlive this object.
    connect(this, &QObject::destroyed, m_dialog, &QObject::deleteLater);

    m_dialog->setWindowTitle(tr("Build Symbol"));
    m_root->setObjectName(QStringLiteral("root"));
    m_root->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[A-Za-z][A-Za-z0-9]{0,7}")), m_root));
    m_kind->setObjectName(QStringLiteral("kind"));
    m_kind->addItem(tr("Futures"), KindFutures);
    m_kind->addItem(tr("Call"), KindCall);
    m_kind->addItem(tr("Put"), KindPut);
    m_expiry->setObjectName(QStringLiteral("expiry"));
    m_expiry->setDisplayFormat(QStringLiteral("MMM yyyy"));
    // Contract years are written with two digits: 2000 to 2099.
    m_expiry->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    m_expiry->setDate(QDate::currentDate());
    m_strike->setObjectName(QStringLiteral("strike"));
    m_strike->setDecimals(4);
    m_strike->setRange(0, 999999999.9999);
    m_continuous->setObjectName(QStringLiteral("continuous"));
    m_preview->setObjectName(QStringLiteral("preview"));

    auto *layout = new QFormLayout(m_dialog);
    layout->addRow(tr("Root:"), m_root);
    layout->addRow(tr("Kind:"), m_kind);
    layout->addRow(tr("Expiry:"), m_expiry);
    layout->addRow(QString(), m_continuous);
    layout->addRow(tr("Strike:"), m_strike);
    layout->addRow(tr("Symbol:"), m_preview);
    layout->addRow(m_buttons);

    connect(m_root, &QLineEdit::textChanged, this, &SymbolEditBuilderHost::updateState);
    connect(m_kind, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SymbolEditBuilderHost::updateState);
    connect(m_expiry, &QDateEdit::dateChanged, this, &SymbolEditBuilderHost::updateState);
    connect(m_strike, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &SymbolEditBuilderHost::updateState);
    connect(m_continuous, &QCheckBox::toggled, this, &SymbolEditBuilderHost::updateState);
    connect(m_buttons, &QDialogButtonBox::accepted, m_dialog, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, m_dialog, &QDialog::reject);
    connect(m_dialog, &QDialog::accepted, this, [this] {
        const QByteArray symbol = currentSymbol();
        if (!symbol.isEmpty())
            emit symbolBuilt(symbol);
    });
    updateState();
}

void SymbolEditBuilderHost::showBuilder()
{
    takeEditSymbol();
    updateState();
    m_dialog->open();
    m_root->setFocus(Qt::OtherFocusReason);
}

QByteArray SymbolEditBuilderHost::currentSymbol() const
{
    const QByteArray root = m_root->text().toUpper().toLatin1();
    if (root.isEmpty())
        return QByteArray();
    const int kind = m_kind->currentData().toInt();
    if (kind == KindFutures && aliasesAutoAssign() && m_continuous->isChecked()) {
        const SymbolKit::VmtSymbol continuous(root + '#', SymbolKit::FuturesContinuous,
                                              SymbolKit::Date::currentDate());
        return continuous.toString();
    }
    const QDate expiry = m_expiry->date();
    QByteArray text = root + SymbolKit::FuturesExpiration::monthCode(expiry.month())
        + QByteArray::number(expiry.year() % 100).rightJustified(2, '0');
    SymbolKit::VmtSymbolType type = SymbolKit::Futures;
    if (kind != KindFutures) {
        text += ' ' + QByteArray(kind == KindCall ? "C" : "P") + strikeText(m_strike->value());
        type = SymbolKit::FuturesOption;
    }
    return SymbolKit::VmtSymbol(text, type, SymbolKit::Date::currentDate()).toString();
}

void SymbolEditBuilderHost::takeEditSymbol()
{
    if (!m_edit)
        return;
    const SymbolKit::VmtSymbol symbol(m_edit->symbol(), SymbolKit::Undefined,
                                      SymbolKit::Date::currentDate());
    switch (symbol.type()) {
    case SymbolKit::FuturesContinuous:
        m_root->setText(QString::fromLatin1(symbol.root()));
        m_kind->setCurrentIndex(m_kind->findData(KindFutures));
        m_continuous->setChecked(true);
        break;
    case SymbolKit::Futures:
    case SymbolKit::FuturesOption:
        m_root->setText(QString::fromLatin1(symbol.root()));
        m_expiry->setDate(QDate(symbol.expirationYear(), symbol.expirationMonth(), 1));
        m_continuous->setChecked(false);
        if (symbol.type() == SymbolKit::Futures) {
            m_kind->setCurrentIndex(m_kind->findData(KindFutures));
        } else {
            m_kind->setCurrentIndex(m_kind->findData(symbol.right() == 'C' ? KindCall : KindPut));
            m_strike->setValue(symbol.strike());
        }
        break;
    default:
        break;
    }
}

void SymbolEditBuilderHost::updateState()
{
    const bool futures = m_kind->currentData().toInt() == KindFutures;
    m_continuous->setVisible(aliasesAutoAssign());
    m_continuous->setEnabled(futures);
    m_expiry->setEnabled(!(futures && aliasesAutoAssign() && m_continuous->isChecked()));
    m_strike->setEnabled(!futures);
    const QByteArray symbol = currentSymbol();
    m_preview->setText(QString::fromLatin1(symbol));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!symbol.isEmpty());
}

} // namespace HostApi

#pragma once

#include "hostapi_global.h"
#include "symbolbuilderhost.h"

#include <QPointer>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDateEdit;
class QDialog;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QWidget;
class SymbolEditControl;

namespace HostApi {

// A small builder for a symbol edit: root, kind (futures, call, put), expiry month and, for
// options, strike; the symbol is written in the host's symbol grammar (SymbolKit) and given
// to the edit, which ends its edit with SymbolEditControl::ReasonBuilder.
class HOSTAPI_EXPORT SymbolEditBuilderHost : public SymbolBuilderHost
{
    Q_OBJECT

public:
    SymbolEditBuilderHost(QWidget *parent, SymbolEditControl *edit);

    void showBuilder() override;
    // The symbol of the builder's current choices; empty while they make none.
    QByteArray currentSymbol() const;

private:
    enum Kind { KindFutures, KindCall, KindPut };

    // Takes the parts of the edit's symbol as the starting choices.
    void takeEditSymbol();
    void updateState();

    QPointer<SymbolEditControl> m_edit;
    QDialog *m_dialog = nullptr;
    QLineEdit *m_root = nullptr;
    QComboBox *m_kind = nullptr;
    QDateEdit *m_expiry = nullptr;
    QDoubleSpinBox *m_strike = nullptr;
    QCheckBox *m_continuous = nullptr;
    QLabel *m_preview = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};

} // namespace HostApi

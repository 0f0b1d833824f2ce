#pragma once

#include "scriptcontrol.h"

#include <QPointer>

class SymbolEditControl;

namespace HostApi { class SymbolEditBuilderHost; }

// A header symbol input of type "SymbolEdit", over the host's SymbolEditControl. value is
// the control's symbol; valueChanged() is emitted only when it differs from the value last
// reported, after a script set it or the user finished an edit.
class ScriptSymbolEdit : public ScriptControl
{
    Q_OBJECT
    Q_PROPERTY(QString value READ value WRITE setValue)

public:
    explicit ScriptSymbolEdit(QObject *parent = nullptr);

    // reimplemented from ScriptControl; params: "minwidth" (a style-sheet width), "value",
    // "focusOnKeyPress" (true), "useSymbolBuilder" (false).
    void init(const QVariantMap &params, QWidget *parent, ScriptDocument *doc) override;

    QString value() const;
    void setValue(const QString &value);

    // The host control; null before init() and once it is destroyed.
    SymbolEditControl *control() const;

signals:
    void activated();
    void valueChanged();

private slots:
    void onSelfActivated();

private:
    // Emits valueChanged() when the control's symbol is not the value last reported.
    void reportValue();

    QPointer<HostApi::SymbolEditBuilderHost> m_builderHost;
    QString m_lastValue;
};

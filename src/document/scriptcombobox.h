#pragma once

#include "scriptcontrol.h"

#include <QStringList>

class QComboBox;

// A header combo box of type "ComboBox". Its items come from options: "-" is a separator,
// "label|icon" an item with the manifest icon of that name, anything else a plain item.
class ScriptComboBox : public ScriptControl
{
    Q_OBJECT
    Q_PROPERTY(QString value READ value WRITE setValue)
    Q_PROPERTY(QStringList options READ options WRITE setOptions)

public:
    explicit ScriptComboBox(QObject *parent = nullptr);

    // reimplemented from ScriptControl; params: "tooltip", "editable" (false), "options",
    // "minwidth" (a size: pixels, "120px" or "9pt").
    void init(const QVariantMap &params, QWidget *parent, ScriptDocument *doc) override;

    // The current text.
    QString value() const;
    // An editable box takes value as its text; another selects the item of exactly that
    // text, or none.
    void setValue(const QString &value);
    QStringList options() const { return m_options; }
    void setOptions(const QStringList &options);

signals:
    void activated();

private:
    QComboBox *comboBox() const;

    ScriptDocument *m_doc = nullptr;
    QStringList m_options;
};

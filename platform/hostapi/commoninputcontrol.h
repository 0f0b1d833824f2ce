#pragma once

#include "hostapi_global.h"

#include <QWidget>

// The base of the host's input controls in document headers (such as SymbolEditControl): a
// widget that tells whether the user is editing in it.
class HOSTAPI_EXPORT CommonInputControl : public QWidget
{
    Q_OBJECT

public:
    explicit CommonInputControl(QWidget *parent = nullptr);

    bool isEditing() const { return m_editing; }

signals:
    // The user started (true) or ended (false) an edit.
    void editingChanged(bool editing);

protected:
    void setEditing(bool editing);

private:
    bool m_editing = false;
};

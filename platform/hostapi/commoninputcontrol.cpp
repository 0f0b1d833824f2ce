#include "commoninputcontrol.h"

CommonInputControl::CommonInputControl(QWidget *parent)
    : QWidget(parent)
{
}

void CommonInputControl::setEditing(bool editing)
{
    if (editing == m_editing)
        return;
    m_editing = editing;
    emit editingChanged(editing);
}

#include "scriptproperty.h"

ScriptProperty::ScriptProperty(const QByteArray &id, QObject *parent)
    : QObject(parent)
    , m_id(id)
{
    setObjectName(QString::fromUtf8(id));
}

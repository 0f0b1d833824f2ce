#pragma once

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QVariant>

// One allowed choice of a property: the key the host stores, the label it shows, the value
// the property takes and an optional icon.
struct PropertyEnum
{
    QByteArray key;
    QString label;
    QVariant value;
    QIcon icon;
};

#pragma once

#include "variantmapconverter.h"

#include <QByteArray>
#include <QVector>

namespace Common {

struct BuiltinConverter
{
    QByteArray alias;
    int typeId;
    VariantMapConverter::ToMapFunction toMap;
    VariantMapConverter::FromMapFunction fromMap;
};

// The converters the registry starts with, in registration order. The first call registers
// the meta-type names and equality comparators of the user types among them.
QVector<BuiltinConverter> builtinConverters();

} // namespace Common

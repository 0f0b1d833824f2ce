#pragma once

#include <QByteArray>
#include <QVariant>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Common {

// Writes a variant tree as JSON text that JsonParser reads back: invalid as null, bool, int,
// double (15 significant digits, always with '.', 'e' or a word so it reads back as a
// double), QString, QVariantList and QVariantMap (in key order). Strings and member names
// escape backslash, double quote, backspace, form feed, line feed, carriage return and tab;
// everything else, non-ASCII included, is written as UTF-8 as it is.
//
// Pretty output puts `indent` tabs before the value and breaks lines as follows: a member's
// scalar value (null, bool, int, double, string) stays on the member's line, a container
// starts on its own line one level deeper; in a list, the first element and every container
// start a new line, further scalars follow ", " on the same line. Compact output has neither
// tabs nor line breaks but keeps ": " and ", ".
//
// A value of any other type (unsigned or 64-bit integers, byte arrays, string lists, dates,
// ...) is written as nothing, with a warning and an assertion report; a map member holding
// one is left as its name and colon. The device (not owned) must be open for writing.
void writeJson(const QVariant &value, QIODevice *device, int indent, bool pretty);

// writeJson(value, device, 0, true).
void writeJson(const QVariant &value, QIODevice *device);
// writeJson(value, device, 0, false).
void writeJsonCompact(const QVariant &value, QIODevice *device);
// The compact text of value.
QByteArray writeJson(const QVariant &value);

} // namespace Common

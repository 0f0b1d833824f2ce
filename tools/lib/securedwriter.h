#pragma once

#include <QByteArray>

// Writes the secured-file container around zip bytes: the zip is imploded, scrambled with
// the key (empty: the built-in key) and stored after its SHA-1. decodeSecured() reverses it.
QByteArray encodeSecured(const QByteArray &zip, const QByteArray &key);

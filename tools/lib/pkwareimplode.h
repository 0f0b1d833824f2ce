#pragma once

#include <QByteArray>

// How pkwareImplode() stores literals: 8 plain bits each, or the format's fixed literal code,
// which favours the byte values of English text.
enum class PkwareCoding { Binary, Ascii };

// Compresses data into the implode format of the PKWARE Data Compression Library, as
// EPkwareZip decompresses it. dictionarySize is 1024, 2048 or 4096 bytes; any other value
// gives an empty array (a stream is never empty). Matches are found with hash chains and
// chosen by their exact cost in bits, with one step of lazy evaluation.
QByteArray pkwareImplode(const QByteArray &data, PkwareCoding coding, int dictionarySize);

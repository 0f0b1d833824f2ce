#pragma once

#include <QByteArray>
#include <QStringList>

// Hint lines for the slips authors make most often in the module's JSON dialect, found in the
// text of a file the reader refused: a UTF-8 byte-order mark (the whole file then reads as one
// word), a "/*" block comment (the dialect has only "//" line comments), and a comma right
// before "}" (an error) or "]" (an empty string element). Strings and comments are skipped.
// Each hint is one line starting "hint: ", in file order, naming the line it is about.
QStringList jsonSlipHints(const QByteArray &text);

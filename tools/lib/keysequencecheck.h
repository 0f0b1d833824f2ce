#pragma once

#include <QString>

// Why a manifest's key sequence text gives the host no usable key: a null string when it is
// fine, else a sentence such as "\"Ctl+Shift+H\" is not a key sequence; did you mean
// \"Ctrl+Shift+H\"?". Texts are read as the host reads them (QKeySequence's portable text,
// at most four keys separated by ", "); a suggestion is offered when trimming the text,
// dropping a trailing comma or correcting a misspelt modifier makes it one.
QString keySequenceProblem(const QString &text);

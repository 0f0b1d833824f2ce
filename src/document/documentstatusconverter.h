#pragma once

#include <QString>

// The host document's ready status (Document::Status) as pages read and write it:
// 0 "initializing", 1 "ready", 2 "error", 3 "noStatus". Texts compare exactly.
class DocumentStatusConverter
{
public:
    // The text of status; an empty text (and an assertion report) outside the table.
    static QString toString(int status);
    // The status of text into *status; false, *status unchanged, for an unknown text.
    static bool fromString(const QString &text, int *status);
};

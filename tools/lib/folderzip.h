#pragma once

#include <QByteArray>
#include <QString>

// Zips every file and folder below folder (names relative to it, "/" separated, sorted;
// entries stored uncompressed, since the secured container compresses the whole zip).
// On failure returns a null array and sets *error.
QByteArray zipFolder(const QString &folder, QString *error);

// Extracts zip bytes into folder, which must not exist yet or be empty. Every entry name is
// checked first; a name that would land outside folder refuses the whole archive. Extraction
// goes to a temporary sibling folder that is renamed at the end, so a failure leaves nothing.
bool extractZip(const QByteArray &zip, const QString &folder, QString *error);

#pragma once

#include "workspace.h"

#include <QString>

// Reads and writes the workspace file, a JSON object:
//   {"format": 1, "window": {"geometry": BASE64, "state": BASE64}, "active": INDEX,
//    "documents": [{"template": ID, "title": TEXT, "x": X, "y": Y, "width": W, "height": H,
//                   "state": "normal" | "maximized" | "minimized", "linkGroup": N,
//                   "properties": {...}}, ...]}
// A document without any of "x", "y", "width" and "height" has no geometry: the host places
// it (a hand-written workspace can leave the layout to the host).
// The file is the user's, so it is read defensively: an entry that breaks a rule or a limit
// is left out and reported to the diagnostic log, the rest is restored.
class WorkspaceStore
{
public:
    static constexpr const char *FileName = "workspace.json";
    static constexpr int Format = 1;
    static constexpr qint64 MaxFileSize = 16 << 20;
    static constexpr int MaxDocuments = 64;
    static constexpr int MaxIdLength = 256;
    static constexpr int MaxTitleLength = 1024;
    static constexpr int MaxCoordinate = 100000;

    explicit WorkspaceStore(const QString &fileName);
    // The file in the application's data folder.
    static QString defaultFileName();

    QString fileName() const { return m_fileName; }

    // A missing file is an empty workspace; so is an unreadable one, with a log entry.
    Workspace load() const;
    // Replaces the file at once (never leaves half a file); false, logged, on failure.
    bool save(const Workspace &workspace) const;

private:
    QString m_fileName;
};

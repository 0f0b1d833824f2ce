#pragma once

#include <QString>

// One problem `tessel lint` reports about a bundle that the host still loads.
struct LintWarning
{
    QString file;       // the bundle-relative file it is about; empty: the bundle as a whole
    QString keyPath;    // the manifest key, such as "actions.greet.hotkeys" or "header[1].icon"
    QString text;
};

#pragma once

class QUrl;

// Whether a page may have the host open url outside (in the desktop's browser or mail
// program): only absolute "http", "https" and "mailto" URLs. Other schemes ("file", "smb",
// custom handlers) could start programs or expose files and credentials.
bool isExternallyOpenable(const QUrl &url);

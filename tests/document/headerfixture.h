#pragma once

#include "documentfixture.h"

#include <QByteArray>
#include <QTemporaryDir>

// Documents of one plug-in ("hdr": an icon "star", an action "zoom") opened with any header:
// each document's manifest record is the plug-in's with the header read from the given JSON
// by the manifest reader.
class HeaderFixture
{
public:
    static constexpr const char *PluginId = "hdr";

    HeaderFixture();

    // Opens a document whose header is header (the manifest's "header" value, as JSON text)
    // and waits until its page finished loading.
    OpenDocument open(const QByteArray &header);

    ScriptPlugin *plugin() const { return m_plugins.plugin(); }

private:
    PluginFixture m_plugins;
    QTemporaryDir m_manifests;
};

#pragma once

#include <ioutputchannel.h>

// An output channel that drops every line: for reading manifests whose plug-in output lines
// are reported another way, or not at all.
class SilentChannel : public HostApi::IOutputChannel
{
public:
    void append(const QString &) override {}
};

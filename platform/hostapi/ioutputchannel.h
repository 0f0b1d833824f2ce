#pragma once

#include <QString>

namespace HostApi {

// A channel of the host's output window: text appended to it is shown as it comes.
class IOutputChannel
{
public:
    virtual ~IOutputChannel() = default;
    virtual void append(const QString &text) = 0;
};

} // namespace HostApi

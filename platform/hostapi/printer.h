#pragma once

#include "hostapi_global.h"
#include "iprintobjectsprovider.h"

#include <QPrinter>

namespace HostApi {

// The printer the host hands a document to print on (Document::print()), set up with the
// document's print options.
class HOSTAPI_EXPORT Printer : public QPrinter
{
public:
    explicit Printer(const PrintOptions &options = PrintOptions(),
                     PrinterMode mode = HighResolution);

    PrintOptions options() const { return m_options; }

private:
    PrintOptions m_options;
};

} // namespace HostApi

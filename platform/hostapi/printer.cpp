#include "printer.h"

namespace HostApi {

Printer::Printer(const PrintOptions &options, PrinterMode mode)
    : QPrinter(mode)
    , m_options(options)
{
}

} // namespace HostApi

// The printer factory hook.
#include "eval/PPProtocol.h"

namespace {
PrinterFactory installed = nullptr;
}  // namespace

void setPrinterFactory(PrinterFactory factory) {
    installed = factory;
}

PPProtocol* makePrinter(OMAccess* access) {
    return installed != nullptr ? installed(access) : nullptr;
}

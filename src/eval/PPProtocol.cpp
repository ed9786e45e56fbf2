// Making a printer through a factory that may be missing.
#include "eval/PPProtocol.h"

PPProtocol* makePrinter(PrinterFactory factory, OMAccess* access) {
    return factory != nullptr ? factory(access) : nullptr;
}

// Fills the object base's formatter factory with the shell's formatters.
#include "shell/DumpFormatterRegistration.h"

#include "objectbase/DumpFormatterFactory.h"
#include "shell/FLDumpFormatter.h"
#include "shell/XMLDumpFormatter.h"

void registerDumpFormatters() {
    DumpFormatterFactory::registerMaker(
        1, [](OM* om) -> DumpFormatter* { return new FLDumpFormatter(om); });
    DumpFormatterFactory::registerMaker(
        2, [](OM* om) -> DumpFormatter* { return new XMLDumpFormatter(om); });
}

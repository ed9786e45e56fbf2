// The table of the shell's dump formatters.
#include "shell/ShellDumpFormatters.h"

#include "shell/FLDumpFormatter.h"
#include "shell/XMLDumpFormatter.h"

DumpFormatterFactory shellDumpFormatters() {
    DumpFormatterFactory table;
    table.registerMaker(1, [](OM* om) -> DumpFormatter* { return new FLDumpFormatter(om); });
    table.registerMaker(2, [](OM* om) -> DumpFormatter* { return new XMLDumpFormatter(om); });
    return table;
}

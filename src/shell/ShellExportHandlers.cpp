// The table of the shell's export handlers.
#include "shell/ShellExportHandlers.h"

#include "shell/FLExportHandler.h"
#include "shell/FLtoXMLExportHandler.h"

ExportHandlerFactory shellExportHandlers() {
    ExportHandlerFactory table;
    auto flogic = [](OMAccess* access) -> Ref<ExportHandler> {
        return Ref<FLExportHandler>::make(access);
    };
    table.registerMaker(1, flogic);
    table.registerMaker(3, flogic);
    table.registerMaker(2, [](OMAccess* access) -> Ref<ExportHandler> {
        return Ref<FLtoXMLExportHandler>::make(access);
    });
    return table;
}

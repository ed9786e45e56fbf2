// Fills the access layer's export-handler factory with the shell's handlers.
#include "shell/ExportHandlerRegistration.h"

#include "shell/FLExportHandler.h"
#include "shell/FLtoXMLExportHandler.h"

void registerExportHandlers() {
    auto flogic = [](OMAccess* access) -> ExportHandler* { return new FLExportHandler(access); };
    ExportHandlerFactory::registerMaker(1, flogic);
    ExportHandlerFactory::registerMaker(3, flogic);
    ExportHandlerFactory::registerMaker(
        2, [](OMAccess* access) -> ExportHandler* { return new FLtoXMLExportHandler(access); });
}

// Fills the access layer's export-handler factory with the shell's handlers.
#include "shell/ExportHandlerRegistration.h"

#include "shell/FLExportHandler.h"
#include "shell/FLtoXMLExportHandler.h"

void registerExportHandlers() {
    auto flogic = [](OMAccess* access) -> Ref<ExportHandler> {
        return Ref<FLExportHandler>::make(access);
    };
    ExportHandlerFactory::registerMaker(1, flogic);
    ExportHandlerFactory::registerMaker(3, flogic);
    ExportHandlerFactory::registerMaker(2, [](OMAccess* access) -> Ref<ExportHandler> {
        return Ref<FLtoXMLExportHandler>::make(access);
    });
}

// The table of export handler makers by format.
#include "access/ExportHandlerFactory.h"

#include "access/ExportHandler.h"

void ExportHandlerFactory::registerMaker(int format, Maker maker) {
    if (maker == nullptr)
        makers.erase(format);
    else
        makers[format] = maker;
}

Ref<ExportHandler> ExportHandlerFactory::make(int format, OMAccess* access) const {
    auto it = makers.find(format);
    return it != makers.end() ? it->second(access) : nullptr;
}

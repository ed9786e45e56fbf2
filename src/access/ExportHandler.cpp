// The table of export-handler makers, filled by the shell.
#include "access/ExportHandler.h"

#include <map>

namespace {

std::map<int, ExportHandlerFactory::Maker>& makers() {
    static std::map<int, ExportHandlerFactory::Maker> table;
    return table;
}

}  // namespace

void ExportHandlerFactory::registerMaker(int format, Maker maker) {
    if (maker == nullptr)
        makers().erase(format);
    else
        makers()[format] = maker;
}

ExportHandler* ExportHandlerFactory::make(int format, OMAccess* access) {
    auto it = makers().find(format);
    return it != makers().end() ? it->second(access) : nullptr;
}

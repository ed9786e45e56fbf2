// DOMOMAccess: the names of the second XML access layer, and its class object.
#include "xml/DOMOMAccess.h"

#include <utility>

#include "foundation/OutputChannel.h"
#include "objectbase/OM.h"

void DOMOMAccess::print(OutputChannel& channel) const {
    channel << "aDOMOMAccess";
}

bool DOMOMAccess::isA(const std::string& className) const {
    return className == "DOMOMAccess" || XMLOMAccess::isA(className);
}

DOMOMAccessMeta::DOMOMAccessMeta(AxisIteratorFactory* axes, ExportHandlerFactory exports)
    : XMeta("DOMOMAccess"), axes(axes), exports(std::move(exports)) {}

FLSysRef DOMOMAccessMeta::createInstance(FLSysArgs* args) {
    FLSysObject* om = nullptr;
    if (!checkArgs1(args, "OM", om)) return nullptr;
    Ref<DOMOMAccess> made = Ref<DOMOMAccess>::make(static_cast<OM*>(om));
    made->useAxisIterators(axes);
    made->useExportHandlers(exports);
    return made;
}

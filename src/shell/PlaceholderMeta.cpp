// Class objects standing in for classes not built yet.
#include "shell/PlaceholderMeta.h"

#include <utility>

#include "foundation/ErrorHandler.h"

PlaceholderMeta::PlaceholderMeta(std::string className, std::vector<std::string> argumentClasses)
    : XMeta(std::move(className)), argumentClasses(std::move(argumentClasses)) {}

FLSysRef PlaceholderMeta::createInstance(FLSysArgs* args) {
    FLSysObject* first = nullptr;
    FLSysObject* second = nullptr;
    bool ok = argumentClasses.size() == 1
                  ? checkArgs1(args, argumentClasses[0], first)
                  : checkArgs2(args, argumentClasses[0], first, argumentClasses[1], second);
    if (ok) centralErrorHandler().report(pureVirtualCalled("new"));
    return nullptr;
}

// The table of dump-formatter makers, filled by the shell.
#include "objectbase/DumpFormatterFactory.h"

#include <map>

namespace {

std::map<int, DumpFormatterFactory::Maker>& makers() {
    static std::map<int, DumpFormatterFactory::Maker> table;
    return table;
}

}  // namespace

void DumpFormatterFactory::registerMaker(int format, Maker maker) {
    makers()[format] = maker;
}

DumpFormatter* DumpFormatterFactory::make(int format, OM* om) {
    auto it = makers().find(format);
    if (it == makers().end() || it->second == nullptr) return nullptr;
    return it->second(om);
}

// The table of dump-formatter makers by format.
#include "objectbase/DumpFormatterFactory.h"

void DumpFormatterFactory::registerMaker(int format, Maker maker) {
    makers[format] = maker;
}

DumpFormatter* DumpFormatterFactory::make(int format, OM* om) const {
    auto it = makers.find(format);
    if (it == makers.end() || it->second == nullptr) return nullptr;
    return it->second(om);
}

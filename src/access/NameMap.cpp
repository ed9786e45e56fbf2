// NameMap: lookups and the move of an entry when two names become one.
#include "access/NameMap.h"

InternalName NameMap::mappedName(const InternalName& name) const {
    auto item = entries.lookup(name);
    return item != nullptr ? entries.inf(item) : name;
}

void NameMap::move(const InternalName& oldName, const InternalName& rep,
                   const std::function<void(const InternalName&, const InternalName&)>& join) {
    // Moving an entry onto its own key would delete it below.
    if (oldName == rep) return;
    auto item = entries.lookup(oldName);
    if (item == nullptr) return;
    const InternalName mapped = entries.inf(item);
    if (isMapped(rep)) join(mapped, mappedName(rep));
    entries.insert(rep, mapped);
    entries.del(oldName);
}

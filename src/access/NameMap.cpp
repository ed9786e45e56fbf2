// NameMap: lookups and the move of an entry when two names become one.
#include "access/NameMap.h"

InternalName NameMap::mappedName(const InternalName& name) const {
    return entries.valueOr(name, name);
}

void NameMap::move(const InternalName& oldName, const InternalName& rep,
                   const std::function<void(const InternalName&, const InternalName&)>& join) {
    // Moving an entry onto its own key would delete it below.
    if (oldName == rep) return;
    const auto item = entries.find(oldName);
    if (item == entries.end()) return;
    const InternalName mapped = item->second;
    if (isMapped(rep)) join(mapped, mappedName(rep));
    entries.insert_or_assign(rep, mapped);
    entries.erase(oldName);
}

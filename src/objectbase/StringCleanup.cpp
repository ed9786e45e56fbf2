// The string cleanup's choice of the strings to forget.
#include "objectbase/StringCleanup.h"

#include <algorithm>

namespace {

void sortUnique(std::vector<InternalName>& names) {
    // Made with ascending numbers, the names mostly come sorted already.
    if (!std::is_sorted(names.begin(), names.end())) std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
}

}  // namespace

void StringCleanup::run(const std::function<bool(const InternalName&)>& inUse,
                        const std::function<void(const InternalName&)>& forget) {
    std::vector<InternalName> candidates = std::move(made);
    std::vector<InternalName> used = std::move(uses);
    clear();
    sortUnique(candidates);
    sortUnique(used);
    for (const InternalName& name : candidates)
        if (!std::binary_search(used.begin(), used.end(), name) && !inUse(name)) forget(name);
}

void StringCleanup::clear() {
    std::vector<InternalName>().swap(made);
    std::vector<InternalName>().swap(uses);
}

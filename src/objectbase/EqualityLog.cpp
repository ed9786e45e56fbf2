// The equality log: entering pairs with the map kept flat, draining them, and the applied pairs.
#include "objectbase/EqualityLog.h"

void EqualityLog::enter(const InternalName& first, const InternalName& second,
                        const InternalName& replaced, const InternalName& representative) {
    // The entries of the two names point at their current representatives: the one replaced
    // points at the survivor now.
    if (auto item = pending.lookup(first); item != nullptr && pending.inf(item) == replaced)
        pending.change_inf(item, representative);
    if (auto item = pending.lookup(second); item != nullptr && pending.inf(item) == replaced)
        pending.change_inf(item, representative);
    pending.insert(replaced, representative);
    // Keep the map flat: whatever pointed at the replaced name now points at its representative.
    if (pending.size() == 1) byRepresentative.clear();  // drop what went stale
    std::vector<InternalName> moved;
    if (auto followers = byRepresentative.find(replaced); followers != byRepresentative.end()) {
        moved.swap(followers->second);
        byRepresentative.erase(followers);
    }
    std::vector<InternalName>& kept = byRepresentative[representative];
    for (const InternalName& name : moved) {
        auto it = pending.lookup(name);
        if (it == nullptr) continue;
        const InternalName target = pending.inf(it);
        if (target == replaced)
            pending.change_inf(it, representative);
        else if (target != representative)
            continue;  // recorded elsewhere since
        kept.push_back(name);
    }
    kept.push_back(replaced);
}

bool EqualityLog::nextPending(InternalName& replaced, InternalName& representative) {
    for (auto it = pending.first_item(); it != nullptr; it = pending.first_item()) {
        replaced = pending.key(it);
        representative = pending.inf(it);
        drained.insert(replaced, representative);
        if (replaced != representative) return true;
        // Nothing to merge; left pending it would stop every later drain here.
        pending.del_item(it);
    }
    return false;
}

void EqualityLog::renameApplied(const InternalName& replaced, const InternalName& representative) {
    for (auto it = appliedPairsMap.first_item(); it != nullptr; it = appliedPairsMap.next_item(it))
        if (appliedPairsMap.inf(it) == replaced) appliedPairsMap.change_inf(it, representative);
}

bool EqualityLog::isPending(const InternalName& replaced, InternalName& representative) const {
    auto it = pending.lookup(replaced);
    if (it == nullptr) return false;
    representative = pending.inf(it);
    return true;
}

bool EqualityLog::mentions(const InternalName& name) const {
    if (pending.lookup(name) != nullptr) return true;
    for (auto it = pending.first_item(); it != nullptr; it = pending.next_item(it))
        if (pending.inf(it) == name) return true;
    return false;
}

void EqualityLog::clear() {
    pending.clear();
    byRepresentative.clear();
    drained.clear();
    appliedPairsMap.clear();
}

// InheritedValues: recording, finding, forgetting and renaming the values inheritance stored.
#include "access/InheritedValues.h"

#include <algorithm>
#include <utility>

std::size_t InheritedValues::size() const {
    std::size_t count = 0;
    for (const auto& [host, slots] : byHost)
        for (const auto& [slot, values] : slots) count += values.size();
    return count;
}

void InheritedValues::add(const InternalName& host, const Slot& slot, const InternalName& value,
                          const InternalName& source) {
    std::vector<InternalName>& values = byHost[host][slot];
    if (std::find(values.begin(), values.end(), value) == values.end()) values.push_back(value);
    if (source != InternalName::UndefinedObject) sourceByHost[host][slot] = source;
}

InternalName InheritedValues::source(const InternalName& host, const Slot& slot) const {
    auto slots = sourceByHost.find(host);
    if (slots == sourceByHost.end()) return InternalName::UndefinedObject;
    auto found = slots->second.find(slot);
    return found == slots->second.end() ? InternalName::UndefinedObject : found->second;
}

const std::vector<InternalName>* InheritedValues::find(const InternalName& host,
                                                       const Slot& slot) const {
    auto slots = byHost.find(host);
    if (slots == byHost.end()) return nullptr;
    auto values = slots->second.find(slot);
    return values == slots->second.end() ? nullptr : &values->second;
}

const InheritedValues::Slots* InheritedValues::ofHost(const InternalName& host) const {
    auto slots = byHost.find(host);
    return slots == byHost.end() ? nullptr : &slots->second;
}

void InheritedValues::forget(const InternalName& host, const Slot& slot,
                             const InternalName& value) {
    auto slots = byHost.find(host);
    if (slots == byHost.end()) return;
    auto values = slots->second.find(slot);
    if (values == slots->second.end()) return;
    if (value != InternalName::UndefinedObject) {
        auto& list = values->second;
        list.erase(std::remove(list.begin(), list.end(), value), list.end());
        if (!list.empty()) return;
    }
    slots->second.erase(values);
    if (slots->second.empty()) byHost.erase(slots);
    if (auto sources = sourceByHost.find(host); sources != sourceByHost.end()) {
        sources->second.erase(slot);
        if (sources->second.empty()) sourceByHost.erase(sources);
    }
}

void InheritedValues::confirm(const InternalName& host, const Slot& slot,
                              const std::vector<InternalName>& values) {
    std::vector<InternalName>& into = confirmedByHost[host][slot];
    for (const InternalName& value : values)
        if (std::find(into.begin(), into.end(), value) == into.end()) into.push_back(value);
}

const std::vector<InternalName>* InheritedValues::confirmed(const InternalName& host,
                                                            const Slot& slot) const {
    auto slots = confirmedByHost.find(host);
    if (slots == confirmedByHost.end()) return nullptr;
    auto values = slots->second.find(slot);
    return values == slots->second.end() ? nullptr : &values->second;
}

void InheritedValues::noteConflict(const InternalName& host, const Slot& slot, std::uint64_t stamp,
                                   const InternalName& from) {
    conflicts.emplace_back(stamp, Conflict{host, slot, from});
}

std::vector<InheritedValues::Conflict> InheritedValues::takeEarliestConflicts() {
    std::vector<Conflict> earliest;
    if (conflicts.empty()) return earliest;
    std::uint64_t first = conflicts.front().first;
    for (const auto& [stamp, key] : conflicts) first = std::min(first, stamp);
    for (const auto& [stamp, key] : conflicts)
        if (stamp == first) earliest.push_back(key);
    conflicts.clear();
    return earliest;
}

void InheritedValues::rename(const InternalName& oldName, const InternalName& rep) {
    if (oldName == rep) return;
    renameIn(byHost, oldName, rep);
    renameIn(confirmedByHost, oldName, rep);
    renameSources(oldName, rep);
}

void InheritedValues::renameSources(const InternalName& oldName, const InternalName& rep) {
    bool held = false;
    for (const auto& [host, slots] : sourceByHost) {
        held = held || host == oldName;
        for (const auto& [slot, source] : slots)
            held = held || source == oldName || slot.method == oldName ||
                   std::find(slot.args.begin(), slot.args.end(), oldName) != slot.args.end();
        if (held) break;
    }
    if (!held) return;
    std::map<InternalName, std::map<Slot, InternalName>> renamed;
    for (auto& [host, slots] : sourceByHost) {
        auto& target = renamed[host == oldName ? rep : host];
        for (auto& [slot, source] : slots) {
            Slot newSlot = slot;
            if (newSlot.method == oldName) newSlot.method = rep;
            std::replace(newSlot.args.begin(), newSlot.args.end(), oldName, rep);
            target[newSlot] = source == oldName ? rep : source;
        }
    }
    sourceByHost.swap(renamed);
}

void InheritedValues::renameIn(std::map<InternalName, Slots>& table, const InternalName& oldName,
                               const InternalName& rep) {
    if (table.empty()) return;
    // Most equalities touch no inherited value: a look before any copy.
    bool held = false;
    for (const auto& [host, slots] : table) {
        held = held || host == oldName;
        for (const auto& [slot, values] : slots) {
            if (held) break;
            held = slot.method == oldName ||
                   std::find(slot.args.begin(), slot.args.end(), oldName) != slot.args.end() ||
                   std::find(values.begin(), values.end(), oldName) != values.end();
        }
        if (held) break;
    }
    if (!held) return;
    std::map<InternalName, Slots> renamed;
    bool changed = false;
    for (auto& [host, slots] : table) {
        const InternalName newHost = host == oldName ? rep : host;
        changed = changed || newHost != host;
        Slots& target = renamed[newHost];
        for (auto& [slot, values] : slots) {
            Slot newSlot = slot;
            if (newSlot.method == oldName) newSlot.method = rep;
            std::replace(newSlot.args.begin(), newSlot.args.end(), oldName, rep);
            changed = changed || newSlot.method != slot.method || newSlot.args != slot.args;
            std::vector<InternalName>& into = target[newSlot];
            for (InternalName value : values) {
                if (value == oldName) {
                    value = rep;
                    changed = true;
                }
                if (std::find(into.begin(), into.end(), value) == into.end()) into.push_back(value);
            }
        }
    }
    if (changed) table.swap(renamed);
}

// The ID table of an import: storing ID texts once, the hashed index, the records.
#include "xml/IdTable.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

constexpr std::size_t textBlock = 64 * 1024;

}  // namespace

std::uint32_t IdTable::hashOf(std::string_view id) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>()(id));
}

std::size_t IdTable::slotOf(std::string_view id, std::uint32_t hash) const {
    const std::size_t mask = index.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = index[at];
        if (slot.number == 0) return at;
        if (slot.hash == hash && entries[slot.number - 1].text() == id) return at;
    }
}

void IdTable::growIndex() {
    std::vector<Slot> old(index.empty() ? 64 : 2 * index.size(), Slot{0, 0});
    old.swap(index);
    const std::size_t mask = index.size() - 1;
    for (const Slot& slot : old) {
        if (slot.number == 0) continue;
        std::size_t at = slot.hash & mask;
        while (index[at].number != 0) at = (at + 1) & mask;
        index[at] = slot;
    }
}

std::string_view IdTable::store(std::string_view id) {
    if (id.empty()) return {};
    if (room < id.size()) {
        const std::size_t size = std::max(textBlock, id.size());
        blocks.push_back(std::make_unique<char[]>(size));
        next = blocks.back().get();
        room = size;
    }
    std::memcpy(next, id.data(), id.size());
    const std::string_view stored(next, id.size());
    next += id.size();
    room -= id.size();
    return stored;
}

std::uint32_t IdTable::entryFor(std::string_view id, std::uint32_t hash) {
    if (2 * (entries.size() + 1) > index.size()) growIndex();
    const std::size_t at = slotOf(id, hash);
    if (index[at].number != 0) return index[at].number - 1;
    Entry& entry = entries.emplace_back();
    entry.object = InternalName::UndefinedObject;
    entry.length = static_cast<std::uint32_t>(id.size());
    if (id.size() <= inlineLength)
        std::memcpy(entry.inlined, id.data(), id.size());
    else
        entry.stored = store(id).data();
    index[at] = Slot{static_cast<std::uint32_t>(entries.size()), hash};
    return index[at].number - 1;
}

void IdTable::addId(std::string_view id, InternalName object) {
    Entry& entry = entries[entryFor(id, hashOf(id))];
    if (entry.object == InternalName::UndefinedObject) entry.object = object;
}

void IdTable::addReference(InternalName object, InternalName method, int number,
                           std::string_view id) {
    if (waiting == queueLength) settleOldest();
    Waiting& added = queue[(oldest + waiting++) % queueLength];
    added.reference = {object, method, number, 0};
    added.hash = hashOf(id);
    added.id.assign(id);
    if (!index.empty()) {
        const std::size_t mask = index.size() - 1;
        __builtin_prefetch(&index[added.hash & mask]);
        // The reference half-way through the queue has its slot at hand by now.
        if (waiting > queueLength / 2) {
            const Waiting& middle = queue[(oldest + waiting - 1 - queueLength / 2) % queueLength];
            const Slot& slot = index[middle.hash & mask];
            if (slot.number != 0) __builtin_prefetch(&entries[slot.number - 1]);
        }
    }
}

void IdTable::settleOldest() {
    Waiting& first = queue[oldest];
    first.reference.id = entryFor(first.id, first.hash);
    references.push_back(first.reference);
    oldest = (oldest + 1) % queueLength;
    --waiting;
}

void IdTable::settleAll() {
    while (waiting > 0) settleOldest();
}

const InternalName* IdTable::find(std::string_view id) {
    settleAll();
    if (index.empty()) return nullptr;
    const std::size_t at = slotOf(id, hashOf(id));
    if (index[at].number == 0) return nullptr;
    const Entry& entry = entries[index[at].number - 1];
    return entry.object != InternalName::UndefinedObject ? &entry.object : nullptr;
}

void IdTable::clear() {
    std::deque<Entry>().swap(entries);
    std::vector<Slot>().swap(index);
    std::deque<Reference>().swap(references);
    std::vector<std::unique_ptr<char[]>>().swap(blocks);
    oldest = waiting = 0;
    next = nullptr;
    room = 0;
}

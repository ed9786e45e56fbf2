// The ID table of an import: the records, the hashed index over the IDs, the pass of lookups.
#include "xml/IdTable.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "foundation/LinearProbing.h"

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

void IdTable::indexNewEntries() {
    if (indexed == entries.size()) return;
    if (2 * entries.size() > index.size()) {
        std::size_t size = 64;
        while (size < 2 * entries.size()) size *= 2;
        rehashLinearProbing(
            index, size, [](const Slot& slot) { return slot.number == 0; },
            [](const Slot& slot) { return slot.hash; });
    }
    for (; indexed < entries.size(); ++indexed) {
        const std::string_view id = entries[indexed].text();
        const std::uint32_t hash = hashOf(id);
        Slot& slot = index[slotOf(id, hash)];
        if (slot.number == 0) slot = Slot{static_cast<std::uint32_t>(indexed + 1), hash};
    }
}

std::vector<InternalName> IdTable::targets() {
    indexNewEntries();
    const std::size_t count = references.size();
    std::vector<InternalName> found(count, InternalName::UndefinedObject);
    if (index.empty()) return found;
    std::vector<std::uint32_t> hashes(count);
    for (std::size_t i = 0; i < count; ++i) hashes[i] = hashOf(references[i].id());
    // The slot of a reference well ahead, and the entry of one nearer, are fetched while this
    // one is looked up.
    constexpr std::size_t slotAhead = 16;
    constexpr std::size_t entryAhead = 8;
    const std::size_t mask = index.size() - 1;
    for (std::size_t i = 0; i < count; ++i) {
        if (i + slotAhead < count) __builtin_prefetch(&index[hashes[i + slotAhead] & mask]);
        if (i + entryAhead < count) {
            const Slot& slot = index[hashes[i + entryAhead] & mask];
            if (slot.number != 0) __builtin_prefetch(&entries[slot.number - 1]);
        }
        const Slot& slot = index[slotOf(references[i].id(), hashes[i])];
        if (slot.number != 0) found[i] = entries[slot.number - 1].object;
    }
    return found;
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

void IdTable::addId(std::string_view id, InternalName object) {
    Entry& entry = entries.emplace_back();
    entry.object = object;
    entry.length = static_cast<std::uint32_t>(id.size());
    if (id.size() <= inlineLength)
        std::memcpy(entry.inlined, id.data(), id.size());
    else
        entry.stored = store(id).data();
}

void IdTable::addReference(InternalName object, InternalName method, int number,
                           std::string_view id) {
    const std::string_view text = store(id);
    references.push_back(
        {object, method, number, static_cast<std::uint32_t>(text.size()), text.data()});
}

const InternalName* IdTable::find(std::string_view id) {
    indexNewEntries();
    if (index.empty()) return nullptr;
    const std::size_t at = slotOf(id, hashOf(id));
    return index[at].number != 0 ? &entries[index[at].number - 1].object : nullptr;
}

void IdTable::clear() {
    std::deque<Entry>().swap(entries);
    indexed = 0;
    std::vector<Slot>().swap(index);
    std::deque<Reference>().swap(references);
    std::vector<std::unique_ptr<char[]>>().swap(blocks);
    next = nullptr;
    room = 0;
}

// The ID table of an import: the records, the hashed index over the IDs, the pass of lookups.
#include "xml/IdTable.h"

#include <algorithm>
#include <cstring>

#include "foundation/HashMix.h"

namespace {

constexpr std::size_t textBlock = 64 * 1024;

}  // namespace

std::uint64_t IdTable::hashOf(std::string_view id) {
    return hashMix::text(id);
}

void IdTable::indexNewEntries() {
    if (indexed == entries.size()) return;
    index.reserve(entries.size() - indexed, EntryIndex::hashOf);
    for (; indexed < entries.size(); ++indexed) {
        const std::string_view id = entries[indexed].text();
        index.insert(hashOf(id), std::uint32_t(indexed),
                     [&](std::uint32_t n) { return entries[n].text() == id; });
    }
}

std::vector<InternalName> IdTable::targets() {
    indexNewEntries();
    const std::size_t count = references.size();
    std::vector<InternalName> found(count, InternalName::UndefinedObject);
    if (index.empty()) return found;
    // The low half of a hash places the ID and tags its slot.
    std::vector<std::uint32_t> hashes(count);
    for (std::size_t i = 0; i < count; ++i) hashes[i] = std::uint32_t(hashOf(references[i].id()));
    // The slot of a reference well ahead, and the entry of one nearer, are fetched while this
    // one is looked up.
    constexpr std::size_t slotAhead = 16;
    constexpr std::size_t entryAhead = 8;
    const std::size_t mask = index.capacity() - 1;
    for (std::size_t i = 0; i < count; ++i) {
        if (i + slotAhead < count) index.prefetch(hashes[i + slotAhead]);
        if (i + entryAhead < count) {
            const EntrySlot& slot = index[hashes[i + entryAhead] & mask];
            if (!slot.isFree()) __builtin_prefetch(&entries[slot.number()]);
        }
        const std::int64_t n = entryOf(references[i].id(), hashes[i]);
        if (n >= 0) found[i] = entries[std::size_t(n)].object;
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
    const std::int64_t n = entryOf(id, hashOf(id));
    return n >= 0 ? &entries[std::size_t(n)].object : nullptr;
}

void IdTable::clear() {
    std::deque<Entry>().swap(entries);
    indexed = 0;
    index.release();
    std::deque<Reference>().swap(references);
    std::vector<std::unique_ptr<char[]>>().swap(blocks);
    next = nullptr;
    room = 0;
}

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
        if (index[at] == 0) return at;
        const Entry& entry = entries[index[at] - 1];
        if (entry.hash == hash && std::string_view(entry.text, entry.length) == id) return at;
    }
}

void IdTable::growIndex() {
    std::vector<std::uint32_t> old(index.empty() ? 64 : 2 * index.size(), 0);
    old.swap(index);
    const std::size_t mask = index.size() - 1;
    for (std::uint32_t number : old) {
        if (number == 0) continue;
        std::size_t at = entries[number - 1].hash & mask;
        while (index[at] != 0) at = (at + 1) & mask;
        index[at] = number;
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

std::uint32_t IdTable::entryFor(std::string_view id) {
    if (2 * (entries.size() + 1) > index.size()) growIndex();
    const std::uint32_t hash = hashOf(id);
    const std::size_t at = slotOf(id, hash);
    if (index[at] != 0) return index[at] - 1;
    const std::string_view text = store(id);
    entries.push_back({text.data(), static_cast<std::uint32_t>(text.size()), hash,
                       InternalName::UndefinedObject});
    index[at] = static_cast<std::uint32_t>(entries.size());
    return index[at] - 1;
}

void IdTable::addId(std::string_view id, InternalName object) {
    Entry& entry = entries[entryFor(id)];
    if (entry.object == InternalName::UndefinedObject) entry.object = object;
}

void IdTable::addReference(InternalName object, InternalName method, int number,
                           std::string_view id) {
    references.push_back({object, method, number, entryFor(id)});
}

const InternalName* IdTable::find(std::string_view id) const {
    if (index.empty()) return nullptr;
    const std::size_t at = slotOf(id, hashOf(id));
    if (index[at] == 0) return nullptr;
    const Entry& entry = entries[index[at] - 1];
    return entry.object != InternalName::UndefinedObject ? &entry.object : nullptr;
}

void IdTable::clear() {
    std::deque<Entry>().swap(entries);
    std::vector<std::uint32_t>().swap(index);
    std::deque<Reference>().swap(references);
    std::vector<std::unique_ptr<char[]>>().swap(blocks);
    next = nullptr;
    room = 0;
}

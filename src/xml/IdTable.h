// IdTable: the ID values of one imported document and the references to them, kept from the
// mapping until the references are resolved.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "objectbase/InternalName.h"

// Each distinct ID text is stored once, and a reference holds only the number of its ID: a
// document has an ID and a few reference tokens for most elements, and a copy of the text in
// every record cost about twice as much. The references are resolved in the order they were
// recorded.
class IdTable {
  public:
    struct Reference {
        InternalName object;  // the element that carries the reference
        InternalName method;  // the attribute's method
        int number;           // a value of the import's own, kept unchanged
        std::uint32_t id;     // the referenced ID's number in the table
    };

    IdTable() = default;
    IdTable(const IdTable&) = delete;
    IdTable& operator=(const IdTable&) = delete;

    // Records that the object carries the ID; an ID given twice stays with its first object.
    void addId(std::string_view id, InternalName object);
    void addReference(InternalName object, InternalName method, int number, std::string_view id);
    // The first object that carries the ID, or null.
    const InternalName* find(std::string_view id);
    std::size_t referenceCount() const { return references.size() + waiting; }

    // Calls visit(reference, target, text) for each reference in the order recorded, target
    // being the ID's first object or null, text the ID; stops early when visit answers false.
    template <class Visit>
    void resolve(Visit visit);

    // Forgets every ID and reference.
    void clear();

  private:
    // An ID text of up to this many bytes is kept inside its entry, so that a lookup that finds
    // its slot reads one more line of memory instead of two.
    static constexpr std::size_t inlineLength = 16;
    struct Entry {
        // UndefinedObject while no element carries the ID (it was only referenced so far).
        InternalName object;
        std::uint32_t length;
        union {
            char inlined[inlineLength];
            const char* stored;
        };
        std::string_view text() const {
            return {length <= inlineLength ? inlined : stored, length};
        }
    };
    // The entry's number plus one (0 when the slot is free) and the low half of the ID's hash,
    // so that a probe past other IDs does not read their entries.
    struct Slot {
        std::uint32_t number;
        std::uint32_t hash;
    };

    static std::uint32_t hashOf(std::string_view id);
    // The entry's number, made when the ID (of this hash) is new.
    std::uint32_t entryFor(std::string_view id, std::uint32_t hash);
    // The slot that holds the ID, or the free slot where it would go.
    std::size_t slotOf(std::string_view id, std::uint32_t hash) const;
    void growIndex();
    std::string_view store(std::string_view id);

    std::deque<Entry> entries;
    // Open addressing, at most half full.
    std::vector<Slot> index;

    // A reference whose ID is not looked up yet. References point anywhere in the document, so
    // each lookup would wait for its slot and then its entry to come from memory: a new
    // reference waits a few places while its slot is fetched, and half-way its entry.
    struct Waiting {
        Reference reference;
        std::uint32_t hash;
        std::string id;
    };
    static constexpr std::size_t queueLength = 8;
    // Moves the oldest waiting reference to the references.
    void settleOldest();
    void settleAll();
    std::array<Waiting, queueLength> queue;
    std::size_t oldest = 0;
    std::size_t waiting = 0;

    std::deque<Reference> references;
    // The ID texts, in blocks that never move.
    std::vector<std::unique_ptr<char[]>> blocks;
    char* next = nullptr;
    std::size_t room = 0;
};

template <class Visit>
void IdTable::resolve(Visit visit) {
    settleAll();
    // The entry of a reference a few places ahead is fetched meanwhile, as in the recording.
    constexpr std::size_t ahead = 8;
    const std::size_t count = references.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (i + ahead < count) __builtin_prefetch(&entries[references[i + ahead].id]);
        const Reference& reference = references[i];
        const Entry& entry = entries[reference.id];
        const bool known = entry.object != InternalName::UndefinedObject;
        if (!visit(reference, known ? &entry.object : nullptr, entry.text())) {
            return;
        }
    }
}

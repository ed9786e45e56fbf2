// IdTable: the ID values of one imported document and the references to them, kept from the
// mapping until the references are resolved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "foundation/FlatHashTable.h"
#include "objectbase/InternalName.h"

// Records are appended while the document is mapped and looked up only when the references are
// resolved, all in one pass: the IDs a document refers to lie anywhere in it, and a lookup per
// record while the mapping runs waited on memory each time (the mapping's own work pushes out
// whatever is fetched ahead), where a pass of lookups alone can fetch the next ones meanwhile.
// The texts are kept in blocks, so that a record costs no allocation of its own.
class IdTable {
  public:
    struct Reference {
        InternalName object;  // the element that carries the reference
        InternalName method;  // the attribute's method
        int number;           // a value of the import's own, kept unchanged
        std::uint32_t length;
        const char* text;  // the ID referred to
        std::string_view id() const { return {text, length}; }
    };

    IdTable() = default;
    IdTable(const IdTable&) = delete;
    IdTable& operator=(const IdTable&) = delete;

    // Records that the object carries the ID; an ID given twice stays with its first object.
    void addId(std::string_view id, InternalName object);
    void addReference(InternalName object, InternalName method, int number, std::string_view id);
    // The first object that carries the ID, or null.
    const InternalName* find(std::string_view id);
    std::size_t referenceCount() const { return references.size(); }

    // Calls visit(reference, target) for each reference in the order recorded, target being
    // the ID's first object or null, and forgets the reference (its room goes to the values the
    // visits store); stops early when visit answers false.
    template <class Visit>
    void resolve(Visit visit);

    // Forgets every ID and reference.
    void clear();

  private:
    // An ID text of up to this many bytes is kept inside its entry, so that a lookup that finds
    // its slot reads one more line of memory instead of two.
    static constexpr std::size_t inlineLength = 16;
    struct Entry {
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
    static std::uint64_t hashOf(std::string_view id);
    // The number of the first entry of the ID, or -1.
    std::int64_t entryOf(std::string_view id, std::uint64_t hash) const {
        return index.find(hash, [&](std::uint32_t n) { return entries[n].text() == id; });
    }
    // Puts the entries recorded since the last call into the index (the first of an ID wins).
    void indexNewEntries();
    // The first object of every reference's ID, UndefinedObject when there is none.
    std::vector<InternalName> targets();
    std::string_view store(std::string_view id);

    std::deque<Entry> entries;
    std::size_t indexed = 0;
    // The entries by ID, the first of each ID.
    EntryIndex index;
    std::deque<Reference> references;
    // The texts, in blocks that never move.
    std::vector<std::unique_ptr<char[]>> blocks;
    char* next = nullptr;
    std::size_t room = 0;
};

template <class Visit>
void IdTable::resolve(Visit visit) {
    const std::vector<InternalName> found = targets();
    for (std::size_t i = 0; i < found.size(); ++i) {
        const bool known = found[i] != InternalName::UndefinedObject;
        const bool more = visit(references.front(), known ? &found[i] : nullptr);
        references.pop_front();
        if (!more) return;
    }
}

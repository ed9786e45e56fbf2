// MemberSet, the flat storage of one set frame's members: a sorted array while the set is small,
// hashed once it grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "objectbase/FrameChanges.h"
#include "objectbase/InternalName.h"
#include "objectbase/NameArray.h"

// A set frame used to keep its members in a randomised search tree with one node per member:
// adding a value that a set-valued method already holds walked the tree twice (membership, then
// insertion), each step a cache miss, and that walk ran for every derivation of a `->>` head.
//
// Most sets hold a few members (an XML element's children, a class's direct superclasses): they
// stay one sorted array, searched by bisection, with no other storage. A set that outgrows
// SmallLimit gets an open-addressing hash set over its members (one probe answers membership and
// finds the slot a new member takes), whose slots mark the members added since the sorted array
// was last read (the tail); a read in ascending order collects the tail, sorts it and merges it in.
class MemberSet {
  public:
    MemberSet();
    MemberSet(const MemberSet& other);
    MemberSet& operator=(const MemberSet& other);
    ~MemberSet();

    bool contains(const InternalName& name) const;
    // A cache hint that `name` will soon be looked for: its hash slot, or the small array.
    void prefetch(const InternalName& name) const;
    // True when the name was not a member and now is (a change counted, as every change of a set
    // is: see frameChanges). A name above every member of a set
    // that has none marked added (an element's first class or parent, the next child of a
    // host, the next member of a class while a document loads) is appended here without a
    // call; the rest takes insertElsewhere. Storing each of a million sibling elements makes
    // five such inserts, and the call alone cost a third of them.
    bool insert(const InternalName& name) {
        const std::size_t count = sorted.size();
        if (count == 0 ? !sorted.onHeap() : sorted.back() < name) {
            const auto* set = static_cast<const HashedHead*>(sorted.spare());
            if (set == nullptr ? count < SmallLimit : set->added == 0) {
                sorted.push_back(name);
                frameChanges::note();
                return true;
            }
        }
        return insertElsewhere(name);
    }
    // insert for each of `names`, which ascend and lie above every member, in one append: the
    // children of a run of siblings join their host's sets so. False, and no change, when the
    // names do not lie above every member or insert would not append them all (a set that
    // starts hashing, or has members marked added): the caller inserts them one by one then.
    bool appendAscending(std::span<const InternalName> names) {
        if (names.empty()) return true;
        const std::size_t count = sorted.size();
        if (count == 0 ? sorted.onHeap() : !(sorted.back() < names.front())) return false;
        const auto* set = static_cast<const HashedHead*>(sorted.spare());
        if (set == nullptr ? count + names.size() > SmallLimit : set->added != 0) return false;
        sorted.append(names.data(), names.data() + names.size());
        frameChanges::note();
        return true;
    }
    // True when the name was a member and no longer is.
    bool erase(const InternalName& name);
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    void clear();

    // Where the members ascending() reads lie apart from the set, or null: a cache hint.
    const void* ascendingStorage() const { return sorted.heapBlock(); }
    // Every member in ascending identifier order; valid until the set changes. Inline for a set
    // that hashes nothing (nearly every one), whose array is the answer: the export's walks ask
    // for the members of hundreds of thousands of sets.
    std::span<const InternalName> ascending() const {
        if (sorted.spare() == nullptr) return sorted.view();
        return ascendingHashed();
    }
    // Every member once, in the order they are kept, for a reader whose result does not depend
    // on the order: no sort and no merge. `front` is the sorted array, and `added` is filled with
    // the members added since it was last read in order. Valid until the set changes.
    void kept(std::span<const InternalName>& front, std::vector<InternalName>& added) const;

    // Sets up to this many members are a sorted array only.
    static constexpr std::size_t SmallLimit = 16;

  private:
    // The part of the hash set that an append reads: how many members are marked added.
    struct HashedHead {
        std::size_t added = 0;
    };
    struct Hashed;
    // insert for a name that is not appended above every member.
    bool insertElsewhere(const InternalName& name);
    // insertElsewhere without counting the change.
    bool insertAnywhere(const InternalName& name);
    // ascending() for a set with a hash set.
    std::span<const InternalName> ascendingHashed() const;
    // Puts the set's members into a new hash set, once it outgrows SmallLimit.
    void startHashing();
    // Copies the hash set of `other`, whose members this set now holds in its array.
    void copyHashOf(const MemberSet& other);
    // For a hashed set: whether the name is in the run of members appended above all others,
    // and the run moved into the hash set.
    bool inRun(const InternalName& name) const;
    void foldRun() const;

    // The hash set of a large set (owned), else null.
    Hashed* hashed() const;
    // The hash set as the spare word keeps it.
    static HashedHead* head(Hashed* set);

    // Ascending; in a hashed set, the members added before the tail. A set of one member keeps
    // it in place, so it allocates nothing; a hashed set keeps its hash set's address in the
    // array's spare word, so the whole set is two words.
    mutable NameArray sorted;
};

// The frames of the main-memory object base: object, set, predicate and parameter frames.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "foundation/FlatHashTable.h"
#include "foundation/clib_dictionary.h"
#include "foundation/clib_list.h"
#include "foundation/set.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "objectbase/MemberSet.h"
#include "objectbase/MethodType.h"
#include "objectbase/ParamRows.h"
#include "objectbase/RelationStore.h"
#include "objectbase/Tuple.h"

class OutputChannel;

// The key of one method value of an object: method type, argument count and method name.
struct MethodKey {
    std::int16_t methodType = 0;
    std::int16_t argCount = 0;
    InternalName method;

    MethodKey() = default;
    MethodKey(int type, int args, const InternalName& name)
        : methodType(static_cast<std::int16_t>(type)),
          argCount(static_cast<std::int16_t>(args)),
          method(name) {}
    bool operator==(const MethodKey&) const = default;
};

// Method keys in a FlatNameMap: hashed with their method, free when their method is.
template <>
struct FlatKey<MethodKey> {
    static MethodKey free() { return MethodKey(0, 0, FlatKey<InternalName>::free()); }
    static bool isFree(const MethodKey& key) { return FlatKey<InternalName>::isFree(key.method); }
    static std::uint64_t hash(const MethodKey& key) {
        return hashMix::step(
            hashCell(key.method),
            std::uint64_t(std::uint16_t(key.methodType)) << 16 | std::uint16_t(key.argCount));
    }
};

// By method type, then argument count, then method name.
int compare(const MethodKey& a, const MethodKey& b);

// Common protocol of all frames.
class Frame {
  public:
    virtual ~Frame() = default;
    // An iterator over the frame's contents; `reuse` is re-targeted when it has the right class.
    virtual Iterator* getIterator(Iterator* reuse) = 0;
    virtual int size() const = 0;
    virtual void clear() = 0;
    virtual void print(OutputChannel& out) const = 0;
};

class ObjectFrame : public Frame {};
class SetFrame : public Frame {};
class PredicateFrame : public Frame {};
class ParameterFrame : public Frame {};

// The shape of a method entry: its key and the kind and flag of its value. A program uses few
// methods and few kinds of values, so entries hold their shape as a number into one table of the
// shapes seen, kept for the life of the process; only the value's number stands in the entry.
struct MethodShape {
    MethodKey key;
    std::uint8_t valueKind = InternalName::Object;
    std::int8_t valueFlag = 0;
};

// The table of method shapes by number. Shape 0 is that of an empty entry (MethodKey(), an
// object value).
class MethodShapes {
  public:
    // The number of the shape, made on its first use.
    static std::uint32_t numberOf(const MethodKey& key, const InternalName& value);
    // Read through a pointer the compiler initializes as a constant: every entry read asks for
    // its shape, and a function-local table put a guard check before each of those reads.
    static const MethodShape& at(std::uint32_t number) { return shapesAt[number]; }

  private:
    // Shape 0 before the table exists: what an empty entry reads.
    static constexpr MethodShape emptyShape{};
    // The table's shapes, moved along when the table grows.
    static inline constinit const MethodShape* shapesAt = &emptyShape;

    struct Table {
        Table();
        std::vector<MethodShape> shapes;
        EntryIndex index;
        // The shape lately numbered for a method, by the method's number: the molecules of a
        // consult store the values of a few methods in turn, and hashing the shape for each
        // was 2% of consulting `oN[a -> xN; b -> yN]`. Shapes are never dropped, so a number
        // here stays right; it is checked against the shape it names.
        std::array<std::uint32_t, 16> recent{};
    };
    static Table& table() {
        static Table shapes;
        return shapes;
    }
};

// One method entry of an object frame: the number of its value and of its shape. An entry used
// to hold its key and value whole in 16 bytes; at 8 an object frame keeps two entries in place
// (an object of two values, `o[a -> x; b -> y]`, allocates nothing).
class MethodSlot {
  public:
    MethodSlot() = default;
    MethodSlot(const MethodKey& key, const InternalName& value)
        : storedValue(value.getValue()), shape(MethodShapes::numberOf(key, value)) {}

    MethodKey key() const { return MethodShapes::at(shape).key; }
    int type() const { return key().methodType; }
    int arity() const { return key().argCount; }
    InternalName method() const { return key().method; }
    InternalName value() const {
        const MethodShape& held = MethodShapes::at(shape);
        return InternalName(storedValue, held.valueKind, held.valueFlag);
    }
    void setValue(const InternalName& value) { *this = MethodSlot(key(), value); }
    // The number of the entry's shape: entries with the same number have the same key and the
    // same kind of value, so a walk over many frames compares their keys a number at a time.
    std::uint32_t shapeNumber() const { return shape; }
    // The same value under the same shape: one comparison of eight bytes.
    bool operator==(const MethodSlot&) const = default;

  private:
    std::int32_t storedValue = 0;
    std::uint32_t shape = 0;
};
static_assert(sizeof(MethodSlot) == 8);

// The method entries of one object frame in ascending key order. Most objects have a handful of
// entries, so a sorted array searched by bisection replaces the search tree each object used to
// carry: a lookup reads one or two cache lines. Very many objects (every consulted molecule) have
// one or two entries, so those are held in place of the array's address: such a frame allocates
// nothing. Frames are mostly filled once and then read (an imported element gets its few entries
// one after another), so a small array grows by one entry at a time and holds no spare room; from
// eight entries on it doubles, which keeps large frames' inserts cheap.
//
// Beside its entries the array can keep one more name, which its frame uses for the name of an
// object's superclass set: only classes have one, and they are few, so the name stands in a slot
// in front of the out-of-line array (made out of line for it) rather than in every frame.
//
// The array's address is kept as two 32-bit halves, so the entries need only 4-byte alignment
// and take 20 bytes: with the frame's two packed set names an object frame takes 40 bytes
// instead of 48 (8 bytes a consulted molecule). The frame places them where the address is
// 8-byte aligned all the same.
class MethodEntries {
  public:
    using iterator = MethodSlot*;
    using const_iterator = const MethodSlot*;

    MethodEntries() : inPlaceSlots() {}
    ~MethodEntries() { release(); }
    MethodEntries(const MethodEntries&) = delete;
    MethodEntries& operator=(const MethodEntries&) = delete;

    std::size_t size() const { return state & CountMask; }
    bool empty() const { return size() == 0; }
    iterator begin() { return data(); }
    iterator end() { return data() + size(); }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size(); }
    MethodSlot& operator[](std::size_t at) { return data()[at]; }
    const MethodSlot& operator[](std::size_t at) const { return data()[at]; }

    // Inserts the entry before `at`; answers where it now stands.
    iterator insert(const_iterator at, const MethodSlot& entry);
    // Removes the entry at `at`; answers the place of the one that followed it.
    iterator erase(const_iterator at);
    // Removes every entry and gives the storage back; the extra name stays.
    void clear();

    // The extra name, or `absent` while none was ever set.
    InternalName extraName(const InternalName& absent) const {
        return hasExtra() ? many()[0].value() : absent;
    }
    // Sets the extra name (making room for it on its first setting).
    void setExtraName(const InternalName& name);

  private:
    static constexpr std::uint32_t OutOfLine = std::uint32_t(1) << 31;
    static constexpr std::uint32_t Extra = std::uint32_t(1) << 30;
    static constexpr std::uint32_t CountMask = Extra - 1;
    static constexpr std::uint32_t InPlace = 2;

    bool inPlace() const { return (state & OutOfLine) == 0; }
    bool hasExtra() const { return (state & Extra) != 0; }
    std::uint32_t capacity() const { return inPlace() ? InPlace : out.capacity; }
    MethodSlot* many() const {
        MethodSlot* address = nullptr;
        std::memcpy(&address, out.address, sizeof address);
        return address;
    }
    MethodSlot* data() { return inPlace() ? inPlaceSlots : many() + hasExtra(); }
    const MethodSlot* data() const { return inPlace() ? inPlaceSlots : many() + hasExtra(); }
    // Moves the entries into a new out-of-line array with room for `room` entries (and the
    // extra name's slot when `extra`).
    void reallocate(std::uint32_t room, bool extra);
    void release();

    // In place: up to two entries. Out of line: the array's address and its room for entries; the
    // array holds the extra name's slot when there is one (the name is that slot's value), then
    // the entries.
    struct OutOfLineArray {
        std::uint32_t address[2];
        std::uint32_t capacity;
    };
    union {
        MethodSlot inPlaceSlots[InPlace];
        OutOfLineArray out;
    };
    // The count of entries, and the OutOfLine and Extra marks.
    std::uint32_t state = 0;
};
static_assert(sizeof(MethodEntries) == 20 && alignof(MethodEntries) == 4);

// All method values of one object and the names of the sets of its class relations.
class MainMemObjFrame : public ObjectFrame {
  public:
    MainMemObjFrame();
    ~MainMemObjFrame() override = default;

    // Object frames are walked with methodIterator; `reuse` comes back unchanged.
    Iterator* getIterator(Iterator* reuse) override { return reuse; }
    int size() const override;
    void clear() override;
    void print(OutputChannel& out) const override;

    // 1 and the stored value when (methodType, argCount, method) is present, else 0.
    virtual int lookupMethod(const InternalName& method, int methodType, int argCount,
                             InternalName& value) const;
    // An OFrameIterator over the entries that pass both filters (1000 = any type, -1 = any arity).
    virtual Iterator* methodIterator(int methodType, int arity, Iterator* reuse);
    virtual Iterator* methodIterator(int methodType, Iterator* reuse);
    // The entries in ascending key order, read in place by a walk that changes no frame.
    const MethodEntries& entries() const { return methods; }
    // Calls visit(key, value) for every entry in ascending key order, as methodIterator walks
    // them but without an iterator's column calls, for writers that read every entry of every
    // object. Entries can be added or taken out while the walk runs (inherited values): it goes
    // on past the key it visited last, wherever that stands now.
    template <class Visit>
    void forEachEntry(Visit visit) const {
        for (std::size_t at = 0; at < methods.size();) {
            const MethodSlot entry = methods[at];
            const MethodKey key = entry.key();
            visit(key, entry.value());
            // Mostly the visit changed nothing: the entry stands where it stood, as it was.
            if (at < methods.size() && methods[at] == entry) {
                ++at;
                continue;
            }
            at = std::size_t(findEntry(key) - methods.begin());
            if (at < methods.size() && methods[at].key() == key) ++at;
        }
    }
    // forEachEntry for a walk that adds and takes out no entry while it runs (no evaluation is
    // open to add inherited values): the entries are read in place, without the look after
    // each visit, which took two thirds of the XML export's writing walk over entries.
    template <class Visit>
    void forEachStoredEntry(Visit visit) const {
        for (const MethodSlot& entry : methods) visit(entry.key(), entry.value());
    }
    // Whether some entry has a method type from `lowest` to `highest`. The entries are ordered
    // by type first, so the walk goes from the last entry down to the first type below them.
    bool holdsEntryOfType(int lowest, int highest) const {
        for (std::size_t at = methods.size(); at-- > 0;) {
            const int type = methods[at].type();
            if (type < lowest) return false;
            if (type <= highest) return true;
        }
        return false;
    }
    virtual InternalName getSetName1() const { return setName1.name(); }
    virtual InternalName getSetName2() const {
        return methods.extraName(InternalName::InitialSetName);
    }
    virtual InternalName getSetName3() const { return setName3.name(); }
    // The name of the set of what the object stands in `relation` to: its classes, its
    // superclasses or its children.
    InternalName setNameOf(IsaRelation relation) const {
        return relation == IsaRelation::Member     ? getSetName1()
               : relation == IsaRelation::Subclass ? getSetName2()
                                                   : getSetName3();
    }
    // 1 after storing the value under an absent key; 0 when the key is taken (its value stays).
    virtual int insertMethod(const InternalName& method, const InternalName& value, int methodType,
                             int argCount);
    // 1 after taking out the entry under the key; 0 when there is none.
    virtual int removeMethod(const InternalName& method, int methodType, int argCount);
    virtual void setSetName1(const InternalName& name) { setName1 = PackedName(name); }
    virtual void setSetName2(const InternalName& name);
    virtual void setSetName3(const InternalName& name) { setName3 = PackedName(name); }
    // Renames `oldName` to `newName` in keys and values; value pairs that now collide under one
    // key are added to `pairs`. 0 when nothing changed, 2 when the last change replaced a value,
    // 1 when it moved a key.
    virtual int replaceName(const InternalName& oldName, const InternalName& newName,
                            clib_dictionary<InternalName, InternalName>& pairs);

  private:
    // The first set name (the object's classes) and the third (its parents) are set for every
    // element and text an import makes; the second (superclasses) only for classes, which are
    // few: it is the method entries' extra name, made on its first change. Object frames come
    // in blocks of thousands, and every consulted molecule has one: a frame takes 40 bytes, the
    // set names packed in 6 bytes each (an identifier's two spare bytes left out).
    struct PackedName {
        explicit PackedName(const InternalName& name)
            : low(std::uint16_t(std::uint32_t(name.getValue()))),
              high(std::uint16_t(std::uint32_t(name.getValue()) >> 16)),
              kind(std::uint8_t(name.getType())),
              flag(std::int8_t(name.getArity())) {}
        InternalName name() const {
            return {std::int32_t(std::uint32_t(high) << 16 | low), kind, flag};
        }

        std::uint16_t low;
        std::uint16_t high;
        std::uint8_t kind;
        std::int8_t flag;
    };
    // First behind the virtual table, so that the address of an out-of-line entry array is
    // 8-byte aligned, where a leak checker's scan finds it.
    MethodEntries methods;
    PackedName setName1;
    PackedName setName3;

    // The entry with the key, or the place where it goes.
    MethodEntries::const_iterator findEntry(const MethodKey& key) const;
    // The entry with the key, or null.
    const MethodSlot* entryOf(const MethodKey& key) const;
};
static_assert(sizeof(void*) < 8 || sizeof(MainMemObjFrame) == 40);

// The members of one set, in a flat store (see MemberSet).
class MainMemSetFrame final : public SetFrame {
  public:
    MainMemSetFrame() = default;
    ~MainMemSetFrame() override = default;

    // A SetIterator over the members.
    Iterator* getIterator(Iterator* reuse) override;
    int size() const override;
    void clear() override;
    void print(OutputChannel& out) const override;

    virtual bool contains(const InternalName& name) const;
    void prefetch(const InternalName& name) const { members.prefetch(name); }
    // The members, for a reader that walks them in place.
    const MemberSet& memberSet() const { return members; }
    // 1 after adding a new member, 0 when it was a member already. Inline: the class is final,
    // so a call through a set frame's own type takes MemberSet's append without a call.
    virtual int insert(const InternalName& name) { return members.insert(name) ? 1 : 0; }
    // Appends names that ascend and lie above every member, when the set can take them so in
    // one append (see MemberSet::appendAscending); false and no change otherwise.
    bool appendAscending(std::span<const InternalName> names) {
        return members.appendAscending(names);
    }
    // 1 after taking out a member, 0 when it was none.
    virtual int erase(const InternalName& name);
    // When `oldName` is a member: replaces it by `newName` and answers 1; else 0 and no change.
    virtual int replace(const InternalName& oldName, const InternalName& newName);

  private:
    MemberSet members;
};

// Walks the method entries of one object frame, filtered by method type and argument count.
// Columns: 1 method, 2 value, 3 argument count (as an integer), 4 the arrow object of the type.
class OFrameIterator : public Iterator {
  public:
    OFrameIterator(const MethodEntries* methods, int methodType, int arity);

    // Points the iterator at another frame's methods with new filters, unpositioned.
    void reset(const MethodEntries* methods, int methodType, int arity);

    bool first() override;
    bool next() override;
    InternalName atColumn(int col) override;
    int columns() override { return 2; }
    bool isA(const std::string& className) const override;

  protected:
    ~OFrameIterator() override = default;

  private:
    bool passes(const MethodKey& key) const;
    bool settle();
    // Points current at the entry of the key last settled on, or where it would go; true when
    // that entry is there.
    bool find();

    const MethodEntries* methods;
    std::int32_t arityFilter;
    std::int32_t typeFilter;
    std::size_t current = 0;
    bool valid = false;
    std::int16_t methodType = 0;
    std::int16_t argCount = 0;
    InternalName method;
};

// The tuples of one predicate, in a flat store: rows in insertion order, hashed, read in
// ascending order by the frame's iterator and its printing.
//
// A frame can instead be the view of the rows another frame of its arity gained since a mark.
// The delta of a round is such a view of its predicate's frame, so a new tuple is stored once
// rather than copied into the delta. A view reads like any frame; anything else that would
// change it (an insert that the source does not explain, a rename, clearing it), or a change of
// its source other than an append, first turns it into a frame of its own that keeps copies of
// the rows it showed.
class MainMemPredFrame : public PredicateFrame {
  public:
    explicit MainMemPredFrame(int arity);
    ~MainMemPredFrame() override;
    MainMemPredFrame(const MainMemPredFrame&) = delete;
    MainMemPredFrame& operator=(const MainMemPredFrame&) = delete;

    // A TupleSetIterator over the rows.
    Iterator* getIterator(Iterator* reuse) override;
    int size() const override;
    void clear() override;
    void print(OutputChannel& out) const override;

    // 1 after storing a copy of the row; 0 when present or when `count` is not the arity.
    virtual int insertTuple(const InternalName* cells, int count);
    virtual bool containsTuple(const InternalName* cells, int count);
    virtual int insertTuple(const clib_list<InternalName>& row);
    virtual bool containsTuple(const clib_list<InternalName>& row);
    // insertTuple for a row the caller knows the frame lacks: stored without a probe (see
    // RelationStore::appendNew); 1 once stored.
    int insertNewTuple(const InternalName* cells, int count);
    // insertTuple for `rows` rows of `count` cells each, one after the other at `cells`, in that
    // order, on a plain frame that is no view: the number of the rows
    // that were new, which are then the store's last rows. -1, nothing stored, on any other
    // frame or when `count` is not the arity: the caller stores them one by one.
    int insertTuples(const InternalName* cells, int count, int rows);
    // insertNewTuple for `rows` rows of `count` cells each, one after the other at `cells`, on
    // a frame that is no view; the number of rows stored (all of them, or 0 when `count` is not
    // the arity).
    int insertNewTuples(const InternalName* cells, int count, int rows);
    // insertNewTuples for the `rows` rows held in `cells`, whose array the store takes over
    // without a copy (see RelationStore::adoptRows) on a plain frame that is no view and holds
    // nothing but the first of them: the number of rows added then, `cells` left empty; 0,
    // nothing taken, otherwise.
    int adoptNewTuples(GrowingArray<InternalName>& cells, int count, int rows);
    // Makes room for `count` more rows at once (a view has no rows of its own).
    void reserveRows(int count) {
        if (viewed == nullptr) rows->reserve(count);
    }
    // The same for rows that come through insertTuple, which looks each up first.
    void reserveInserts(int count) {
        if (viewed == nullptr) rows->reserveLookedUp(count);
    }
    // Renames `oldName` to `newName` in every row, merging rows that become equal; 1 when a row
    // held the old name, else 0.
    virtual int replaceName(const InternalName& oldName, const InternalName& newName);

    int getArity() const { return arity; }
    // The rows themselves: numbered in insertion order, with column indexes on request (a view
    // answers its source's store).
    const RelationStore& store() const { return viewed != nullptr ? *viewed->rows : *rows; }
    // The cells of the row at position `rank` of the ascending order (rank below size()).
    const InternalName* rowAtRank(int rank) const;

    // Turns this frame into a view of the rows `source` gains from now on; its own rows are
    // dropped. False (and nothing changed) when the arities differ or `source` is this frame.
    bool viewRowsAddedTo(MainMemPredFrame* source);
    // True when this frame is a view of `source`'s new rows.
    bool viewsRowsOf(const MainMemPredFrame* source) const { return viewed == source; }
    bool isView() const { return viewed != nullptr; }
    // True when some view shows this frame's new rows: a delta being recorded, which a new row
    // reaches without a copy.
    bool isViewed() const { return !viewers.empty(); }
    // A view keeps copies of the rows it shows and follows its source no more; other frames
    // stay as they are.
    void freeze();
    // Empties the frame as clear() does, but its rows stay where they are, unchanged, until the
    // next restart or clear: a round's delta starts anew while the plans of the round read the
    // rows of the last one in place (a view's rows are its source's, which only grow).
    void restart();

  private:
    // Copies `count` cells into the scratch row; false when the frame cannot take a row of that
    // many cells.
    bool loadScratch(const InternalName* cells, int count);
    bool loadScratch(const clib_list<InternalName>& row);

    // Freezes every view of this frame, before the rows change other than by an append.
    void freezeViewers();

    // On the heap, so that the rows set aside by restart() keep their address.
    std::unique_ptr<RelationStore> rows;
    // The rows held before the last restart(), for the readers that took them then.
    std::unique_ptr<RelationStore> retired;
    std::int32_t arity;
    std::unique_ptr<InternalName[]> scratch;
    // For a view: the frame viewed, the number of its first row shown, and the numbers of the
    // rows shown in ascending order as far as they were read.
    MainMemPredFrame* viewed = nullptr;
    std::int32_t viewFrom = 0;
    mutable std::vector<std::uint32_t> viewOrder;
    // The views of this frame's rows.
    std::vector<MainMemPredFrame*> viewers;
};

// The argument lists and results of one method with arguments. A row is its arguments followed
// by the result; the arity counts both. The rows and their answering rules live in ParamRows.
class MainMemParamFrame : public ParameterFrame {
  public:
    explicit MainMemParamFrame(int arity);
    ~MainMemParamFrame() override;
    MainMemParamFrame(const MainMemParamFrame&) = delete;
    MainMemParamFrame& operator=(const MainMemParamFrame&) = delete;

    // An ExtendedTupleSetIterator over the rows.
    Iterator* getIterator(Iterator* reuse) override;
    int size() const override;
    void clear() override;
    void print(OutputChannel& out) const override;

    // 1 after storing a copy of (arguments, result); 0 when that row is present or `count` is
    // not the arity.
    virtual int insertTuple(const InternalName* cells, int count);
    // 1 after taking out the row (arguments, result); 0 when it is not stored.
    virtual int eraseResult(const InternalName* args, int count, const InternalName& result);
    // 1 and the result of the first row stored for these arguments, else 0.
    virtual int lookupResult(const clib_list<InternalName>& args, InternalName& result);
    virtual int lookupResult(const InternalName* args, int count, InternalName& result);
    virtual int insertTuple(const clib_list<InternalName>& row);
    // 1 after storing (args, result); 0 when that row is present or `count` is not arity - 1.
    virtual int insertResult(const InternalName* args, int count, const InternalName& result);
    // The result of the row answering for the arguments (arity - 1 of them) into `result`, and
    // false; when no row answers, the row (args, make()) is stored, answering for them, its
    // result goes into `result`, and the answer is true. The arguments are looked for once.
    template <class Make>
    bool findOrAddResult(const InternalName* args, InternalName& result, Make make) {
        ParamRows::Vacancy vacancy;
        if (const InternalName* found = rows.answer(args, vacancy)) {
            result = *found;
            return false;
        }
        // `result` may be one of the arguments: written once they are stored.
        const InternalName made = make();
        rows.addAnswering(args, made, vacancy);
        result = made;
        return true;
    }
    // Renames `oldName` to `newName` in every row. A rewritten row whose arguments are taken
    // already is dropped, and its result paired in `pairs` with the result stored there when the
    // two differ. 2 when a row held the old name, else 0.
    virtual int replaceName(const InternalName& oldName, const InternalName& newName,
                            clib_dictionary<InternalName, InternalName>& pairs);

    int getArity() const { return rows.width(); }
    // The rows, for walking them in ascending order.
    const ParamRows& storedRows() const { return rows; }
    // Room for `more` rows beyond those held.
    void reserveRows(std::size_t more) { rows.reserve(more); }

  private:
    ParamRows rows;
};

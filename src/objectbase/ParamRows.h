// ParamRows, the rows (arguments..., result) of one parameter frame and the row that answers
// for each argument list: a sorted array while there are few rows, a hashed flat store beyond.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/clib_dictionary.h"
#include "objectbase/InternalName.h"
#include "objectbase/Tuple.h"

// Most parameter frames hold one row: an imported element's IDREF attribute, one call of a
// method with arguments. They used to cost a search tree of rows, a dictionary from argument
// lists to results, a cell pool and a scratch row each: about 350 bytes and five allocations
// for one row of two cells. Up to SmallLimit rows are now one array of cells in ascending row
// order, and a bit per row marks the row that answers for its argument list: one allocation,
// found by bisection. A frame that outgrows it moves its rows into a flat array hashed by row and
// by the arguments of the answering rows, where an insert takes one probe of each however many
// rows come.
//
// Which row answers for an argument list: the first one stored; when that row is taken out (a
// rename rewrites it), the lowest of the others with the same arguments.
class ParamRows {
  public:
    explicit ParamRows(int width);
    ~ParamRows();
    ParamRows(const ParamRows&) = delete;
    ParamRows& operator=(const ParamRows&) = delete;

    int width() const { return rowWidth; }
    int size() const;
    // Whether the frame is large and its rows came with ascending arguments: a new argument
    // list above them is then added without a lookup in the index.
    bool ascending() const;

    // How a large frame meets rows that come with ascending arguments: they wait unindexed
    // until a lookup needs them (Ascending), or every row is indexed as it comes (Indexed), the
    // general road the other must agree with. Set while the frame is empty.
    enum class ArgumentIndex : std::uint8_t { Ascending, Indexed };
    void useArgumentIndex(ArgumentIndex road) { argumentIndex = road; }

    // Stores a copy of the row (`width` cells) unless an equal one is stored; true when new.
    bool insert(const InternalName* row);
    // Takes the row (`width` cells) out; when it answered for its arguments, another row of the
    // same arguments answers instead. True when it was stored.
    bool erase(const InternalName* row);
    // The result cell of the row answering for `args` (width - 1 cells), or null.
    const InternalName* answer(const InternalName* args) const;

    // Where answer() found that no row answers for an argument list: the hash of the arguments
    // and the free index slot they would take, good while the rows stay as they were.
    struct Vacancy {
        std::uint64_t hash = 0;
        std::size_t slot = 0;
        std::uint32_t version = 0;
        bool known = false;
        // The arguments lie above those of every row: the row is appended without the index.
        bool above = false;
    };
    // answer(), noting in `vacancy` where the arguments go when no row answers for them.
    const InternalName* answer(const InternalName* args, Vacancy& vacancy) const;
    // Starts loading the index slot where answer(args) looks, in a large frame: a writer that
    // makes many objects gives the hints some rows ahead of their lookups.
    void prefetch(const InternalName* args) const;
    // Stores the row (args, result) for arguments that answer(args, vacancy) found no row for;
    // it answers for them. A function term's new object thus costs one probe of its arguments
    // rather than three. False when the frame cannot take the row.
    bool addAnswering(const InternalName* args, const InternalName& result, const Vacancy& vacancy);
    // Replaces `oldName` by `newName` in every row, taking the rows that hold it in ascending
    // order: a rewritten row whose arguments are answered for already is dropped, and its
    // result paired in `pairs` with the answering result when the two differ and the dropped
    // one is a constant or a set name. True when some row held the old name.
    bool replaceName(const InternalName& oldName, const InternalName& newName,
                     clib_dictionary<InternalName, InternalName>& pairs);
    // Makes room for `more` rows beyond those held: a head about to make many objects of one
    // function grows the frame once rather than copying its rows at every doubling.
    void reserve(std::size_t more);
    // Forgets every row.
    void clear();
    // The lowest row whose result is `result` and whose arguments do not hold it, or null: the
    // row that defines an object made for a term (an equality can leave a row that holds its
    // own result, which defines nothing). A large frame indexes its rows by result at the first
    // such question after a change, so that writing a term of many cells out of one frame (a
    // list of 20,000 elements) asks each cell in constant time rather than scanning the frame.
    const InternalName* definingRow(const InternalName& result) const;

    // A place in the ascending order of the rows.
    struct Cursor {
        std::uint32_t version = 0;
        std::uint32_t index = 0;
    };
    // The lowest row, or null.
    const InternalName* first(Cursor& at) const;
    // The lowest row above `current` (the cells of the row `at` stood on, copied: rows may have
    // come or gone since), or null.
    const InternalName* next(Cursor& at, const InternalName* current) const;

    // Where a small frame's cells lie, or null: a cache hint.
    const void* cellStorage() const { return cells.get(); }

    // Rows up to this many are a sorted array only.
    static constexpr int SmallLimit = 16;
    // The cells of a small frame's rows, one row after another in ascending order, read in
    // place without a cursor's calls; false for a large frame, whose rows the cursor walks.
    bool smallCells(const InternalName*& rows, int& rowCount) const {
        if (large != nullptr) return false;
        rows = cells.get();
        rowCount = count;
        return true;
    }

  private:
    struct Large;

    // A frame holds rows of 1 to RowCells::MaxCount cells; one of another width takes none.
    bool usable() const { return rowWidth >= 1 && rowWidth <= RowCells::MaxCount; }

    InternalName* smallRow(int index) const { return cells.get() + std::size_t(index) * rowWidth; }
    // The first row of the small array not below `row` in its first `prefix` cells.
    int lowerBound(const InternalName* row, int prefix) const;
    // Small array: the row at `index` is taken out; when it answered, the lowest other row of
    // its arguments answers instead.
    void eraseSmall(int index);
    // Small array: puts the row at `index`, answering when `answers`; false without memory.
    bool insertSmall(int index, const InternalName* row, bool answers);
    // The index of the row answering for `args` among the small rows, or -1.
    int answeringSmall(const InternalName* args) const;
    bool replaceNameSmall(const InternalName& oldName, const InternalName& newName,
                          clib_dictionary<InternalName, InternalName>& pairs);
    // Moves the small rows into the trees.
    bool becomeLarge();

    // Small: `count` rows in ascending order in room for `capacity`; bit i of `answers` marks
    // row i as the one answering for its arguments. Null once the rows are in `large`.
    std::unique_ptr<InternalName[]> cells;
    std::unique_ptr<Large> large;
    std::int32_t rowWidth;
    // Changes whenever rows come or go, so that a cursor knows when to find its place again.
    std::uint32_t version = 0;
    std::uint8_t count = 0;
    std::uint8_t capacity = 0;
    std::uint16_t answers = 0;
    ArgumentIndex argumentIndex = ArgumentIndex::Ascending;
};

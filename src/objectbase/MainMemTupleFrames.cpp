// Predicate frames and parameter frames: sets of fixed-width rows of identifiers.
#include <algorithm>
#include <new>
#include <ostream>
#include <vector>

#include "foundation/OutputChannel.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/TupleSetIterator.h"

namespace {

// The widest row a Tuple can describe.
constexpr int MaxRowWidth = 32767;

// The scratch row of a frame: room for one row, never stored. Null when none can be had in memory
// that rows can point at; a frame without one takes and finds nothing.
InternalName* newScratch(int width) {
    auto* cells = new (std::nothrow) InternalName[width > 0 ? width : 1];
    if (cells != nullptr && !RowCells::representable(cells)) {
        delete[] cells;
        return nullptr;
    }
    return cells;
}

bool holds(const InternalName* cells, int count, const InternalName& name) {
    return std::find(cells, cells + count, name) != cells + count;
}

void rename(InternalName* cells, int count, const InternalName& oldName,
            const InternalName& newName) {
    std::replace(cells, cells + count, oldName, newName);
}

// Copies `count` cells into the scratch row `scratch` of a frame whose rows are `width` wide;
// false (and nothing copied) when that is not possible.
bool copyCells(const InternalName* cells, int count, int width, InternalName* scratch) {
    if (scratch == nullptr || count != width || count < 0 || count > MaxRowWidth) return false;
    if (count > 0 && cells == nullptr) return false;
    if (cells != scratch) std::copy(cells, cells + count, scratch);
    return true;
}

// Copies a list of identifiers into the scratch row; false (and nothing copied) unless it has
// `width` elements.
bool copyList(const clib_list<InternalName>& list, int width, InternalName* scratch) {
    if (scratch == nullptr || list.length() != width || width > MaxRowWidth) return false;
    int i = 0;
    for (auto it = list.first_item(); it != nullptr; it = list.next_item(it))
        scratch[i++] = list.inf(it);
    return true;
}

// Puts a copy of the scratch row into a cell array of the pool; false when none can be had.
template <class Row>
bool copyOut(const InternalName* scratch, int width, RowCellPool& pool, Row& row) {
    InternalName* cells = pool.allocate();
    if (cells == nullptr) return false;
    std::copy(scratch, scratch + width, cells);
    row = Row(cells, width);
    return true;
}

// The rows of a frame in the printed form "{(o1,o2),\n (o1,o5)}\n".
template <class Row>
void printRows(const set<Row>& rows, OutputChannel& out) {
    out << "{";
    bool firstRow = true;
    for (auto it = rows.first_item(); it != nullptr; it = rows.next_item(it)) {
        if (!firstRow) out << "," << std::endl << " ";
        const Row& row = rows.key(it);
        out << "(";
        for (int i = 0; i < row.count(); ++i) {
            if (i > 0) out << ",";
            out << row.cells()[i].ToString();
        }
        out << ")";
        firstRow = false;
    }
    out << "}" << std::endl;
}

// The items of the stored rows that hold `name` in some cell. An item stays valid while other
// rows are deleted or inserted.
template <class Row>
std::vector<typename set<Row>::item> rowsHolding(const set<Row>& rows, const InternalName& name) {
    std::vector<typename set<Row>::item> found;
    for (auto it = rows.first_item(); it != nullptr; it = rows.next_item(it)) {
        const Row& row = rows.key(it);
        if (holds(row.cells(), row.count(), name)) found.push_back(it);
    }
    return found;
}

// Hands out an iterator of class It over `rows`, re-targeting `reuse` when it is one.
template <class It, class Row>
Iterator* rowIterator(Iterator* reuse, const char* className, set<Row>* rows, int width) {
    if (reuse != nullptr) {
        if (reuse->isA(className)) {
            static_cast<It*>(reuse)->reset(rows, width);
            return reuse;
        }
        decRef(reuse);
    }
    return new It(rows, width);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// MainMemPredFrame

MainMemPredFrame::MainMemPredFrame(int arity)
    : rows(arity), arity(arity), scratch(newScratch(arity)) {}

MainMemPredFrame::~MainMemPredFrame() {
    // Frames die together when the base is cleared: a view just forgets its source, a source its
    // views, whichever goes first.
    for (MainMemPredFrame* viewer : viewers) viewer->viewed = nullptr;
    if (viewed != nullptr) std::erase(viewed->viewers, this);
    delete[] scratch;
}

bool MainMemPredFrame::viewRowsAddedTo(MainMemPredFrame* source) {
    if (source == nullptr || source == this || source->arity != arity || source->isView())
        return false;
    freezeViewers();
    if (viewed != nullptr) std::erase(viewed->viewers, this);
    rows.clear();
    viewed = source;
    viewFrom = source->rows.size();
    viewOrder.clear();
    source->viewers.push_back(this);
    return true;
}

void MainMemPredFrame::freeze() {
    if (viewed == nullptr) return;
    MainMemPredFrame* source = viewed;
    std::erase(source->viewers, this);
    viewed = nullptr;
    rows.clear();
    for (int i = viewFrom; i < source->rows.size(); ++i) rows.insert(source->rows.row(i));
    viewOrder.clear();
    viewOrder.shrink_to_fit();
}

void MainMemPredFrame::freezeViewers() {
    while (!viewers.empty()) viewers.back()->freeze();
}

const InternalName* MainMemPredFrame::rowAtRank(int rank) const {
    if (viewed == nullptr) return rows.row(rows.rowAtRank(rank));
    const RelationStore& source = viewed->rows;
    if (std::size_t(viewFrom) + viewOrder.size() != std::size_t(source.size()))
        source.extendOrder(viewOrder, viewFrom);
    return source.row(int(viewOrder[std::size_t(rank)]));
}

Iterator* MainMemPredFrame::getIterator(Iterator* reuse) {
    if (reuse != nullptr) {
        if (reuse->isA("TupleSetIterator")) {
            static_cast<TupleSetIterator*>(reuse)->reset(this, arity);
            return reuse;
        }
        decRef(reuse);
    }
    return new TupleSetIterator(this, arity);
}

int MainMemPredFrame::size() const {
    return viewed != nullptr ? viewed->rows.size() - viewFrom : rows.size();
}

void MainMemPredFrame::clear() {
    freezeViewers();
    if (viewed != nullptr) std::erase(viewed->viewers, this);
    viewed = nullptr;
    viewOrder.clear();
    rows.clear();
}

void MainMemPredFrame::print(OutputChannel& out) const {
    out << "{";
    const int count = size();
    for (int rank = 0; rank < count; ++rank) {
        if (rank > 0) out << "," << std::endl << " ";
        const InternalName* row = rowAtRank(rank);
        out << "(";
        for (int i = 0; i < arity; ++i) {
            if (i > 0) out << ",";
            out << row[i].ToString();
        }
        out << ")";
    }
    out << "}" << std::endl;
}

bool MainMemPredFrame::loadScratch(const InternalName* cells, int count) {
    return copyCells(cells, count, arity, scratch);
}

bool MainMemPredFrame::loadScratch(const clib_list<InternalName>& row) {
    return copyList(row, arity, scratch);
}

namespace {

// True when `cells` can be a row of a frame of that arity (with a scratch row).
bool fitsFrame(const InternalName* cells, int count, int arity, const InternalName* scratch) {
    return scratch != nullptr && count == arity && count >= 0 && count <= MaxRowWidth &&
           (count == 0 || cells != nullptr);
}

}  // namespace

int MainMemPredFrame::insertTuple(const InternalName* cells, int count) {
    if (!fitsFrame(cells, count, arity, scratch)) return 0;
    if (viewed != nullptr) {
        if (viewed->rows.find(cells) >= viewFrom) return 0;
        freeze();
    }
    return rows.insert(cells) ? 1 : 0;
}

int MainMemPredFrame::insertNewTuple(const InternalName* cells, int count) {
    if (!fitsFrame(cells, count, arity, scratch)) return 0;
    if (viewed != nullptr) return insertTuple(cells, count);
    rows.appendNew(cells);
    return 1;
}

bool MainMemPredFrame::containsTuple(const InternalName* cells, int count) {
    if (!fitsFrame(cells, count, arity, scratch)) return false;
    if (viewed != nullptr) return viewed->rows.find(cells) >= viewFrom;
    return rows.contains(cells);
}

int MainMemPredFrame::insertTuple(const clib_list<InternalName>& row) {
    return loadScratch(row) ? insertTuple(scratch, arity) : 0;
}

bool MainMemPredFrame::containsTuple(const clib_list<InternalName>& row) {
    return loadScratch(row) && containsTuple(scratch, arity);
}

int MainMemPredFrame::replaceName(const InternalName& oldName, const InternalName& newName) {
    if (viewed != nullptr) {
        if (!viewed->rows.holds(oldName)) return 0;
        freeze();
    }
    if (!rows.holds(oldName)) return 0;
    freezeViewers();
    return rows.rename(oldName, newName) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// MainMemParamFrame

MainMemParamFrame::MainMemParamFrame(int arity)
    : arity(arity), scratch(newScratch(arity)), cellPool(arity) {}

MainMemParamFrame::~MainMemParamFrame() {
    byArguments.clear();
    rows.clear();
    delete[] scratch;
}

Iterator* MainMemParamFrame::getIterator(Iterator* reuse) {
    return rowIterator<ExtendedTupleSetIterator>(reuse, "ExtendedTupleSetIterator", &rows, arity);
}

int MainMemParamFrame::size() const {
    return rows.size();
}

void MainMemParamFrame::clear() {
    byArguments.clear();
    rows.clear();
    cellPool.clear();
}

void MainMemParamFrame::print(OutputChannel& out) const {
    printRows(rows, out);
}

bool MainMemParamFrame::loadScratch(const InternalName* cells, int count, int width) {
    return arity >= 1 && copyCells(cells, count, width, scratch);
}

void MainMemParamFrame::store(const ExtendedTuple& row) {
    rows.insert(row);
    Tuple arguments(row.cells(), row.argCount());
    if (byArguments.lookup(arguments) == nullptr) byArguments.insert(arguments, row.result());
}

void MainMemParamFrame::unstore(set<ExtendedTuple>::item stored) {
    const ExtendedTuple row = rows.key(stored);
    Tuple arguments(row.cells(), row.argCount());
    auto entry = byArguments.lookup(arguments);
    if (entry != nullptr && byArguments.key(entry).cells() == row.cells()) {
        // The index pointed into this row: the first other row with the same arguments answers
        // from now on. Rows are ordered by their arguments, so those rows are its neighbours and
        // the search stays among them (a rescan from the start made renaming quadratic).
        byArguments.del_item(entry);
        auto answer = decltype(stored){};
        for (auto it = rows.prev_item(stored);
             it != nullptr && compareArguments(rows.key(it), row) == 0; it = rows.prev_item(it))
            answer = it;
        if (answer == nullptr) {
            auto after = rows.next_item(stored);
            if (after != nullptr && compareArguments(rows.key(after), row) == 0) answer = after;
        }
        if (answer != nullptr) {
            const ExtendedTuple& other = rows.key(answer);
            byArguments.insert(Tuple(other.cells(), other.argCount()), other.result());
        }
    }
    rows.del_item(stored);
}

bool MainMemParamFrame::answering(const ExtendedTuple& probe, ExtendedTuple& row) {
    auto entry = byArguments.lookup(Tuple(probe.cells(), probe.argCount()));
    if (entry == nullptr) return false;
    row = ExtendedTuple(byArguments.key(entry).cells(), arity);
    return true;
}

int MainMemParamFrame::insertTuple(const InternalName* cells, int count) {
    if (!loadScratch(cells, count, arity) || rows.member(ExtendedTuple(scratch, arity))) return 0;
    ExtendedTuple row;
    if (!copyOut(scratch, arity, cellPool, row)) return 0;
    store(row);
    return 1;
}

int MainMemParamFrame::lookupResult(const InternalName* args, int count, InternalName& result) {
    if (!loadScratch(args, count, arity - 1)) return 0;
    auto entry = byArguments.lookup(Tuple(scratch, count));
    if (entry == nullptr) return 0;
    result = byArguments.inf(entry);
    return 1;
}

int MainMemParamFrame::lookupResult(const clib_list<InternalName>& args, InternalName& result) {
    if (arity < 1 || !copyList(args, arity - 1, scratch)) return 0;
    return lookupResult(scratch, arity - 1, result);
}

int MainMemParamFrame::insertTuple(const clib_list<InternalName>& row) {
    if (!copyList(row, arity, scratch)) return 0;
    return insertTuple(scratch, arity);
}

int MainMemParamFrame::insertResult(const InternalName* args, int count,
                                    const InternalName& result) {
    InternalName kept = result;  // the caller may pass a cell of the scratch row
    if (!loadScratch(args, count, arity - 1)) return 0;
    scratch[arity - 1] = kept;
    return insertTuple(scratch, arity);
}

int MainMemParamFrame::replaceName(const InternalName& oldName, const InternalName& newName,
                                   clib_dictionary<InternalName, InternalName>& pairs) {
    const auto changed = rowsHolding(rows, oldName);
    for (auto item : changed) {
        ExtendedTuple row = rows.key(item);
        unstore(item);
        rename(row.cells(), row.count(), oldName, newName);
        ExtendedTuple other;
        if (!answering(row, other)) {
            // No row answers for these arguments: this one does, without a second search.
            rows.insert(row);
            byArguments.insert(Tuple(row.cells(), row.argCount()), row.result());
            continue;
        }
        // One argument list can keep one result: a different result of the rewritten row is
        // handed to the caller for equating. Set names count too, or the members of the dropped
        // set would become unreachable.
        const InternalName kept = row.result();
        const InternalName stored = other.result();
        bool present = rows.member(row);
        if (!present && kept != stored &&
            (kept.isConstant() || kept.getType() == InternalName::SetName))
            pairs.insert(kept, stored);
        cellPool.release(row.cells());
    }
    return changed.empty() ? 0 : 2;
}

// Predicate frames and parameter frames: sets of fixed-width rows of identifiers.
#include <algorithm>
#include <ostream>
#include <vector>

#include "compile/TupleSetIterator.h"
#include "foundation/OutputChannel.h"
#include "objectbase/MainMemFrames.h"

namespace {

InternalName* newCells(int count) {
    return new InternalName[count > 0 ? count : 0];
}

bool holds(const InternalName* cells, int count, const InternalName& name) {
    return std::find(cells, cells + count, name) != cells + count;
}

void rename(InternalName* cells, int count, const InternalName& oldName,
            const InternalName& newName) {
    std::replace(cells, cells + count, oldName, newName);
}

// Copies a list of identifiers into `cells`; false (and nothing copied) unless it has `count`
// elements.
bool copyList(const clib_list<InternalName>& list, InternalName* cells, int count) {
    if (list.length() != count) return false;
    int i = 0;
    for (auto it = list.first_item(); it != nullptr; it = list.next_item(it))
        cells[i++] = list.inf(it);
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
        for (int i = 0; i < row.count; ++i) {
            if (i > 0) out << ",";
            out << row.cells[i].ToString();
        }
        out << ")";
        firstRow = false;
    }
    out << "}" << std::endl;
}

// Frees every row's cell array and empties the set.
template <class Row>
void freeRows(set<Row>& rows) {
    for (auto it = rows.first_item(); it != nullptr; it = rows.next_item(it))
        delete[] rows.key(it).cells;
    rows.clear();
}

// The stored rows that hold `name` in some cell.
template <class Row>
std::vector<Row> rowsHolding(const set<Row>& rows, const InternalName& name) {
    std::vector<Row> found;
    for (auto it = rows.first_item(); it != nullptr; it = rows.next_item(it)) {
        const Row& row = rows.key(it);
        if (holds(row.cells, row.count, name)) found.push_back(row);
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

MainMemPredFrame::MainMemPredFrame(int arity) : arity(arity), scratch(newCells(arity)) {}

MainMemPredFrame::~MainMemPredFrame() {
    freeRows(rows);
    delete[] scratch;
}

Iterator* MainMemPredFrame::getIterator(Iterator* reuse) {
    return rowIterator<TupleSetIterator>(reuse, "TupleSetIterator", &rows, arity);
}

int MainMemPredFrame::size() const {
    return rows.size();
}

void MainMemPredFrame::clear() {
    freeRows(rows);
}

void MainMemPredFrame::print(OutputChannel& out) const {
    printRows(rows, out);
}

int MainMemPredFrame::insertTuple(const InternalName* cells, int count) {
    if (count != arity || (cells == nullptr && count > 0)) return 0;
    // The probe only points at the caller's cells; comparisons never write through it.
    Tuple probe(const_cast<InternalName*>(cells), count);
    if (rows.member(probe)) return 0;
    InternalName* copy = newCells(arity);
    std::copy(cells, cells + count, copy);
    rows.insert(Tuple(copy, arity));
    return 1;
}

bool MainMemPredFrame::containsTuple(const InternalName* cells, int count) {
    if (count != arity || (cells == nullptr && count > 0)) return false;
    return rows.member(Tuple(const_cast<InternalName*>(cells), count));
}

int MainMemPredFrame::insertTuple(const clib_list<InternalName>& row) {
    return loadScratch(row) ? insertTuple(scratch, arity) : 0;
}

bool MainMemPredFrame::containsTuple(const clib_list<InternalName>& row) {
    return loadScratch(row) && containsTuple(scratch, arity);
}

bool MainMemPredFrame::loadScratch(const clib_list<InternalName>& row) {
    return copyList(row, scratch, arity);
}

int MainMemPredFrame::replaceName(const InternalName& oldName, const InternalName& newName) {
    std::vector<Tuple> changed = rowsHolding(rows, oldName);
    for (Tuple& row : changed) {
        rows.del(row);
        rename(row.cells, row.count, oldName, newName);
        if (rows.member(row))
            delete[] row.cells;
        else
            rows.insert(row);
    }
    return changed.empty() ? 0 : 1;
}

// ---------------------------------------------------------------------------------------------
// MainMemParamFrame

MainMemParamFrame::MainMemParamFrame(int arity) : arity(arity), scratch(newCells(arity)) {}

MainMemParamFrame::~MainMemParamFrame() {
    byArguments.clear();
    freeRows(rows);
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
    freeRows(rows);
}

void MainMemParamFrame::print(OutputChannel& out) const {
    printRows(rows, out);
}

void MainMemParamFrame::store(const ExtendedTuple& row) {
    rows.insert(row);
    Tuple arguments(row.cells, row.argCount());
    if (byArguments.lookup(arguments) == nullptr) byArguments.insert(arguments, row.result());
}

void MainMemParamFrame::unstore(const ExtendedTuple& row) {
    rows.del(row);
    Tuple arguments(row.cells, row.argCount());
    auto entry = byArguments.lookup(arguments);
    if (entry == nullptr || byArguments.key(entry).cells != row.cells) return;
    // The index pointed into this row: another row with the same arguments answers from now on.
    byArguments.del_item(entry);
    for (auto it = rows.first_item(); it != nullptr; it = rows.next_item(it)) {
        const ExtendedTuple& other = rows.key(it);
        if (compareArguments(other, row) == 0) {
            byArguments.insert(Tuple(other.cells, other.argCount()), other.result());
            break;
        }
    }
}

ExtendedTuple MainMemParamFrame::answering(const ExtendedTuple& probe) {
    auto entry = byArguments.lookup(Tuple(probe.cells, probe.argCount()));
    if (entry == nullptr) return ExtendedTuple();
    return ExtendedTuple(byArguments.key(entry).cells, arity);
}

int MainMemParamFrame::insertTuple(const InternalName* cells, int count) {
    if (count != arity || arity < 1 || cells == nullptr) return 0;
    if (rows.member(ExtendedTuple(const_cast<InternalName*>(cells), count))) return 0;
    InternalName* copy = newCells(arity);
    std::copy(cells, cells + count, copy);
    store(ExtendedTuple(copy, arity));
    return 1;
}

int MainMemParamFrame::lookupResult(const InternalName* args, int count, InternalName& result) {
    if (count != arity - 1 || (args == nullptr && count > 0)) return 0;
    auto entry = byArguments.lookup(Tuple(const_cast<InternalName*>(args), count));
    if (entry == nullptr) return 0;
    result = byArguments.inf(entry);
    return 1;
}

int MainMemParamFrame::lookupResult(const clib_list<InternalName>& args, InternalName& result) {
    if (arity < 1 || !copyList(args, scratch, arity - 1)) return 0;
    return lookupResult(scratch, arity - 1, result);
}

int MainMemParamFrame::insertTuple(const clib_list<InternalName>& row) {
    if (!copyList(row, scratch, arity)) return 0;
    return insertTuple(scratch, arity);
}

int MainMemParamFrame::insertResult(const InternalName* args, int count,
                                    const InternalName& result) {
    if (count != arity - 1 || (args == nullptr && count > 0)) return 0;
    InternalName kept = result;  // the caller may pass a cell of the scratch row
    if (args != scratch) std::copy(args, args + count, scratch);
    scratch[arity - 1] = kept;
    return insertTuple(scratch, arity);
}

int MainMemParamFrame::replaceName(const InternalName& oldName, const InternalName& newName,
                                   clib_dictionary<InternalName, InternalName>& pairs) {
    std::vector<ExtendedTuple> changed = rowsHolding(rows, oldName);
    for (ExtendedTuple& row : changed) {
        unstore(row);
        rename(row.cells, row.count, oldName, newName);
        ExtendedTuple other = answering(row);
        if (other.cells == nullptr) {
            store(row);
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
        delete[] row.cells;
    }
    return changed.empty() ? 0 : 2;
}

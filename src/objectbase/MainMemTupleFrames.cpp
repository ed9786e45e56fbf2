// Predicate frames and parameter frames: sets of fixed-width rows of identifiers.
#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <ostream>
#include <typeinfo>
#include <vector>

#include "foundation/OutputChannel.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/TupleSetIterator.h"

namespace {

// The widest row a Tuple can describe.
constexpr int MaxRowWidth = 32767;

// The scratch row of a frame: room for one row, never stored. Null when none can be had in memory
// that rows can point at; a frame without one takes and finds nothing.
std::unique_ptr<InternalName[]> newScratch(int width) {
    std::unique_ptr<InternalName[]> cells(new (std::nothrow) InternalName[width > 0 ? width : 1]);
    if (cells != nullptr && !RowCells::representable(cells.get())) return nullptr;
    return cells;
}

// Copies `count` cells into the scratch row `scratch` of a frame whose rows are `width` wide;
// false (and nothing copied) when that is not possible.
bool copyCells(const InternalName* cells, int count, int width, InternalName* scratch) {
    if (scratch == nullptr || count != width || count < 0 || count > MaxRowWidth) return false;
    if (count > 0 && cells == nullptr) return false;
    if (cells != scratch) std::copy(cells, cells + count, scratch);
    return true;
}

// Copies a list of identifiers into a row of `width` cells; false (and nothing copied) unless it
// has `width` elements.
bool copyList(const clib_list<InternalName>& list, int width, InternalName* scratch) {
    if (scratch == nullptr || list.length() != width || width > MaxRowWidth) return false;
    int i = 0;
    for (auto it = list.first_item(); it != nullptr; it = list.next_item(it))
        scratch[i++] = list.inf(it);
    return true;
}

// One row in the printed form "(o1,o2)".
void printRow(OutputChannel& out, const InternalName* row, int width) {
    out << "(";
    for (int i = 0; i < width; ++i) {
        if (i > 0) out << ",";
        out << row[i].ToString();
    }
    out << ")";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// MainMemPredFrame

MainMemPredFrame::MainMemPredFrame(int arity)
    : rows(std::make_unique<RelationStore>(arity)), arity(arity), scratch(newScratch(arity)) {}

MainMemPredFrame::~MainMemPredFrame() {
    // Frames die together when the base is cleared: a view just forgets its source, a source its
    // views, whichever goes first.
    for (MainMemPredFrame* viewer : viewers) viewer->viewed = nullptr;
    if (viewed != nullptr) std::erase(viewed->viewers, this);
}

bool MainMemPredFrame::viewRowsAddedTo(MainMemPredFrame* source) {
    if (source == nullptr || source == this || source->arity != arity || source->isView())
        return false;
    freezeViewers();
    if (viewed != nullptr) std::erase(viewed->viewers, this);
    rows->clear();
    viewed = source;
    viewFrom = source->rows->size();
    viewOrder.clear();
    source->viewers.push_back(this);
    return true;
}

void MainMemPredFrame::freeze() {
    if (viewed == nullptr) return;
    MainMemPredFrame* source = viewed;
    std::erase(source->viewers, this);
    viewed = nullptr;
    rows->clear();
    for (int i = viewFrom; i < source->rows->size(); ++i) rows->insert(source->rows->row(i));
    viewOrder.clear();
    viewOrder.shrink_to_fit();
}

void MainMemPredFrame::freezeViewers() {
    while (!viewers.empty()) viewers.back()->freeze();
}

const InternalName* MainMemPredFrame::rowAtRank(int rank) const {
    if (viewed == nullptr) return rows->row(rows->rowAtRank(rank));
    const RelationStore& source = *viewed->rows;
    if (std::size_t(viewFrom) + viewOrder.size() != std::size_t(source.size()))
        source.extendOrder(viewOrder, viewFrom);
    return source.row(int(viewOrder[std::size_t(rank)]));
}

Iterator* MainMemPredFrame::getIterator(Iterator* reuse) {
    auto old = Ref<Iterator>::adopt(reuse);
    if (old) {
        // Exactly the class: an extended one, or an operand's walk, keeps other rows.
        if (typeid(*old) == typeid(TupleSetIterator)) {
            static_cast<TupleSetIterator*>(old.get())->reset(this, arity);
            return old.release();
        }
        old.reset();
    }
    return new TupleSetIterator(this, arity);
}

int MainMemPredFrame::size() const {
    return viewed != nullptr ? viewed->rows->size() - viewFrom : rows->size();
}

void MainMemPredFrame::clear() {
    freezeViewers();
    if (viewed != nullptr) std::erase(viewed->viewers, this);
    viewed = nullptr;
    viewOrder.clear();
    rows->clear();
    if (retired != nullptr) retired->clear();
}

void MainMemPredFrame::restart() {
    // A view's own rows are empty: its readers read its source's store, which only grows.
    if (viewed != nullptr) {
        clear();
        return;
    }
    freezeViewers();
    viewOrder.clear();
    // The rows set aside before go now (a reader still holding them sees the store changed);
    // their store takes the frame's new rows.
    if (retired == nullptr)
        retired = std::make_unique<RelationStore>(arity);
    else
        retired->clear();
    std::swap(rows, retired);
}

void MainMemPredFrame::print(OutputChannel& out) const {
    out << "{";
    const int count = size();
    for (int rank = 0; rank < count; ++rank) {
        if (rank > 0) out << "," << std::endl << " ";
        printRow(out, rowAtRank(rank), arity);
    }
    out << "}" << std::endl;
}

bool MainMemPredFrame::loadScratch(const InternalName* cells, int count) {
    return copyCells(cells, count, arity, scratch.get());
}

bool MainMemPredFrame::loadScratch(const clib_list<InternalName>& row) {
    return copyList(row, arity, scratch.get());
}

namespace {

// True when `cells` can be a row of a frame of that arity (with a scratch row).
bool fitsFrame(const InternalName* cells, int count, int arity, const InternalName* scratch) {
    return scratch != nullptr && count == arity && count >= 0 && count <= MaxRowWidth &&
           (count == 0 || cells != nullptr);
}

}  // namespace

int MainMemPredFrame::insertTuple(const InternalName* cells, int count) {
    if (!fitsFrame(cells, count, arity, scratch.get())) return 0;
    if (viewed != nullptr) {
        if (viewed->rows->find(cells) >= viewFrom) return 0;
        freeze();
    }
    return rows->insert(cells) ? 1 : 0;
}

int MainMemPredFrame::insertTuples(const InternalName* cells, int count, int rows) {
    // A kind of frame of its own may store otherwise than its rows' store does.
    if (typeid(*this) != typeid(MainMemPredFrame) || viewed != nullptr ||
        !fitsFrame(cells, count, arity, scratch.get()))
        return -1;
    return rows <= 0 ? 0 : this->rows->insertRows(cells, rows);
}

int MainMemPredFrame::insertNewTuple(const InternalName* cells, int count) {
    if (!fitsFrame(cells, count, arity, scratch.get())) return 0;
    if (viewed != nullptr) return insertTuple(cells, count);
    rows->appendNew(cells);
    return 1;
}

int MainMemPredFrame::insertNewTuples(const InternalName* cells, int count, int rows) {
    if (rows <= 0 || viewed != nullptr || !fitsFrame(cells, count, arity, scratch.get())) return 0;
    this->rows->appendNewRows(cells, rows);
    return rows;
}

int MainMemPredFrame::adoptNewTuples(GrowingArray<InternalName>& cells, int count, int rows) {
    if (typeid(*this) != typeid(MainMemPredFrame) || viewed != nullptr || rows <= 0 ||
        !fitsFrame(cells.data(), count, arity, scratch.get()))
        return 0;
    const int before = this->rows->size();
    return this->rows->adoptRows(cells, rows) ? rows - before : 0;
}

bool MainMemPredFrame::containsTuple(const InternalName* cells, int count) {
    if (!fitsFrame(cells, count, arity, scratch.get())) return false;
    if (viewed != nullptr) return viewed->rows->find(cells) >= viewFrom;
    return rows->contains(cells);
}

int MainMemPredFrame::insertTuple(const clib_list<InternalName>& row) {
    return loadScratch(row) ? insertTuple(scratch.get(), arity) : 0;
}

bool MainMemPredFrame::containsTuple(const clib_list<InternalName>& row) {
    return loadScratch(row) && containsTuple(scratch.get(), arity);
}

int MainMemPredFrame::replaceName(const InternalName& oldName, const InternalName& newName) {
    if (viewed != nullptr) {
        if (!viewed->rows->holds(oldName)) return 0;
        freeze();
    }
    if (!rows->holds(oldName)) return 0;
    freezeViewers();
    return rows->rename(oldName, newName) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// MainMemParamFrame

namespace {

// A row assembled from a list or from arguments and a result: in place for the usual few cells.
class RowBuffer {
  public:
    explicit RowBuffer(int width) {
        if (width > int(inPlace.size())) spilled.resize(std::size_t(width));
    }
    InternalName* data() { return spilled.empty() ? inPlace.data() : spilled.data(); }

  private:
    std::array<InternalName, 8> inPlace{};
    std::vector<InternalName> spilled;
};

}  // namespace

MainMemParamFrame::MainMemParamFrame(int arity) : rows(arity) {}

MainMemParamFrame::~MainMemParamFrame() = default;

Iterator* MainMemParamFrame::getIterator(Iterator* reuse) {
    auto old = Ref<Iterator>::adopt(reuse);
    if (old) {
        if (typeid(*old) == typeid(ExtendedTupleSetIterator)) {
            static_cast<ExtendedTupleSetIterator*>(old.get())->reset(&rows, rows.width());
            return old.release();
        }
        old.reset();
    }
    return new ExtendedTupleSetIterator(&rows, rows.width());
}

int MainMemParamFrame::size() const {
    return rows.size();
}

void MainMemParamFrame::clear() {
    rows.clear();
}

void MainMemParamFrame::print(OutputChannel& out) const {
    const int width = rows.width();
    out << "{";
    ParamRows::Cursor at;
    bool firstRow = true;
    for (const InternalName* row = rows.first(at); row != nullptr; row = rows.next(at, row)) {
        if (!firstRow) out << "," << std::endl << " ";
        firstRow = false;
        printRow(out, row, width);
    }
    out << "}" << std::endl;
}

int MainMemParamFrame::insertTuple(const InternalName* cells, int count) {
    const int width = rows.width();
    if (width < 1 || count != width || cells == nullptr) return 0;
    return rows.insert(cells) ? 1 : 0;
}

int MainMemParamFrame::lookupResult(const InternalName* args, int count, InternalName& result) {
    const int width = rows.width();
    if (width < 1 || count != width - 1 || (count > 0 && args == nullptr)) return 0;
    const InternalName* answer = rows.answer(args);
    if (answer == nullptr) return 0;
    result = *answer;
    return 1;
}

int MainMemParamFrame::lookupResult(const clib_list<InternalName>& args, InternalName& result) {
    const int width = rows.width();
    RowBuffer cells(width);
    if (width < 1 || !copyList(args, width - 1, cells.data())) return 0;
    return lookupResult(cells.data(), width - 1, result);
}

int MainMemParamFrame::insertTuple(const clib_list<InternalName>& row) {
    const int width = rows.width();
    RowBuffer cells(width);
    if (width < 1 || !copyList(row, width, cells.data())) return 0;
    return insertTuple(cells.data(), width);
}

namespace {
// The row of arguments and result in cells; false when they do not fill a row of the frame.
bool resultRow(int width, const InternalName* args, int count, const InternalName& result,
               RowBuffer& cells) {
    if (width < 1 || count != width - 1 || (count > 0 && args == nullptr)) return false;
    std::copy(args, args + count, cells.data());
    cells.data()[count] = result;
    return true;
}
}  // namespace

int MainMemParamFrame::insertResult(const InternalName* args, int count,
                                    const InternalName& result) {
    const int width = rows.width();
    RowBuffer cells(width);
    if (!resultRow(width, args, count, result, cells)) return 0;
    return insertTuple(cells.data(), width);
}

int MainMemParamFrame::eraseResult(const InternalName* args, int count,
                                   const InternalName& result) {
    const int width = rows.width();
    RowBuffer cells(width);
    if (!resultRow(width, args, count, result, cells)) return 0;
    return rows.erase(cells.data()) ? 1 : 0;
}

int MainMemParamFrame::replaceName(const InternalName& oldName, const InternalName& newName,
                                   clib_dictionary<InternalName, InternalName>& pairs) {
    return rows.replaceName(oldName, newName, pairs) ? 2 : 0;
}

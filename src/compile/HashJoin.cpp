// HashJoin: grouping the right rows by their join cells and meeting them with the left rows.
#include "compile/HashJoin.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <utility>

#include "objectbase/CellHash.h"
#include "platform/ControlEvents.h"

HashJoin::HashJoin(SetOperand* left, SetOperand* right, std::vector<int> leftPositions,
                   std::vector<int> rightPositions, std::vector<Agree> agree,
                   std::vector<Take> take, std::vector<InternalName> cells,
                   std::shared_ptr<JoinTableMemo> memo)
    : left(Ref<SetOperand>::share(left)),
      right(Ref<SetOperand>::share(right)),
      leftPositions(std::move(leftPositions)),
      rightPositions(std::move(rightPositions)),
      agree(std::move(agree)),
      take(std::move(take)),
      cells(std::move(cells)),
      keyWidth(this->leftPositions.size()),
      memo(std::move(memo)) {
    // Whether the result rows are distinct: the columns of both sides fall into classes of
    // columns that must be equal (joined or agreeing); when every class has a taken column, a
    // result row tells the pair of input rows it came from.
    const int leftWidth = left->columnCount();
    const int rightWidth = right->columnCount();
    std::vector<int> parent(std::size_t(leftWidth + rightWidth));
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&parent](int n) {
        while (parent[std::size_t(n)] != n)
            n = parent[std::size_t(n)] = parent[std::size_t(parent[std::size_t(n)])];
        return n;
    };
    auto node = [leftWidth](int slot, int column) {
        return slot == 0 ? column - 1 : leftWidth + column - 1;
    };
    auto unite = [&](int a, int b) { parent[std::size_t(root(a))] = root(b); };
    for (std::size_t k = 0; k < keyWidth; ++k)
        unite(node(0, this->leftPositions[k]), node(1, this->rightPositions[k]));
    for (const Agree& r : this->agree) unite(node(r.slotA, r.columnA), node(r.slotB, r.columnB));
    std::vector<char> taken(parent.size(), 0);
    for (const Take& r : this->take) taken[std::size_t(root(node(r.slot, r.column)))] = 1;
    // Both sides are read in Distinct order (the right one by the table).
    distinct = left->rowsDistinctAsRead(RowOrder::Distinct) &&
               right->rowsDistinctAsRead(RowOrder::Distinct);
    for (int n = 0; n < leftWidth + rightWidth && distinct; ++n)
        distinct = taken[std::size_t(root(n))] != 0;

    // A right row meets only left rows with the same cells in the joined columns, so those
    // cells are read from the left row; the other right cells the result reads are kept in the
    // grouping itself, and the conditions and taken cells of the right side are renumbered to
    // those kept columns.
    auto toLeft = [this](int& slot, int& column) {
        for (std::size_t k = 0; slot == 1 && k < this->rightPositions.size(); ++k)
            if (this->rightPositions[k] == column) {
                slot = 0;
                column = this->leftPositions[k];
            }
    };
    for (Agree& r : this->agree) {
        toLeft(r.slotA, r.columnA);
        toLeft(r.slotB, r.columnB);
    }
    // A condition on a pair of joined columns now reads one left cell twice: the meeting of
    // the join cells holds it already.
    std::erase_if(this->agree,
                  [](const Agree& r) { return r.slotA == r.slotB && r.columnA == r.columnB; });
    for (Take& r : this->take) toLeft(r.slot, r.column);
    // The rows come out ascending when the left rows are met in ascending order and each
    // group's rows ascend by the right cells taken: a result row is its left row's cells, in
    // their order, followed by the right cells taken, so two rows of different left rows are
    // ordered by those, and two of one left row by the right cells. Distinct rows keep the
    // order strict.
    const std::size_t width = this->cells.size();
    std::vector<int> takenAt(width, 0);
    bool layout = distinct && !left->keyed() && left->readsAscendingAtHand() &&
                  width >= std::size_t(leftWidth);
    for (const Take& r : this->take) {
        if (r.cell < 0 || std::size_t(r.cell) >= width || takenAt[std::size_t(r.cell)]++ > 0) {
            layout = false;
            break;
        }
        if (r.cell < leftWidth ? r.slot != 0 || r.column != r.cell + 1 : r.slot != 1)
            layout = false;
    }
    layout = layout && std::find(takenAt.begin(), takenAt.end(), 0) == takenAt.end();
    auto keep = [this](int column) {
        for (std::size_t k = 0; k < rightColumns.size(); ++k)
            if (rightColumns[k] == column) return int(k) + 1;
        rightColumns.push_back(column);
        return int(rightColumns.size());
    };
    // The right cells taken are kept first, in the order of the result's cells: they are the
    // cells that order a group's rows.
    std::vector<Take*> rightTakes;
    for (Take& r : this->take)
        if (r.slot == 1) rightTakes.push_back(&r);
    std::sort(rightTakes.begin(), rightTakes.end(),
              [](const Take* a, const Take* b) { return a->cell < b->cell; });
    for (Take* r : rightTakes) r->column = keep(r->column);
    if (layout) {
        ascending = true;
        orderedCells = rightColumns.size();
    }
    for (Agree& r : this->agree) {
        if (r.slotA == 1) r.columnA = keep(r.columnA);
        if (r.slotB == 1) r.columnB = keep(r.columnB);
    }
}

void HashJoin::group() {
    RowsKey key;
    const bool stored = memo != nullptr && right->sourceKey(key);
    if (stored) table = memo->find(key, rightPositions, rightColumns, orderedCells);
    if (table != nullptr) return;
    // The table reads the right rows twice, or a source that gives each row once (a join's)
    // once: other rows computed on every read are made once.
    if (right->holdsComputedSource() && !right->holdsDistinctSource()) right->storeRows();
    auto built =
        std::make_shared<const JoinTable>(*right, rightPositions, rightColumns, orderedCells);
    if (stored) memo->offer(key, built);
    table = std::move(built);
}

void HashJoin::produce(const RowSink& emit) {
    run(emit, RowOrder::Distinct);
}

void HashJoin::produceAscending(const RowSink& emit) {
    run(emit, ascending ? RowOrder::Ordered : RowOrder::Distinct);
}

void HashJoin::run(const RowSink& emit, RowOrder leftOrder) {
    if (keyWidth == 0) return;
    // The right rows are grouped when the first left row comes, so that a join whose left
    // input turns out empty groups nothing: nobody asks a join over joins whether it is empty
    // first (see SetOperand::emptyAtHand). Both inputs one operand: grouped before it is read.
    if (table == nullptr && left.get() == right.get()) group();
    // The left rows that may meet right rows wait in a small batch, each with its hash, and
    // are met in their order once the batch is full: the table's slot, then its group, then
    // its rows are loaded for all of them before any is read, so that the waits on memory of
    // a large table overlap instead of following one another (measured: a join probing a
    // table of 400,000 groups spent most of its time waiting on those three loads).
    const std::size_t width = std::size_t(left->columnCount());
    struct Waiting {
        std::uint64_t hash;
        std::int64_t group;
    };
    std::array<Waiting, Batch> waiting;
    // Made when the first row waits: a join over a table in the cache needs none.
    std::vector<InternalName> waitingCells;
    std::size_t waitingRows = 0;
    // The batch starts with one row and grows to Batch: a reader that wants one row (an
    // emptiness test) has it as soon as the first left row that meets is read.
    std::size_t batch = 1;
    const InternalName* rowOf[2] = {nullptr, nullptr};
    // Meets a left row with the right rows of its group; false when the reader wants no more.
    auto meet = [&](const InternalName* row, std::int64_t g) {
        rowOf[0] = row;
        for (std::uint32_t at = table->first(g); at < table->end(g); ++at) {
            rowOf[1] = table->row(at);
            bool holds = true;
            for (const Agree& r : agree)
                if (rowOf[r.slotA][r.columnA - 1] != rowOf[r.slotB][r.columnB - 1]) {
                    holds = false;
                    break;
                }
            if (!holds) continue;
            for (const Take& r : take) cells[std::size_t(r.cell)] = rowOf[r.slot][r.column - 1];
            if (!emit(cells.data())) return false;
        }
        return true;
    };
    // Meets the waiting rows with their groups; false when the reader wants no more rows.
    auto meetWaiting = [&]() {
        const std::size_t n = waitingRows;
        waitingRows = 0;
        batch = std::min(Batch, 2 * batch);
        for (std::size_t i = 0; i < n; ++i) table->prefetchGroup(waiting[i].hash);
        for (std::size_t i = 0; i < n; ++i) {
            const InternalName* row = waitingCells.data() + i * width;
            auto cellAt = [this, row](std::size_t k) { return row[leftPositions[k] - 1]; };
            waiting[i].group = table->find(waiting[i].hash, cellAt);
            if (waiting[i].group >= 0) table->prefetchRows(waiting[i].group);
        }
        for (std::size_t i = 0; i < n; ++i)
            if (waiting[i].group >= 0 && !meet(waitingCells.data() + i * width, waiting[i].group))
                return false;
        return true;
    };
    // Ctrl-C or a farewell ends a long join; the evaluator throws the unfinished result away.
    controlEvents::StopPoll stopPoll;
    bool wanted = true;
    left->scan(leftOrder, [&](const RowView& view) {
        const InternalName* row = view.cells;
        if (stopPoll.stop()) return wanted = false;
        if (table == nullptr) group();
        auto cellAt = [this, row](std::size_t k) { return row[leftPositions[k] - 1]; };
        const std::uint64_t hash = hashCellsAt(cellAt, keyWidth);
        if (!table->mayMeet(hash)) return true;
        if (table->rows() <= CachedRows) {
            const std::int64_t g = table->find(hash, cellAt);
            return g < 0 || (wanted = meet(row, g));
        }
        table->prefetchSlot(hash);
        if (waitingCells.empty()) waitingCells.resize(Batch * width);
        waiting[waitingRows].hash = hash;
        std::copy(row, row + width, waitingCells.data() + waitingRows * width);
        if (++waitingRows < batch) return true;
        return wanted = meetWaiting();
    });
    if (wanted && waitingRows > 0) meetWaiting();
}

// CrossProduct: pairing every left row with every right row as the result is read.
#include "compile/CrossProduct.h"

#include <utility>

#include "platform/ControlEvents.h"

CrossProduct::CrossProduct(SetOperand* left, SetOperand* right, std::vector<Take> take,
                           std::vector<InternalName> cells)
    : left(Ref<SetOperand>::share(left)),
      right(Ref<SetOperand>::share(right)),
      take(std::move(take)),
      cells(std::move(cells)) {
    const int widths[2] = {left->columnCount(), right->columnCount()};
    std::vector<char> taken[2] = {std::vector<char>(std::size_t(widths[0]), 0),
                                  std::vector<char>(std::size_t(widths[1]), 0)};
    for (const Take& r : this->take) taken[r.slot][std::size_t(r.column - 1)] = 1;
    distinct = left->rowsDistinct() && right->rowsDistinct();
    for (const std::vector<char>& side : taken)
        for (char t : side) distinct = distinct && t != 0;
}

void CrossProduct::produce(const RowSink& emit) {
    // The right rows are read once per left row: computed ones are stored first, rows read in
    // place are read in place each time.
    if (right->holdsComputedSource()) right->storeRows();
    std::vector<Take> fromLeft;
    std::vector<Take> fromRight;
    for (const Take& r : take) (r.slot == 0 ? fromLeft : fromRight).push_back(r);
    // Ctrl-C or a farewell ends a long product; the evaluator throws the unfinished result away.
    controlEvents::StopPoll stopPoll;
    left->scan(RowOrder::Repeating, [&](const RowView& outer) {
        for (const Take& r : fromLeft) cells[std::size_t(r.cell)] = outer.cells[r.column - 1];
        bool more = true;
        right->scan(RowOrder::Repeating, [&](const RowView& inner) {
            for (const Take& r : fromRight) cells[std::size_t(r.cell)] = inner.cells[r.column - 1];
            more = emit(cells.data()) && !stopPoll.stop();
            return more;
        });
        return more;
    });
}

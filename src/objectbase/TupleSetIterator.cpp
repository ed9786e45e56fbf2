// The walk, class tests and error reports of the tuple-set iterators.
#include "objectbase/TupleSetIterator.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/MainMemFrames.h"

TupleSetIterator::TupleSetIterator(set<Tuple>* rows, int width) : tuples(rows), width(width) {}

TupleSetIterator::TupleSetIterator(set<ExtendedTuple>* rows, int width)
    : extended(rows), width(width) {}

TupleSetIterator::TupleSetIterator(const MainMemPredFrame* rows, int width)
    : frame(rows), width(width) {}

TupleSetIterator::TupleSetIterator(const ParamRows* rows, int width) : params(rows), width(width) {}

void TupleSetIterator::reset(set<Tuple>* newRows, int newWidth) {
    tuples = newRows;
    extended = nullptr;
    frame = nullptr;
    params = nullptr;
    width = newWidth;
    positioned = false;
    current = Item{};
}

void TupleSetIterator::reset(set<ExtendedTuple>* newRows, int newWidth) {
    reset(static_cast<set<Tuple>*>(nullptr), newWidth);
    extended = newRows;
}

void TupleSetIterator::reset(const MainMemPredFrame* newRows, int newWidth) {
    reset(static_cast<set<Tuple>*>(nullptr), newWidth);
    frame = newRows;
}

void TupleSetIterator::reset(const ParamRows* newRows, int newWidth) {
    reset(static_cast<set<Tuple>*>(nullptr), newWidth);
    params = newRows;
}

bool TupleSetIterator::holdParamRow(const InternalName* row) {
    positioned = row != nullptr;
    if (positioned) currentCells.assign(row, row + params->width());
    return positioned;
}

bool TupleSetIterator::first() {
    if (params != nullptr) return holdParamRow(params->first(cursor));
    if (frame != nullptr) {
        rank = 0;
        positioned = frame->size() > 0;
        return positioned;
    }
    if (tuples != nullptr)
        current = tuples->first_item();
    else if (extended != nullptr)
        current = extended->first_item();
    else
        current = Item{};
    positioned = current != Item{};
    return positioned;
}

bool TupleSetIterator::next() {
    if (!positioned) return false;
    if (params != nullptr) return holdParamRow(params->next(cursor, currentCells.data()));
    if (frame != nullptr) {
        positioned = ++rank < frame->size();
        return positioned;
    }
    current = tuples != nullptr ? tuples->next_item(current) : extended->next_item(current);
    positioned = current != Item{};
    return positioned;
}

RowCells TupleSetIterator::currentRow() const {
    if (tuples != nullptr) return tuples->key(current);
    return extended->key(current);
}

InternalName TupleSetIterator::atColumn(int col) {
    if (params != nullptr) {
        if (positioned && col >= 1 && col <= width && std::size_t(col) <= currentCells.size())
            return currentCells[std::size_t(col - 1)];
        reportInvalidUse();
        return InternalName::UndefinedObject;
    }
    if (frame != nullptr) {
        if (positioned && col >= 1 && col <= width && col <= frame->getArity() &&
            rank < frame->size())
            return frame->rowAtRank(rank)[col - 1];
        reportInvalidUse();
        return InternalName::UndefinedObject;
    }
    if (positioned && col >= 1 && col <= width) {
        const RowCells row = currentRow();
        if (col <= row.count()) return row.cells()[col - 1];
    }
    reportInvalidUse();
    return InternalName::UndefinedObject;
}

bool TupleSetIterator::isA(const std::string& className) const {
    return className == "TupleSetIterator";
}

void TupleSetIterator::reportInvalidUse() const {
    centralErrorHandler().report(err6::InvalidUse_8);
}

bool ExtendedTupleSetIterator::isA(const std::string& className) const {
    return className == "ExtendedTupleSetIterator";
}

void ExtendedTupleSetIterator::reportInvalidUse() const {
    centralErrorHandler().report(err6::InvalidUse_7);
}

// DummyIterator: a single row of constants, or none.
#include "access/DummyIterator.h"

#include <algorithm>

DummyIterator::DummyIterator(const InternalName* row, int columns, bool hasRow) {
    reset(row, columns, hasRow);
}

void DummyIterator::reset(const InternalName* row, int columns, bool rowExists) {
    cells.resize(static_cast<std::size_t>(std::max(columns, 0)));
    if (row == nullptr) {
        hasRow = false;
        return;
    }
    std::copy(row, row + cells.size(), cells.begin());
    hasRow = rowExists;
}

bool DummyIterator::first() {
    positioned = hasRow;
    return hasRow;
}

bool DummyIterator::next() {
    positioned = false;
    return false;
}

InternalName DummyIterator::atColumn(int col) {
    if (!positioned || col < 1 || col > columns()) return InternalName::UndefinedObject;
    return cells[static_cast<std::size_t>(col - 1)];
}

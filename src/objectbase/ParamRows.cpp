// Storing, answering, renaming and walking the rows of a ParamRows.
#include "objectbase/ParamRows.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "objectbase/FlatNameMap.h"

namespace {

int compareCells(const InternalName* a, const InternalName* b, int n) {
    for (int i = 0; i < n; ++i) {
        const int c = a[i].compare(b[i]);
        if (c != 0) return c;
    }
    return 0;
}

bool holds(const InternalName* cells, int count, const InternalName& name) {
    return std::find(cells, cells + count, name) != cells + count;
}

// Rows are looked up through records that point at cells without changing them.
InternalName* probeCells(const InternalName* cells) {
    return const_cast<InternalName*>(cells);
}

// A dropped row's result is handed over for equating only when it is a value that can be
// equated: set names count too, or the members of the dropped set would become unreachable.
bool pairable(const InternalName& kept, const InternalName& stored, bool present) {
    return !present && kept != stored &&
           (kept.isConstant() || kept.getType() == InternalName::SetName);
}

}  // namespace

// The rows in a search tree ordered by arguments, then result; the argument list of every stored
// row in a dictionary, keyed by a view of the answering row's cells.
struct ParamRows::Large {
    explicit Large(int width) : width(width), cellPool(width) {}
    ~Large() {
        byArguments.clear();
        rows.clear();
    }

    bool insert(const InternalName* cells) {
        if (rows.member(ExtendedTuple(probeCells(cells), width))) return false;
        InternalName* copy = cellPool.allocate();
        if (copy == nullptr) return false;
        std::copy(cells, cells + width, copy);
        store(ExtendedTuple(copy, width));
        return true;
    }

    void store(const ExtendedTuple& row) {
        rows.insert(row);
        Tuple arguments(row.cells(), row.argCount());
        if (byArguments.lookup(arguments) == nullptr) byArguments.insert(arguments, row.result());
    }

    // Takes a stored row out of the set and the argument index.
    void unstore(set<ExtendedTuple>::item stored) {
        const ExtendedTuple row = rows.key(stored);
        Tuple arguments(row.cells(), row.argCount());
        auto entry = byArguments.lookup(arguments);
        if (entry != nullptr && byArguments.key(entry).cells() == row.cells()) {
            // The index pointed into this row: the first other row with the same arguments
            // answers from now on. Rows are ordered by their arguments, so those rows are its
            // neighbours and the search stays among them.
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

    bool erase(const InternalName* cells) {
        auto stored = rows.lookup(ExtendedTuple(probeCells(cells), width));
        if (stored == nullptr) return false;
        InternalName* held = rows.key(stored).cells();
        unstore(stored);
        cellPool.release(held);
        return true;
    }

    bool replaceName(const InternalName& oldName, const InternalName& newName,
                     clib_dictionary<InternalName, InternalName>& pairs) {
        std::vector<set<ExtendedTuple>::item> changed;
        for (auto it = rows.first_item(); it != nullptr; it = rows.next_item(it))
            if (holds(rows.key(it).cells(), width, oldName)) changed.push_back(it);
        for (auto item : changed) {
            ExtendedTuple row = rows.key(item);
            unstore(item);
            std::replace(row.cells(), row.cells() + width, oldName, newName);
            auto entry = byArguments.lookup(Tuple(row.cells(), row.argCount()));
            if (entry == nullptr) {
                // No row answers for these arguments: this one does.
                rows.insert(row);
                byArguments.insert(Tuple(row.cells(), row.argCount()), row.result());
                continue;
            }
            const InternalName kept = row.result();
            const InternalName stored = byArguments.inf(entry);
            if (pairable(kept, stored, rows.member(row))) pairs.insert(kept, stored);
            cellPool.release(row.cells());
        }
        return !changed.empty();
    }

    // The defining row of each result (see definingRow), made when first asked after a change.
    const InternalName* definingRow(const InternalName& result, std::uint32_t version) {
        if (!byResultMade || byResultVersion != version) {
            byResult.clear();
            for (auto it = rows.first_item(); it != nullptr; it = rows.next_item(it)) {
                const InternalName* row = rows.key(it).cells();
                const InternalName& made = row[width - 1];
                // Ascending: the first row stored for a result is the lowest, and stays.
                if (!holds(row, width - 1, made)) byResult.emplace(made, row);
            }
            byResultMade = true;
            byResultVersion = version;
        }
        auto found = byResult.find(result);
        return found != byResult.end() ? found->second : nullptr;
    }

    int width;
    set<ExtendedTuple> rows;
    clib_dictionary<Tuple, InternalName> byArguments;
    RowCellPool cellPool;
    FlatNameMap<InternalName, const InternalName*> byResult;
    bool byResultMade = false;
    std::uint32_t byResultVersion = 0;
};

ParamRows::ParamRows(int width) : rowWidth(width) {}

ParamRows::~ParamRows() {
    delete[] cells;
}

int ParamRows::size() const {
    return large != nullptr ? large->rows.size() : count;
}

int ParamRows::lowerBound(const InternalName* row, int prefix) const {
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (compareCells(smallRow(middle), row, prefix) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

int ParamRows::answeringSmall(const InternalName* args) const {
    const int argCount = rowWidth - 1;
    for (int i = lowerBound(args, argCount);
         i < count && compareCells(smallRow(i), args, argCount) == 0; ++i)
        if ((answers >> i) & 1u) return i;
    return -1;
}

bool ParamRows::insertSmall(int index, const InternalName* row, bool answering) {
    const std::size_t w = std::size_t(rowWidth);
    if (count == capacity) {
        const int room = capacity == 0 ? 1 : capacity * 2;
        auto* grown = new (std::nothrow) InternalName[std::size_t(room) * w];
        if (grown == nullptr) return false;
        std::copy(cells, cells + std::size_t(count) * w, grown);
        // `row` may be a row of this frame: it is read before the old array goes.
        std::copy(cells + std::size_t(index) * w, cells + std::size_t(count) * w,
                  grown + std::size_t(index + 1) * w);
        std::copy(row, row + w, grown + std::size_t(index) * w);
        delete[] cells;
        cells = grown;
        capacity = std::uint8_t(room);
    } else {
        std::vector<InternalName> copy;
        if (row >= cells && row < cells + std::size_t(capacity) * w) {
            copy.assign(row, row + w);
            row = copy.data();
        }
        std::memmove(static_cast<void*>(smallRow(index + 1)), smallRow(index),
                     std::size_t(count - index) * w * sizeof(InternalName));
        std::copy(row, row + w, smallRow(index));
    }
    const unsigned below = answers & ((1u << index) - 1u);
    const unsigned above = (unsigned(answers) >> index) << (index + 1);
    answers = std::uint16_t(below | above | (answering ? 1u << index : 0u));
    ++count;
    ++version;
    return true;
}

void ParamRows::eraseSmall(int index) {
    const bool answered = ((answers >> index) & 1u) != 0;
    const std::vector<InternalName> args(smallRow(index), smallRow(index) + rowWidth - 1);
    std::memmove(static_cast<void*>(smallRow(index)), smallRow(index + 1),
                 std::size_t(count - index - 1) * std::size_t(rowWidth) * sizeof(InternalName));
    const unsigned below = answers & ((1u << index) - 1u);
    const unsigned above = (unsigned(answers) >> (index + 1)) << index;
    answers = std::uint16_t(below | above);
    --count;
    ++version;
    if (!answered) return;
    const int next = lowerBound(args.data(), rowWidth - 1);
    if (next < count && compareCells(smallRow(next), args.data(), rowWidth - 1) == 0)
        answers = std::uint16_t(answers | (1u << next));
}

bool ParamRows::becomeLarge() {
    auto trees = std::unique_ptr<Large>(new (std::nothrow) Large(rowWidth));
    if (trees == nullptr) return false;
    for (int i = 0; i < count; ++i) {
        InternalName* copy = trees->cellPool.allocate();
        if (copy == nullptr) return false;
        std::copy(smallRow(i), smallRow(i) + rowWidth, copy);
        trees->rows.insert(ExtendedTuple(copy, rowWidth));
        if ((answers >> i) & 1u)
            trees->byArguments.insert(Tuple(copy, rowWidth - 1), copy[rowWidth - 1]);
    }
    delete[] cells;
    cells = nullptr;
    count = 0;
    capacity = 0;
    answers = 0;
    large = std::move(trees);
    ++version;
    return true;
}

bool ParamRows::insert(const InternalName* row) {
    if (!usable()) return false;
    if (large == nullptr) {
        const int at = lowerBound(row, rowWidth);
        if (at < count && compareCells(smallRow(at), row, rowWidth) == 0) return false;
        if (count < SmallLimit) {
            // Rows of one argument list lie together: a neighbour with the same arguments
            // answers already.
            const int argCount = rowWidth - 1;
            const bool taken = (at > 0 && compareCells(smallRow(at - 1), row, argCount) == 0) ||
                               (at < count && compareCells(smallRow(at), row, argCount) == 0);
            return insertSmall(at, row, !taken);
        }
        // The row may be one of the array that is about to go.
        const std::vector<InternalName> copy(row, row + rowWidth);
        if (!becomeLarge()) return false;
        if (!large->insert(copy.data())) return false;
        ++version;
        return true;
    }
    if (!large->insert(row)) return false;
    ++version;
    return true;
}

bool ParamRows::erase(const InternalName* row) {
    if (!usable()) return false;
    if (large == nullptr) {
        const int at = lowerBound(row, rowWidth);
        if (at >= count || compareCells(smallRow(at), row, rowWidth) != 0) return false;
        eraseSmall(at);
        return true;
    }
    if (!large->erase(row)) return false;
    ++version;
    return true;
}

const InternalName* ParamRows::answer(const InternalName* args) const {
    if (!usable()) return nullptr;
    if (large != nullptr) {
        auto entry = large->byArguments.lookup(Tuple(probeCells(args), rowWidth - 1));
        return entry == nullptr ? nullptr : &large->byArguments.inf(entry);
    }
    const int at = answeringSmall(args);
    return at < 0 ? nullptr : smallRow(at) + rowWidth - 1;
}

bool ParamRows::replaceNameSmall(const InternalName& oldName, const InternalName& newName,
                                 clib_dictionary<InternalName, InternalName>& pairs) {
    const std::size_t w = std::size_t(rowWidth);
    // The rows to rewrite, copied: rows are found again by their cells, which stay unique.
    std::vector<InternalName> changed;
    for (int i = 0; i < count; ++i)
        if (holds(smallRow(i), rowWidth, oldName))
            changed.insert(changed.end(), smallRow(i), smallRow(i) + w);
    for (std::size_t from = 0; from < changed.size(); from += w) {
        InternalName* row = changed.data() + from;
        eraseSmall(lowerBound(row, rowWidth));
        std::replace(row, row + w, oldName, newName);
        const int answering = answeringSmall(row);
        const int at = lowerBound(row, rowWidth);
        if (answering < 0) {
            // Taking a row out left room for it: this cannot fail.
            insertSmall(at, row, true);
            continue;
        }
        const bool present = at < count && compareCells(smallRow(at), row, rowWidth) == 0;
        const InternalName kept = row[w - 1];
        const InternalName stored = smallRow(answering)[w - 1];
        if (pairable(kept, stored, present)) pairs.insert(kept, stored);
    }
    return !changed.empty();
}

bool ParamRows::replaceName(const InternalName& oldName, const InternalName& newName,
                            clib_dictionary<InternalName, InternalName>& pairs) {
    if (!usable()) return false;
    const bool changed = large != nullptr ? large->replaceName(oldName, newName, pairs)
                                          : replaceNameSmall(oldName, newName, pairs);
    if (changed) ++version;
    return changed;
}

void ParamRows::clear() {
    large.reset();
    delete[] cells;
    cells = nullptr;
    count = 0;
    capacity = 0;
    answers = 0;
    ++version;
}

const InternalName* ParamRows::definingRow(const InternalName& result) const {
    if (!usable()) return nullptr;
    if (large != nullptr) return large->definingRow(result, version);
    for (int index = 0; index < count; ++index) {
        const InternalName* row = smallRow(index);
        if (row[rowWidth - 1] == result && !holds(row, rowWidth - 1, result)) return row;
    }
    return nullptr;
}

const InternalName* ParamRows::first(Cursor& at) const {
    at.version = version;
    if (large != nullptr) {
        at.item = large->rows.first_item();
        return at.item != nullptr ? large->rows.key(at.item).cells() : nullptr;
    }
    at.index = 0;
    return count > 0 ? smallRow(0) : nullptr;
}

const InternalName* ParamRows::next(Cursor& at, const InternalName* current) const {
    if (large != nullptr) {
        const set<ExtendedTuple>& rows = large->rows;
        if (at.version != version || at.item == nullptr) {
            // Rows came or went since: find the place again by the row's cells.
            at.item = rows.lookup(ExtendedTuple(probeCells(current), rowWidth));
            if (at.item == nullptr) {
                auto it = rows.first_item();
                while (it != nullptr && compareCells(rows.key(it).cells(), current, rowWidth) <= 0)
                    it = rows.next_item(it);
                at.version = version;
                at.item = it;
                return it != nullptr ? rows.key(it).cells() : nullptr;
            }
        }
        at.version = version;
        at.item = rows.next_item(at.item);
        return at.item != nullptr ? rows.key(at.item).cells() : nullptr;
    }
    if (at.version != version) {
        at.version = version;
        std::uint32_t index = std::uint32_t(lowerBound(current, rowWidth));
        if (index < count && compareCells(smallRow(int(index)), current, rowWidth) == 0) ++index;
        at.index = index;
    } else {
        ++at.index;
    }
    return at.index < count ? smallRow(int(at.index)) : nullptr;
}

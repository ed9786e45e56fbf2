// Storing, answering, renaming and walking the rows of a ParamRows.
#include "objectbase/ParamRows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/FlatHashTable.h"
#include "objectbase/CellHash.h"
#include "objectbase/FlatNameMap.h"
#include "platform/GrowingArray.h"
#include "platform/LargeArrays.h"

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

// A dropped row's result is handed over for equating only when it is a value that can be
// equated: set names count too, or the members of the dropped set would become unreachable.
bool pairable(const InternalName& kept, const InternalName& stored, bool present) {
    return !present && kept != stored &&
           (kept.isConstant() || kept.getType() == InternalName::SetName);
}

}  // namespace

// The rows of a large frame in one flat array, numbered in the order they came, with two hash
// indexes over the numbers (whole rows; the argument list of each answering row) and the numbers
// in ascending row order beside them. The rows used to sit in a search tree with a dictionary of
// answering rows: two tree nodes and a pooled cell array per row.
//
// A row taken out stays in the array, marked gone, so that numbers and the order stay valid; the
// ascending order skips it. New rows are sorted and merged into the order when it is next read.
// Once the gone rows outnumber the others the array is rebuilt from the rows still held.
struct ParamRows::Large {
    // A row's marks.
    static constexpr std::uint8_t Held = 1;
    static constexpr std::uint8_t Answers = 2;

    explicit Large(int width) : width(width) {}

    const InternalName* row(std::uint32_t number) const {
        return cells.data() + std::size_t(number) * std::size_t(width);
    }
    bool held(std::uint32_t number) const { return (marks[number] & Held) != 0; }
    std::uint64_t hashOfRow(const InternalName* cells) const {
        return hashCells(cells, std::size_t(width));
    }
    std::uint64_t hashOfArgs(const InternalName* cells) const {
        return hashCells(cells, std::size_t(width - 1));
    }
    // The number of the held row equal to `cells`, or -1.
    std::int64_t find(const InternalName* cells) const {
        hashPending();
        return rows.find(hashOfRow(cells),
                         [&](std::uint32_t n) { return compareCells(row(n), cells, width) == 0; });
    }
    // Puts the held rows appended since the whole-row index was last used into it.
    void hashPending() const {
        if (hashedRows == marks.size()) return;
        rows.reserve(marks.size() - hashedRows, EntryIndex::hashOf);
        for (auto n = std::uint32_t(hashedRows); n < marks.size(); ++n)
            if (held(n)) rows.add(hashOfRow(row(n)), n);
        hashedRows = marks.size();
    }
    // Whether the arguments lie above those of every row, so that no row answers for them: the
    // rows have come with ascending arguments so far, and these are above the last row's.
    bool above(const InternalName* args) const {
        return argsAscend &&
               (marks.size() == 0 || compareCells(args, row(lastRow()), width - 1) > 0);
    }
    std::uint32_t lastRow() const { return std::uint32_t(marks.size() - 1); }
    // The last row when it answers for exactly these arguments, or -1: a head asking twice in a
    // row for the term it has just made finds it without indexing the rows that wait.
    std::int64_t answeringLast(const InternalName* args) const {
        if (!argsAscend || marks.size() == 0 ||
            (marks[lastRow()] & (Held | Answers)) != (Held | Answers))
            return -1;
        return compareCells(args, row(lastRow()), width - 1) == 0 ? std::int64_t(lastRow()) : -1;
    }
    // Puts the answering rows appended above the others since the index of arguments was last
    // used into it, in one step sized for them (and for the rows reserve promised).
    void indexPending() const {
        if (indexedArgs == marks.size()) return;
        const std::size_t pending = marks.size() - indexedArgs;
        const std::size_t promised = promisedRows > marks.size() ? promisedRows - marks.size() : 0;
        byArguments.reserve(pending + promised, EntryIndex::hashOf);
        promisedRows = 0;
        for (auto n = std::uint32_t(indexedArgs); n < marks.size(); ++n)
            if ((marks[n] & Answers) != 0) byArguments.add(hashOfArgs(row(n)), n);
        indexedArgs = marks.size();
    }
    // The number of the row answering for the arguments, or -1.
    std::int64_t answering(const InternalName* args) const {
        if (above(args)) return -1;
        if (const std::int64_t last = answeringLast(args); last >= 0) return last;
        indexPending();
        return byArguments.find(hashOfArgs(args), [&](std::uint32_t n) {
            return compareCells(row(n), args, width - 1) == 0;
        });
    }
    // The number of the row answering for the arguments, or -1 with `vacancy` set to where
    // they would be indexed.
    std::int64_t answering(const InternalName* args, Vacancy& vacancy) const {
        if (above(args)) {
            vacancy = Vacancy{0, 0, 0, true, true};
            return -1;
        }
        if (const std::int64_t last = answeringLast(args); last >= 0) return last;
        indexPending();
        const std::uint64_t hash = hashOfArgs(args);
        vacancy = Vacancy{hash, 0, 0, false};
        if (byArguments.capacity() == 0) return -1;
        const auto h = std::uint32_t(hash);
        const std::size_t at = byArguments.probe(hash, [&](const EntrySlot& slot) {
            return slot.hash == h && compareCells(row(slot.number()), args, width - 1) == 0;
        });
        if (!byArguments[at].isFree()) return byArguments[at].number();
        vacancy.slot = at;
        vacancy.known = true;
        return -1;
    }
    // Appends the row (args, result) of arguments no row holds, answering for them, into the
    // slot of byArguments `vacancy` found when the index has not grown since.
    void appendAnswering(const InternalName* args, const InternalName& result,
                         const Vacancy& vacancy) {
        const auto number = std::uint32_t(marks.size());
        const auto argCount = std::size_t(width - 1);
        // `args` may lie in this store's rows: copied before the array grows.
        if (args >= cells.data() && args < cells.data() + cells.size()) {
            const std::vector<InternalName> copy(args, args + argCount);
            appendAnswering(copy.data(), result, Vacancy{vacancy.hash, 0, 0, false, vacancy.above});
            return;
        }
        if (marks.size() == marks.capacity()) [[unlikely]]
            grow(1);
        for (std::size_t k = 0; k < argCount; ++k) cells.pushWithin(args[k]);
        cells.pushWithin(result);
        marks.pushWithin(Held | Answers);
        sharing.pushWithin(1);
        ++heldCount;
        // Above every row: it joins the index of arguments when the index is next used.
        if (vacancy.above) return;
        // Below the last row (answering found none above): the rows ascend no more.
        argsAscend = false;
        indexedArgs = marks.size();
        const bool moved = byArguments.reserve(1, EntryIndex::hashOf);
        if (vacancy.known && !moved)
            byArguments.fill(vacancy.slot, EntrySlot{number + 1, std::uint32_t(vacancy.hash)});
        else
            byArguments.add(vacancy.hash, number);
    }
    static void unindex(EntryIndex& index, std::uint64_t hash, std::uint32_t number) {
        const std::size_t at =
            index.probe(hash, [number](const EntrySlot& slot) { return slot.number() == number; });
        if (!index[at].isFree()) index.erase(at, EntryIndex::hashOf);
    }
    void answerBy(std::uint32_t number) {
        marks[number] |= Answers;
        byArguments.add(hashOfArgs(row(number)), number);
    }

    // Room for `more` rows beyond those held in the row arrays; they at least double when they
    // grow, so that rows coming one by one, or hints of a few rows each, cost one growth per
    // doubling. A large array grows by remapping its pages (see GrowingArray): a frame of
    // millions of rows filled without a count ahead used to fault its pages in and copy its
    // rows at every doubling (measured: a 4-cycle head making 6 M objects spent a fifth of its
    // run there).
    void grow(std::size_t more) {
        const std::size_t want = marks.size() + more;
        if (want <= marks.capacity()) return;
        const std::size_t to = std::max({want, 2 * marks.capacity(), std::size_t(16)});
        cells.reserve(to * std::size_t(width));
        marks.reserve(to);
        sharing.reserve(to);
        // A lookup by arguments reads the cells of the row its hash names, anywhere in them.
        largeArrays::adviseRandomReads(cells.data(), cells.capacity() * sizeof(InternalName));
    }
    // Room for `more` rows beyond those held, in the arrays and the index of arguments. While
    // the rows ascend the index is only promised the room: rows that keep ascending never
    // need it.
    void reserve(std::size_t more) {
        grow(more);
        if (argsAscend)
            promisedRows = std::max(promisedRows, marks.size() + more);
        else
            byArguments.reserve(more, EntryIndex::hashOf);
    }
    // Appends the row, answering for its arguments when no row does; false when it is held.
    bool insert(const InternalName* cells) {
        // Arguments no row answers for are held by no row (some row answers while any holds
        // them): the row is new without a probe of its own. So the row of a function term's new
        // object (found missing by its arguments just before) costs one probe, not two.
        const std::int64_t answer = answering(cells);
        if (answer >= 0) {
            if (find(cells) >= 0) return false;
            ++sharing[std::size_t(answer)];
        }
        append(cells, answer < 0);
        return true;
    }
    // Appends a row that is not held; `answers` when no row answers for its arguments (else the
    // caller counts it with the answering row).
    void append(const InternalName* from, bool answers) {
        const auto number = std::uint32_t(marks.size());
        // `from` may be a row of this store: its place is kept across the growth.
        const auto at = reinterpret_cast<std::uintptr_t>(from);
        const auto first = reinterpret_cast<std::uintptr_t>(cells.data());
        const bool own = at >= first && at < first + cells.size() * sizeof(InternalName);
        const std::size_t offset = own ? (at - first) / sizeof(InternalName) : 0;
        grow(1);
        if (own) from = cells.data() + offset;
        // A row above every other waits for the index like appendAnswering's.
        const bool waits = answers && above(from);
        if (!waits) {
            indexPending();
            argsAscend = false;
        }
        for (int k = 0; k < width; ++k) cells.pushWithin(from[k]);
        marks.pushWithin(Held);
        sharing.pushWithin(1);
        ++heldCount;
        if (waits) {
            marks[number] |= Answers;
            return;
        }
        if (answers) answerBy(number);
        indexedArgs = marks.size();
    }

    // The held rows in ascending order (gone rows among them, marked).
    const std::vector<std::uint32_t>& ascending() const {
        if (sortedUpTo < marks.size()) mergeNew();
        return order;
    }
    void mergeNew() const {
        const auto before = [this](std::uint32_t a, std::uint32_t b) {
            return compareCells(row(a), row(b), width) < 0;
        };
        const std::size_t middle = order.size();
        for (auto n = std::uint32_t(sortedUpTo); n < marks.size(); ++n) order.push_back(n);
        sortedUpTo = marks.size();
        std::sort(order.begin() + std::ptrdiff_t(middle), order.end(), before);
        std::inplace_merge(order.begin(), order.begin() + std::ptrdiff_t(middle), order.end(),
                           before);
    }
    // The first place in the order whose row is not below `cells` in its first `prefix` cells.
    std::size_t lowerBound(const InternalName* cells, int prefix) const {
        const std::vector<std::uint32_t>& sorted = ascending();
        return std::size_t(std::lower_bound(sorted.begin(), sorted.end(), cells,
                                            [&](std::uint32_t n, const InternalName* key) {
                                                return compareCells(row(n), key, prefix) < 0;
                                            }) -
                           sorted.begin());
    }
    // The first place from `at` on whose row is held, or the order's end.
    std::size_t heldFrom(std::size_t at) const {
        const std::vector<std::uint32_t>& sorted = ascending();
        while (at < sorted.size() && !held(sorted[at])) ++at;
        return at;
    }

    // The lowest held row other than `number` with the arguments of row `number`, or -1. The
    // rows in the order are searched by bisection, those added since one by one.
    std::int64_t lowestSharing(std::uint32_t number) const {
        const InternalName* args = row(number);
        std::int64_t lowest = -1;
        auto at = std::lower_bound(order.begin(), order.end(), args,
                                   [&](std::uint32_t n, const InternalName* key) {
                                       return compareCells(row(n), key, width - 1) < 0;
                                   });
        for (; at != order.end() && compareCells(row(*at), args, width - 1) == 0; ++at)
            if (held(*at) && *at != number) {
                lowest = *at;
                break;
            }
        for (auto n = std::uint32_t(sortedUpTo); n < marks.size(); ++n)
            if (held(n) && n != number && compareCells(row(n), args, width - 1) == 0 &&
                (lowest < 0 || compareCells(row(n), row(std::uint32_t(lowest)), width) < 0))
                lowest = n;
        return lowest;
    }

    // Takes row `number` out; when it answered, the lowest other row of its arguments answers.
    void unstore(std::uint32_t number) {
        hashPending();
        indexPending();
        rows.erase(rows.probe(hashOfRow(row(number)),
                              [number](const EntrySlot& slot) { return slot.number() == number; }),
                   EntryIndex::hashOf);
        if ((marks[number] & Answers) == 0) {
            --sharing[std::size_t(answering(row(number)))];
        } else {
            unindex(byArguments, hashOfArgs(row(number)), number);
            // Only a row whose arguments other rows share looks for the one answering next.
            if (sharing[number] > 1) {
                const std::int64_t next = lowestSharing(number);
                if (next >= 0) {
                    answerBy(std::uint32_t(next));
                    sharing[std::size_t(next)] = sharing[number] - 1;
                }
            }
        }
        marks[number] = 0;
        --heldCount;
        ++gone;
    }

    bool erase(const InternalName* cells) {
        const std::int64_t number = find(cells);
        if (number < 0) return false;
        unstore(std::uint32_t(number));
        compactIfSparse();
        return true;
    }

    bool replaceName(const InternalName& oldName, const InternalName& newName,
                     clib_dictionary<InternalName, InternalName>& pairs) {
        std::vector<std::uint32_t> changed;
        for (const std::uint32_t n : ascending())
            if (held(n) && holds(row(n), width, oldName)) changed.push_back(n);
        std::vector<InternalName> renamed(static_cast<std::size_t>(width));
        for (const std::uint32_t number : changed) {
            std::copy(row(number), row(number) + width, renamed.begin());
            unstore(number);
            std::replace(renamed.begin(), renamed.end(), oldName, newName);
            const std::int64_t answer = answering(renamed.data());
            if (answer < 0) {
                // No row answers for these arguments: this one does.
                append(renamed.data(), true);
                continue;
            }
            const InternalName kept = renamed.back();
            const InternalName stored = row(std::uint32_t(answer))[width - 1];
            if (pairable(kept, stored, find(renamed.data()) >= 0)) pairs.insert(kept, stored);
        }
        compactIfSparse();
        return !changed.empty();
    }

    // Rebuilds the array from the held rows once most rows are gone, in ascending order.
    void compactIfSparse() {
        if (gone <= heldCount || gone < 64) return;
        GrowingArray<InternalName> keptCells;
        GrowingArray<std::uint8_t> keptMarks;
        GrowingArray<std::uint32_t> keptSharing;
        keptCells.reserve(heldCount * std::size_t(width));
        keptMarks.reserve(heldCount);
        keptSharing.reserve(heldCount);
        for (const std::uint32_t n : ascending())
            if (held(n)) {
                keptCells.append(row(n), std::size_t(width));
                keptMarks.pushWithin(marks[n]);
                keptSharing.pushWithin(sharing[n]);
            }
        cells = std::move(keptCells);
        marks = std::move(keptMarks);
        sharing = std::move(keptSharing);
        gone = 0;
        rows.release();
        hashedRows = 0;
        byArguments.release();
        order.clear();
        for (auto n = std::uint32_t(0); n < marks.size(); ++n) {
            if ((marks[n] & Answers) != 0) byArguments.add(hashOfArgs(row(n)), n);
            order.push_back(n);
        }
        sortedUpTo = marks.size();
        indexedArgs = marks.size();
        // Rows of one argument list may now lie side by side: they no longer ascend by it.
        argsAscend = false;
    }

    // The defining row of each result (see definingRow), made when first asked after a change.
    const InternalName* definingRow(const InternalName& result, std::uint32_t version) {
        if (!byResultMade || byResultVersion != version) {
            byResult.clear();
            for (const std::uint32_t n : ascending()) {
                if (!held(n)) continue;
                const InternalName* cells = row(n);
                const InternalName& made = cells[width - 1];
                // Ascending: the first row stored for a result is the lowest, and stays.
                if (!holds(cells, width - 1, made)) byResult.emplace(made, cells);
            }
            byResultMade = true;
            byResultVersion = version;
        }
        auto found = byResult.find(result);
        return found != byResult.end() ? found->second : nullptr;
    }

    int width;
    // Row n's cells at n * width, and its marks at n. An answering row's `sharing` counts the
    // held rows of its arguments (itself among them).
    GrowingArray<InternalName> cells;
    GrowingArray<std::uint8_t> marks;
    GrowingArray<std::uint32_t> sharing;
    std::size_t heldCount = 0;
    std::size_t gone = 0;
    // Whole rows, and the arguments of each answering row, to their numbers. Whole rows are
    // looked up only to drop a repeat of a row whose arguments are answered for already, or to
    // take a row out: rows join their index when it is next used (see hashPending), so that a
    // function term's new object costs its frame one random insert, not two.
    mutable EntryIndex rows;
    mutable std::size_t hashedRows = 0;
    // The index of arguments holds the answering rows numbered below indexedArgs. While every
    // row came with arguments above those of the rows before it (argsAscend), a new one needs
    // no probe: above the last row, its arguments are new. Such rows wait here, unindexed, and
    // are indexed in one step when an argument list that is not above is looked up. A rule head
    // making an object per row of an ordered join (6 M objects of a 4-cycle) used to grow the
    // index by doubling, rehashing its slots and faulting in fresh pages at every step, and
    // probed it at random once per object; an index never asked is never built.
    mutable EntryIndex byArguments;
    mutable std::size_t indexedArgs = 0;
    bool argsAscend = true;
    // The rows reserve announced while the rows ascended: the index, once built, has room for
    // them.
    mutable std::size_t promisedRows = 0;
    // Row numbers in ascending row order; the rows numbered below sortedUpTo are in it.
    mutable std::vector<std::uint32_t> order;
    mutable std::size_t sortedUpTo = 0;
    FlatNameMap<InternalName, const InternalName*> byResult;
    bool byResultMade = false;
    std::uint32_t byResultVersion = 0;
};

ParamRows::ParamRows(int width) : rowWidth(width) {}

ParamRows::~ParamRows() = default;

int ParamRows::size() const {
    return large != nullptr ? int(large->heldCount) : count;
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
        std::unique_ptr<InternalName[]> grown(new (std::nothrow)
                                                  InternalName[std::size_t(room) * w]);
        if (grown == nullptr) return false;
        InternalName* const from = cells.get();
        std::copy(from, from + std::size_t(index) * w, grown.get());
        // `row` may be a row of this frame: it is read before the old array goes.
        std::copy(from + std::size_t(index) * w, from + std::size_t(count) * w,
                  grown.get() + std::size_t(index + 1) * w);
        std::copy(row, row + w, grown.get() + std::size_t(index) * w);
        cells = std::move(grown);
        capacity = std::uint8_t(room);
    } else {
        std::vector<InternalName> copy;
        if (row >= cells.get() && row < cells.get() + std::size_t(capacity) * w) {
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
    auto flat = std::unique_ptr<Large>(new (std::nothrow) Large(rowWidth));
    if (flat == nullptr) return false;
    flat->argsAscend = argumentIndex == ArgumentIndex::Ascending;
    // The small rows are ascending already.
    for (int i = 0; i < count; ++i) flat->append(smallRow(i), ((answers >> i) & 1u) != 0);
    for (int i = 0; i < count; ++i)
        if (((answers >> i) & 1u) == 0) ++flat->sharing[std::size_t(flat->answering(smallRow(i)))];
    cells.reset();
    count = 0;
    capacity = 0;
    answers = 0;
    large = std::move(flat);
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

void ParamRows::reserve(std::size_t more) {
    if (!usable()) return;
    if (large == nullptr) {
        if (std::size_t(count) + more <= std::size_t(SmallLimit) || !becomeLarge()) return;
    }
    large->reserve(more);
    // A vacancy found before may lie in the index's old slots.
    ++version;
}

const InternalName* ParamRows::answer(const InternalName* args) const {
    if (!usable()) return nullptr;
    if (large != nullptr) {
        const std::int64_t answer = large->answering(args);
        return answer < 0 ? nullptr : large->row(std::uint32_t(answer)) + rowWidth - 1;
    }
    const int at = answeringSmall(args);
    return at < 0 ? nullptr : smallRow(at) + rowWidth - 1;
}

bool ParamRows::ascending() const {
    return large != nullptr && large->argsAscend;
}

void ParamRows::prefetch(const InternalName* args) const {
    // Arguments above every row are not looked up in the index.
    if (large != nullptr && usable() && !large->above(args))
        large->byArguments.prefetch(large->hashOfArgs(args));
}

const InternalName* ParamRows::answer(const InternalName* args, Vacancy& vacancy) const {
    vacancy = Vacancy{};
    if (large == nullptr || !usable()) return answer(args);
    const std::int64_t answer = large->answering(args, vacancy);
    vacancy.version = version;
    return answer < 0 ? nullptr : large->row(std::uint32_t(answer)) + rowWidth - 1;
}

bool ParamRows::addAnswering(const InternalName* args, const InternalName& result,
                             const Vacancy& vacancy) {
    if (!usable()) return false;
    if (large == nullptr || vacancy.version != version || !vacancy.known) {
        // The small array, or rows changed since the look: the general road.
        std::vector<InternalName> row(args, args + rowWidth - 1);
        row.push_back(result);
        return insert(row.data());
    }
    large->appendAnswering(args, result, vacancy);
    ++version;
    return true;
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
    cells.reset();
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
    at.index = 0;
    if (large != nullptr) {
        at.index = std::uint32_t(large->heldFrom(0));
        const std::vector<std::uint32_t>& sorted = large->ascending();
        return at.index < sorted.size() ? large->row(sorted[at.index]) : nullptr;
    }
    return count > 0 ? smallRow(0) : nullptr;
}

const InternalName* ParamRows::next(Cursor& at, const InternalName* current) const {
    if (large != nullptr) {
        const std::vector<std::uint32_t>& sorted = large->ascending();
        std::size_t place = at.index;
        if (at.version != version) {
            // Rows came or went since: find the place again by the row's cells.
            place = large->lowerBound(current, rowWidth);
            if (place < sorted.size() &&
                compareCells(large->row(sorted[place]), current, rowWidth) == 0)
                ++place;
        } else {
            ++place;
        }
        at.version = version;
        at.index = std::uint32_t(large->heldFrom(place));
        return at.index < sorted.size() ? large->row(sorted[at.index]) : nullptr;
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

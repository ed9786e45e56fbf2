// HashJoin: grouping the right rows by join value and meeting them with the left rows.
#include "compile/HashJoin.h"

#include <utility>

std::size_t HashJoin::CellsHash::operator()(const std::vector<InternalName>& cells) const {
    std::uint64_t h = 1469598103934665603ULL;
    for (const InternalName& c : cells) {
        h = (h ^ std::uint32_t(c.getValue())) * 1099511628211ULL;
        h = (h ^ std::uint32_t(c.getType() << 8 | (c.getArity() & 0xff))) * 1099511628211ULL;
    }
    return std::size_t(h);
}

HashJoin::HashJoin(SetOperand* left, SetOperand* right, std::vector<int> leftPositions,
                   std::vector<int> rightPositions, std::vector<Agree> agree,
                   std::vector<Take> take, std::vector<InternalName> cells)
    : left(left),
      right(right),
      leftPositions(std::move(leftPositions)),
      rightPositions(std::move(rightPositions)),
      agree(std::move(agree)),
      take(std::move(take)),
      cells(std::move(cells)),
      key(this->leftPositions.size()) {
    incRef(left);
    incRef(right);
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
    for (Take& r : this->take) toLeft(r.slot, r.column);
    auto keep = [this](int column) {
        for (std::size_t k = 0; k < rightColumns.size(); ++k)
            if (rightColumns[k] == column) return int(k) + 1;
        rightColumns.push_back(column);
        return int(rightColumns.size());
    };
    for (Agree& r : this->agree) {
        if (r.slotA == 1) r.columnA = keep(r.columnA);
        if (r.slotB == 1) r.columnB = keep(r.columnB);
    }
    for (Take& r : this->take)
        if (r.slot == 1) r.column = keep(r.column);
}

HashJoin::~HashJoin() {
    decRef(left);
    decRef(right);
}

bool HashJoin::valueOf(const InternalName* row, const std::vector<int>& positions, bool add,
                       InternalName& value) {
    if (positions.size() == 1) {
        value = row[positions.front() - 1];
        return true;
    }
    for (std::size_t k = 0; k < key.size(); ++k) key[k] = row[positions[k] - 1];
    auto at = combinations.find(key);
    if (at == combinations.end()) {
        if (!add) return false;
        at = combinations.emplace(key, std::int32_t(combinations.size())).first;
    }
    value = InternalName(at->second, InternalName::Integer, 0);
    return true;
}

std::size_t HashJoin::slotOf(const InternalName& value) const {
    const std::size_t mask = table.size() - 1;
    const std::uint64_t word = std::uint32_t(value.getValue()) |
                               std::uint64_t(std::uint8_t(value.getType())) << 32 |
                               std::uint64_t(std::uint8_t(value.getArity())) << 40;
    std::uint64_t h = word * 0x9E3779B97F4A7C15ULL;
    std::size_t at = std::size_t(h ^ (h >> 29)) & mask;
    while (table[at].id != 0 && table[at].value != value) at = (at + 1) & mask;
    return at;
}

void HashJoin::group() {
    grouped = true;
    // Two passes over the right rows: the first takes their join values, then the groups are
    // numbered and counted, and the second copies each row's kept cells to its group's place.
    std::vector<InternalName> rightValues;
    right->forEachDistinctRow([&](const InternalName* row) {
        InternalName value;
        valueOf(row, rightPositions, true, value);
        rightValues.push_back(value);
    });
    std::size_t capacity = 16;
    while (capacity < rightValues.size() * 2) capacity *= 2;
    table.assign(capacity, Group{});
    std::vector<std::uint32_t> groupOfRow(rightValues.size());
    for (std::size_t i = 0; i < rightValues.size(); ++i) {
        Group& g = table[slotOf(rightValues[i])];
        if (g.id == 0) {
            g.value = rightValues[i];
            g.id = std::uint32_t(starts.size()) + 1;
            starts.push_back(0);
        }
        groupOfRow[i] = g.id - 1;
        ++starts[g.id - 1];
    }
    rightValues = {};
    std::uint32_t total = 0;
    for (std::uint32_t& s : starts) {
        const std::uint32_t n = s;
        s = total;
        total += n;
    }
    starts.push_back(total);
    const std::size_t width = rightColumns.size();
    groupedCells.assign(std::size_t(total) * width, InternalName::UndefinedObject);
    std::vector<std::uint32_t> fill(starts.begin(), starts.end() - 1);
    std::size_t i = 0;
    right->forEachDistinctRow([&](const InternalName* row) {
        InternalName* to = groupedCells.data() + std::size_t(fill[groupOfRow[i++]]++) * width;
        for (std::size_t k = 0; k < width; ++k) to[k] = row[rightColumns[k] - 1];
    });
}

void HashJoin::produce(const RowSink& emit) {
    if (!grouped) group();
    const InternalName* rowOf[2] = {nullptr, nullptr};
    bool more = true;
    left->forEachDistinctRow([&](const InternalName* row) {
        if (!more) return;
        InternalName value;
        if (!valueOf(row, leftPositions, false, value)) return;
        const Group& g = table[slotOf(value)];
        if (g.id == 0) return;
        rowOf[0] = row;
        for (std::uint32_t at = starts[g.id - 1]; at < starts[g.id] && more; ++at) {
            rowOf[1] = groupedCells.data() + std::size_t(at) * rightColumns.size();
            bool holds = true;
            for (const Agree& r : agree)
                if (rowOf[r.slotA][r.columnA - 1] != rowOf[r.slotB][r.columnB - 1]) {
                    holds = false;
                    break;
                }
            if (!holds) continue;
            for (const Take& r : take) cells[std::size_t(r.cell)] = rowOf[r.slot][r.column - 1];
            more = emit(cells.data());
        }
    });
}

// StoredMethodRows: a set-valued method's rows read from the stored values, with their key.
#include "compile/StoredMethodRows.h"

#include <span>

#include "objectbase/CellHash.h"
#include "objectbase/Iterator.h"
#include "objectbase/MemberSet.h"
#include "objectbase/OM.h"

namespace {

// The first word of the key's filter: no stored predicate's key begins with it (theirs begin
// with their pattern's width), so that the keys of the two kinds never meet on a shelf.
constexpr std::uint64_t MethodRowsTag = 0x6d6574686f647321;

}  // namespace

StoredMethodRows::StoredMethodRows(Ref<OM> om, const InternalName& method, int type,
                                   const InternalName& value, std::vector<std::pair<int, int>> take,
                                   std::vector<InternalName> cells)
    : om(std::move(om)),
      method(method),
      type(type),
      value(value),
      take(std::move(take)),
      cells(std::move(cells)) {
    const bool valueBound = value != InternalName::UndefinedObject;
    const auto& t = this->take;
    if (valueBound)
        ascending = this->cells.size() == 1 && t.size() == 1 && t[0] == std::pair<int, int>(0, 0);
    else
        ascending = this->cells.size() == 2 && t.size() == 2 &&
                    ((t[0] == std::pair<int, int>(0, 0) && t[1] == std::pair<int, int>(2, 1)) ||
                     (t[0] == std::pair<int, int>(2, 1) && t[1] == std::pair<int, int>(0, 0)));
}

bool StoredMethodRows::rowsKey(RowsKey& key) const {
    std::uint64_t epoch = 0;
    std::uint64_t change = 0;
    if (!om->methodValuesStamp(method, type, 0, epoch, change)) return false;
    key.stamp = epoch;
    key.from = 0;
    key.to = 0;
    key.filter.clear();
    key.filter.reserve(6 + take.size() + cells.size());
    key.filter.push_back(MethodRowsTag);
    key.filter.push_back(change);
    key.filter.push_back(cellWord(method));
    key.filter.push_back(std::uint64_t(type));
    key.filter.push_back(cellWord(value));
    key.filter.push_back(take.size());
    for (const auto& [column, cell] : take)
        key.filter.push_back(std::uint64_t(std::uint32_t(column)) << 32 | std::uint32_t(cell));
    key.filter.push_back(cells.size());
    for (const InternalName& cell : cells) key.filter.push_back(cellWord(cell));
    return true;
}

void StoredMethodRows::produce(const RowSink& emit) {
    walk(emit, [this](const MemberSet& set, auto visit) {
        std::span<const InternalName> front;
        set.kept(front, added);
        for (const InternalName& member : front)
            if (!visit(member)) return false;
        for (const InternalName& member : added)
            if (!visit(member)) return false;
        return true;
    });
}

void StoredMethodRows::produceAscending(const RowSink& emit) {
    walk(emit, [](const MemberSet& set, auto visit) {
        for (const InternalName& member : set.ascending())
            if (!visit(member)) return false;
        return true;
    });
}

template <class Members>
void StoredMethodRows::walk(const RowSink& emit, Members members) {
    // The hosts come in ascending order.
    Ref<Iterator> hosts = Ref<Iterator>::adopt(
        om->methodHostsIterator(method, std::int16_t(type), std::int16_t(0), nullptr));
    if (!hosts) return;
    const bool valueBound = value != InternalName::UndefinedObject;
    auto row = [&](const InternalName& host, const InternalName& member) {
        for (const auto& [column, cell] : take)
            cells[std::size_t(cell)] = column == 0 ? host : column == 1 ? method : member;
        return emit(cells.data());
    };
    for (bool more = hosts->first(); more; more = hosts->next()) {
        const InternalName host = hosts->atColumn(1);
        // Hosts without a frame or without the entry have nothing to give.
        const ObjectFrameView frame = om->objectFrameOf(host);
        InternalName stored;
        if (!frame || frame.lookupMethod(method, type, 0, stored) == 0) continue;
        if (stored.getType() != InternalName::SetName) {
            if ((!valueBound || stored == value) && !row(host, stored)) return;
            continue;
        }
        const SetFrameView set = om->setFrameOf(stored);
        if (!set) continue;
        if (valueBound) {
            if (set.contains(value) && !row(host, value)) return;
            continue;
        }
        if (!members(set.memberSet(),
                     [&](const InternalName& member) { return row(host, member); }))
            return;
    }
}

// Rewriting an equated name to its representative in every table and frame of the object base.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "objectbase/FrameManager.h"
#include "objectbase/MainMemOM.h"

namespace {

// The place of each method type (0 to 8) in the order the entries of one object are visited:
// 0, 1, 3, 4, 6, 7, 2, 5, 8.
constexpr int TypeRank[] = {0, 1, 6, 2, 3, 7, 4, 5, 8};

// `into` gains every member of `from`.
template <class Member>
void join(set<Member>& into, const set<Member>& from) {
    into += from;
}
void join(MemberSet& into, const MemberSet& from) {
    for (const InternalName& member : from.ascending()) into.insert(member);
}

// Moves the set `table` keeps under `from` to the key `to`, joining a set already there.
template <class Key, class Members>
void moveSet(FlatNameMap<Key, std::unique_ptr<Members>>& table, const Key& from, const Key& to) {
    const auto found = table.find(from);
    if (found == table.end()) return;
    std::unique_ptr<Members> moved = std::move(found->second);
    table.erase(found);
    if (moved == nullptr) return;
    auto [existing, inserted] = table.emplace(to, std::move(moved));
    // Not inserted: `moved` still holds the set, and frees it once joined.
    if (!inserted) join(*existing->second, *moved);
}

}  // namespace

void MainMemOM::rewriteAll(const InternalName& old, const InternalName& rep) {
    methodStamps.invalidate();
    rewriteMethodName(old, rep);
    rewriteUsages(old, rep);
    rewritePredicates(old, rep);
    for (int kind = 1; kind <= 3; ++kind) rewriteRelations(kind, old, rep);
    if (NameRemapListener* access = getOMAccess()) access->remapName(old, rep);
    rewriteSymbols(old, rep);
    rewriteEqualityMaps(old, rep);
}

void MainMemOM::rewriteReferences(const InternalName& old, const InternalName& rep,
                                  const InternalName& value) {
    if (value.isConstant()) {
        auto& index = usages();
        auto holders = index.find(value);
        if (holders != index.end()) {
            holders->second.insert(rep);
            holders->second.erase(old);
        }
    } else if (value.getType() == InternalName::SetName) {
        MainMemSetFrame* members = getSetFrame(value);
        if (members == nullptr) return;
        const auto it = Ref<Iterator>::adopt(members->getIterator(nullptr));
        for (bool more = it->first(); more; more = it->next())
            rewriteReferences(old, rep, it->atColumn(1));
    } else if (value.getType() == InternalName::ParamFrame) {
        MainMemParamFrame* rows = getParamFrame(value);
        if (rows == nullptr) return;
        // Every column, the result too: its usage set (or its set's members') names the host.
        for (const InternalName& cell : rowCells(rows)) rewriteReferences(old, rep, cell);
    }
}

void MainMemOM::renameInParamFrame(const InternalName& frameName, const InternalName& old,
                                   const InternalName& rep) {
    MainMemParamFrame* rows = getParamFrame(frameName);
    if (rows == nullptr || rows->getArity() < 1) return;
    // The rename reports its collisions keyed by the dropped row's result, so one result that
    // meets two others would yield one pair. Instead every renamed row asks afterwards which
    // result now answers for its arguments.
    int width = rows->getArity();
    std::vector<InternalName> renamed;
    std::vector<InternalName> cells = rowCells(rows);
    for (std::size_t at = 0; at < cells.size(); at += width) {
        auto row = cells.begin() + static_cast<std::ptrdiff_t>(at);
        if (std::find(row, row + width, old) == row + width) continue;
        std::replace(row, row + width, old, rep);
        renamed.insert(renamed.end(), row, row + width);
    }
    NameMap pairs;
    rows->replaceName(old, rep, pairs);
    for (std::size_t at = 0; at < renamed.size(); at += width) {
        InternalName answer;
        if (rows->lookupResult(&renamed[at], width - 1, answer) != 0)
            resolveCompetitors(renamed[at + width - 1], answer);
    }
}

void MainMemOM::replaceInResultSets(const InternalName& frameName, const InternalName& old,
                                    const InternalName& rep) {
    MainMemParamFrame* rows = getParamFrame(frameName);
    if (rows == nullptr || rows->getArity() < 1) return;
    std::vector<InternalName> cells = rowCells(rows);
    for (std::size_t at = rows->getArity() - 1; at < cells.size(); at += rows->getArity())
        if (MainMemSetFrame* members = getSetFrame(cells[at])) members->replace(old, rep);
}

void MainMemOM::rewriteMethodName(const InternalName& old, const InternalName& rep) {
    const set<MethodSig>* found = methodSignatures.valueOr(old, nullptr);
    if (found == nullptr) return;
    std::vector<MethodSig> signatures;
    const set<MethodSig>& oldSignatures = *found;
    for (auto it = oldSignatures.first_item(); it != nullptr; it = oldSignatures.next_item(it))
        signatures.push_back(oldSignatures.key(it));

    set<InternalName> hosts;
    for (const MethodSig& sig : signatures) {
        const MemberSet* under =
            methodsTable.valueOr(MethodKey(sig.methodType, sig.argCount, old), nullptr);
        if (under == nullptr) continue;
        for (const InternalName& host : under->ascending()) hosts.insert(host);
    }
    for (auto it = hosts.first_item(); it != nullptr; it = hosts.next_item(it)) {
        MainMemObjFrame* frame = getObjFrame(hosts.key(it));
        if (frame == nullptr) continue;
        // The competitors are taken from the frame before the rename, one pair per key, so that
        // two keys whose old values are equal still yield two pairs.
        std::vector<std::pair<InternalName, InternalName>> competitors;
        for (const MethodSig& sig : signatures) {
            InternalName moving;
            InternalName staying;
            if (frame->lookupMethod(old, sig.methodType, sig.argCount, moving) != 0 &&
                frame->lookupMethod(rep, sig.methodType, sig.argCount, staying) != 0 &&
                moving != staying)
                competitors.emplace_back(moving, staying);
        }
        NameMap pairs;
        frame->replaceName(old, rep, pairs);
        for (const auto& [moving, staying] : competitors) resolveCompetitors(moving, staying);
    }

    for (const MethodSig& sig : signatures)
        moveSet(methodsTable, MethodKey(sig.methodType, sig.argCount, old),
                MethodKey(sig.methodType, sig.argCount, rep));
    moveSet(methodSignatures, old, rep);
    // The sets of the old keys moved or went.
    framesMoved();
}

void MainMemOM::rewriteUsages(const InternalName& old, const InternalName& rep) {
    auto& index = usages();
    auto found = index.find(old);
    if (found == index.end()) return;
    std::vector<InternalName> users;
    found->second.forEach([&users](const InternalName& user) {
        users.push_back(user);
        return true;
    });

    for (const InternalName& user : users) {
        if (user.getType() == InternalName::ParamFrame) {
            renameInParamFrame(user, old, rep);
            continue;
        }
        if (!user.isConstant()) continue;
        MainMemObjFrame* frame = getObjFrame(user);
        if (frame == nullptr) continue;
        // Visited in the order of the method types 0, 1, 3, 4, 6, 7, 2, 5, 8: collisions are
        // resolved in that order.
        std::vector<MethodEntry> entries = methodEntries(frame);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const MethodEntry& x, const MethodEntry& y) {
                             return TypeRank[x.type] < TypeRank[y.type];
                         });
        bool holdsValue = false;
        for (const MethodEntry& entry : entries) {
            const InternalName& value = entry.value;
            if (value == old) {
                holdsValue = true;
            } else if (value.getType() == InternalName::ParamFrame) {
                renameInParamFrame(value, old, rep);
                // The members of a set-valued method with arguments lie in the sets its rows
                // name, beyond the reach of the rows' own rename.
                replaceInResultSets(value, old, rep);
            } else if (value.getType() == InternalName::SetName) {
                if (MainMemSetFrame* members = getSetFrame(value)) members->replace(old, rep);
            }
        }
        if (holdsValue) {
            NameMap pairs;
            frame->replaceName(old, rep, pairs);
            for (auto it = pairs.first_item(); it != nullptr; it = pairs.next_item(it))
                resolveCompetitors(pairs.key(it), pairs.inf(it));
        }
    }

    // Looked up again: resolving competitors may have changed the index meanwhile.
    found = index.find(old);
    if (found == index.end()) return;
    UsageSet moved = std::move(found->second);
    index.erase(found);
    auto [into, inserted] = index.try_emplace(rep);
    if (inserted) {
        into->second = std::move(moved);
        return;
    }
    UsageSet& target = into->second;
    moved.forEach([&target](const InternalName& user) {
        target.insert(user);
        return true;
    });
}

void MainMemOM::rewritePredicates(const InternalName& old, const InternalName& rep) {
    // Every predicate frame answers through its column indexes whether a row holds old, so no
    // index of its own is kept per stored name; frames are renamed in the order of their names.
    const auto names = Ref<Iterator>::adopt(predNamesIterator(nullptr));
    for (bool more = names->first(); more; more = names->next())
        if (MainMemPredFrame* frame = getPredFrame(names->atColumn(1)))
            frame->replaceName(old, rep);
}

void MainMemOM::rewriteRelations(int kind, const InternalName& old, const InternalName& rep) {
    NameSetTable* table = relationTable(kind);
    if (table == nullptr) return;
    if (kind == 1) {
        // The table holds every row now; a rename may drop rows that become equal, so the rows
        // are counted again.
        memberRows.replaceName(old, rep);
        instancesIndexed = memberRows.store().size();
    }

    // The sets holding old are those of the classes in old's relation set of this kind, which the
    // merge of the frames has joined into the representative's: no walk over the whole table.
    if (MainMemSetFrame* classes = relationSet(getObjFrame(rep), kind)) {
        const auto it = Ref<Iterator>::adopt(classes->getIterator(nullptr));
        for (bool more = it->first(); more; more = it->next()) {
            MemberSet* holders = table->find(it->atColumn(1));
            if (holders == nullptr || !holders->erase(old)) continue;
            holders->insert(rep);
        }
    }

    std::unique_ptr<MemberSet> members = table->take(old);
    if (members == nullptr) return;
    for (const InternalName& member : members->ascending())
        if (MainMemSetFrame* related = relationSet(getObjFrame(member), kind))
            related->replace(old, rep);
    MemberSet* existing = table->find(rep);
    if (existing == nullptr) {
        table->insert(rep, std::move(members));
        return;
    }
    join(*existing, *members);
}

void MainMemOM::rewriteSymbols(const InternalName& old, const InternalName& rep) {
    const std::optional<FSymbol> oldSymbol = nameToSymbol.find(old);
    if (!oldSymbol) return;
    set<FSymbol>* into = nameToSymbols.valueOr(rep, nullptr);
    if (into == nullptr) {
        auto made = std::make_unique<set<FSymbol>>();
        if (const std::optional<FSymbol> repSymbol = nameToSymbol.find(rep))
            made->insert(*repSymbol);
        into = made.get();
        nameToSymbols.emplace(rep, std::move(made));
    }

    if (const auto found = nameToSymbols.find(old); found != nameToSymbols.end()) {
        // Out of the table, the old name's set goes at the end of this block.
        const std::unique_ptr<set<FSymbol>> symbols = std::move(found->second);
        nameToSymbols.erase(found);
        for (auto it = symbols->first_item(); it != nullptr; it = symbols->next_item(it)) {
            symbolToName.insert_or_assign(symbols->key(it), rep);
            into->insert(symbols->key(it));
        }
    } else {
        FSymbol symbol = *oldSymbol;
        symbolToName.insert_or_assign(symbol, rep);
        into->insert(symbol);
    }
}

void MainMemOM::rewriteEqualityMaps(const InternalName& old, const InternalName& rep) {
    pathHosts.del(old);
    for (auto it = pathHosts.first_item(); it != nullptr; it = pathHosts.next_item(it))
        if (pathHosts.inf(it) == old) pathHosts.change_inf(it, rep);
    equalities.renameApplied(old, rep);
}

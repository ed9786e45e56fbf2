// Forgetting the strings and names a query made and nothing stored holds.
#include <optional>
#include <set>

#include "objectbase/FrameManager.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/NameHandler.h"

std::int64_t MainMemOM::nameMark() const {
    return nameHandler->upcomingObjectId();
}

void MainMemOM::forgetNamesMadeAfter(std::int64_t mark) {
    const std::int64_t upcoming = nameHandler->upcomingObjectId();
    // Nothing made, or the base emptied since the mark (its numbering started again; a query
    // never empties it, so a mark is taken and used within one); a delta being recorded lists
    // the names made in it.
    if (mark <= 0 || upcoming <= mark || deltas.on()) return;
    // A query stores only the values it inherits, which go again with its answers, and those are
    // values of names made before it. The indexes are asked all the same; the memberships not
    // indexed yet are looked at here.
    const RelationStore& memberships = memberRows.store();
    // The values the usage log left out are found by a walk of the frames, as the string cleanup
    // finds them.
    std::set<InternalName> unlogged;
    if (usage.hasUnloggedValues()) {
        auto keep = [&](const InternalName& value) {
            if (value.getValue() >= mark && value.getValue() < upcoming) unlogged.insert(value);
        };
        frameManager->forEachObjFrame([&](const InternalName&, const MainMemObjFrame* frame) {
            frame->forEachEntry([&](const MethodKey&, const InternalName& value) {
                if (value.getType() != InternalName::SetName) {
                    keep(value);
                    return;
                }
                if (const MainMemSetFrame* set = getSetFrame(value))
                    for (const InternalName& member : set->memberSet().ascending()) keep(member);
            });
        });
        forEachUnloggedRowCell(
            [&keep](const InternalName& cell, const InternalName&) { keep(cell); }, Walk::Whole);
    }
    auto held = [&](const InternalName& name) {
        if (unlogged.count(name) != 0 || stringInUse(name)) return true;
        for (std::int32_t at = instancesIndexed; at < memberships.size(); ++at) {
            const InternalName* row = memberships.row(at);
            if (row[0] == name || row[1] == name) return true;
        }
        return false;
    };
    for (std::int64_t id = mark; id < upcoming; ++id) {
        // Strings and names share the counter; a name made is one of the two.
        for (const std::uint8_t kind : {InternalName::String, InternalName::Object}) {
            const InternalName name(static_cast<std::int32_t>(id), kind, 0);
            const std::optional<FSymbol> symbol = nameToSymbol.find(name);
            if (!symbol || held(name)) continue;
            // The symbol is made again when something names it later, with a number above
            // every name made so far: names made after the query keep their order.
            symbolToName.erase(*symbol);
            nameToSymbol.erase(name);
        }
    }
}

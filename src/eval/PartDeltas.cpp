// PartDeltas: the predicates the variants read, the first delta round chosen from them, and
// the book of the parts' deltas.
#include "eval/PartDeltas.h"

#include <map>

#include "access/OMAccess.h"

namespace {

struct SymbolLess {
    bool operator()(const FSymbol& a, const FSymbol& b) const { return compare(a, b) < 0; }
};

}  // namespace

PartDeltas::PartDeltas() = default;

PartDeltas::~PartDeltas() = default;

PartDeltas::Form::Form() = default;

PartDeltas::Form::~Form() = default;

const PartDeltas::Form& PartDeltas::form(OMAccess& access) const {
    if (direct && access.holdsNoRelation(IsaRelation::Subclass)) return *direct;
    return throughSubclasses;
}

void PartDeltas::Form::prepareFirstRound() {
    predicates.clear();
    predicateOf.clear();
    if (!table || !rules) return;
    std::map<FSymbol, std::int32_t, SymbolLess> placeOfDelta;
    table->forEachPredicateDelta([&](const FSymbol& predicate, const FSymbol& delta) {
        if (placeOfDelta.emplace(delta, std::int32_t(predicates.size())).second)
            predicates.push_back(predicate);
        return true;
    });
    if (predicates.empty()) return;
    predicateOf.assign(rules->size(), -1);
    for (std::size_t i = 0; i < rules->size(); ++i) {
        if (rules->deltaAtom(i) == nullptr) continue;
        const auto found = placeOfDelta.find(rules->deltaName(i));
        if (found != placeOfDelta.end()) predicateOf[i] = found->second;
    }
}

DeltaRules::WholeRules PartDeltas::Form::firstRound(OMAccess& access) const {
    if (predicates.empty()) return {};
    // The predicates whose relation is empty before the first round.
    std::vector<bool> empty(predicates.size());
    bool any = false;
    for (std::size_t p = 0; p < predicates.size(); ++p) {
        empty[p] = access.isEmptyPredicate(predicates[p]);
        any = any || empty[p];
    }
    if (!any) return {};
    return rules->wholeRulesWhere([&](std::size_t i) {
        const std::int32_t p = predicateOf[i];
        return p >= 0 && empty[std::size_t(p)];
    });
}

PartDeltas* PreparedDeltas::find(const FProgram* part) const {
    const auto found = parts.find(part);
    return found == parts.end() ? nullptr : found->second.deltas.get();
}

PartDeltas& PreparedDeltas::place(FProgram* part, std::unique_ptr<PartDeltas> deltas) {
    Held& held = parts[part];
    held.part = Ref<FProgram>::share(part);
    held.deltas = std::move(deltas);
    return *held.deltas;
}

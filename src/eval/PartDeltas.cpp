// PartDeltas: the spans of the delta program by rule, the first delta round chosen from them, and
// the book of the parts' deltas.
#include "eval/PartDeltas.h"

#include <set>

#include "access/OMAccess.h"
#include "language/PTerm.h"

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

void PartDeltas::Form::addSpan(FRule* rule, std::size_t from, std::size_t to, bool kept) {
    spans.push_back({rule, from, to, kept});
}

std::unique_ptr<DeltaRules> PartDeltas::Form::firstRound(OMAccess& access) const {
    if (!table || !rules) return nullptr;
    // The delta predicates whose relation is empty before the first round.
    std::set<FSymbol, SymbolLess> whole;
    table->forEachPredicateDelta([&](const FSymbol& predicate, const FSymbol& delta) {
        if (access.isEmptyPredicate(predicate)) whole.insert(delta);
        return true;
    });
    if (whole.empty()) return nullptr;
    auto first = std::make_unique<DeltaRules>();
    bool differs = false;
    for (const Span& span : spans) {
        if (span.kept) {
            first->addRule(span.rule);
            continue;
        }
        bool overWhole = false;
        for (std::size_t i = span.from; i < span.to && !overWhole; ++i) {
            const auto* delta = node_cast<PTerm>(rules->deltaAtom(i));
            overWhole = delta != nullptr && whole.count(delta->getName()) != 0;
        }
        if (overWhole) {
            first->addRule(span.rule);
            differs = true;
        } else {
            first->addRange(*rules, span.from, span.to);
        }
    }
    if (!differs) return nullptr;
    return first;
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

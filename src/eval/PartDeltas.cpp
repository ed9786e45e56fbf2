// PartDeltas: the predicates the variants read, the first delta round chosen from them, and
// the book of the parts' deltas.
#include "eval/PartDeltas.h"

#include <map>

#include "access/OMAccess.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"

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
    sources.clear();
    predicateOf.clear();
    if (!table || !rules) return;
    std::map<FSymbol, std::int32_t, SymbolLess> placeOfDelta;
    table->forEachPredicateDelta([&](const FSymbol& predicate, const FSymbol& delta) {
        if (placeOfDelta.emplace(delta, std::int32_t(sources.size())).second) {
            Source source;
            source.predicate = predicate;
            sources.push_back(source);
        }
        return true;
    });
    // The method deltas, by their symbol: (type, argument count).
    std::map<FSymbol, std::pair<int, int>, SymbolLess> methodDelta;
    for (int type = 0; type < DeltaTable::MethodTypes; ++type)
        table->forEachMethodDelta(type, [&](int argCount, const FSymbol& delta) {
            methodDelta.emplace(delta, std::pair<int, int>(type, argCount));
            return true;
        });
    // A variant over a method delta stands for the values of the method its first column names,
    // when that is a name: (delta, method) -> place.
    std::map<std::pair<FSymbol, FSymbol>, std::int32_t,
             decltype(
                 [](const std::pair<FSymbol, FSymbol>& a, const std::pair<FSymbol, FSymbol>& b) {
                     const int first = compare(a.first, b.first);
                     return first != 0 ? first < 0 : compare(a.second, b.second) < 0;
                 })>
        placeOfMethod;
    auto methodSource = [&](std::size_t i) -> std::int32_t {
        const auto kind = methodDelta.find(rules->deltaName(i));
        if (kind == methodDelta.end()) return -1;
        const auto* atom = node_cast<PTerm>(rules->deltaAtom(i));
        if (atom == nullptr || atom->getArgs() == nullptr || atom->getArgs()->empty()) return -1;
        const auto* method = node_cast<FunctionTerm>(atom->getArgs()->head());
        if (method == nullptr || (method->getArgs() != nullptr && !method->getArgs()->empty()))
            return -1;
        const auto key = std::pair<FSymbol, FSymbol>(rules->deltaName(i), method->getName());
        const auto [at, made] = placeOfMethod.emplace(key, std::int32_t(sources.size()));
        if (made) {
            Source source;
            source.method = method->getName();
            source.type = kind->second.first;
            source.argCount = kind->second.second;
            sources.push_back(source);
        }
        return at->second;
    };
    predicateOf.assign(rules->size(), -1);
    for (std::size_t i = 0; i < rules->size(); ++i) {
        if (rules->deltaAtom(i) == nullptr) continue;
        const auto found = placeOfDelta.find(rules->deltaName(i));
        predicateOf[i] = found != placeOfDelta.end() ? found->second : methodSource(i);
    }
    if (sources.empty()) predicateOf.clear();
}

bool PartDeltas::Form::holdsNothing(OMAccess& access, const Source& source) {
    if (source.type < 0) return access.isEmptyPredicate(source.predicate);
    OM* base = access.om();
    if (base == nullptr) return false;
    InternalName method;
    // A name no object stands for yet is no host's method.
    if (base->giveInternalName(source.method, method) == 0) return true;
    const Ref<Iterator> hosts = Ref<Iterator>::adopt(base->methodHostsIterator(
        method, std::int16_t(source.type), std::int16_t(source.argCount), nullptr));
    return hosts && !hosts->first();
}

DeltaRules::WholeRules PartDeltas::Form::firstRound(OMAccess& access,
                                                    MethodVariants methods) const {
    if (sources.empty()) return {};
    // The sources that hold nothing before the first round.
    std::vector<bool> empty(sources.size());
    bool any = false;
    for (std::size_t p = 0; p < sources.size(); ++p) {
        empty[p] = (sources[p].type < 0 || methods == MethodVariants::WholeWhereEmpty) &&
                   holdsNothing(access, sources[p]);
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

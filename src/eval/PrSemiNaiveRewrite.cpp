// Delta rewriting: the delta predicates of a program and its delta program, in which every rule
// occurs once per body atom that can meet the facts of the last round, that atom replaced by its
// delta atom.
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "compile/Normalizer.h"
#include "eval/PrSemiNaive.h"
#include "eval/ProgramPlan.h"
#include "eval/RuleSummary.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FactList.h"
#include "language/FunctionTerm.h"
#include "language/NodeLists.h"
#include "language/PTerm.h"
#include "language/Spec.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/SymTab.h"

namespace {

int argCount(const Spec* spec) {
    return spec->getArgs() != nullptr ? spec->getArgs()->length() : 0;
}

bool setValued(int type) {
    return type == 1 || type == 2 || type == 4 || type == 5;
}

// A set-valued specification written without result terms: host[m ->> {}].
bool withoutResults(const Spec* spec) {
    const auto* set = node_cast<MSpec>(spec);
    return set != nullptr && (set->getResults() == nullptr || set->getResults()->empty());
}

bool isPlainPredicate(FTerm* term) {
    const PTerm* predicate = node_cast<PTerm>(term);
    return predicate != nullptr && predicate->getName().getType() != InternalName::BuiltinPredicate;
}

FMolecule* asMolecule(FTerm* term) {
    return node_cast<FMolecule>(term);
}

// A class term a predicate argument takes as it is: a variable or a bare name.
bool plainClass(FTerm* cls) {
    if (node_cast<FVar>(cls) != nullptr) return true;
    const auto* name = node_cast<FunctionTerm>(cls);
    return name != nullptr && nodelists::isEmpty(name->getArgs());
}

const Spec* firstSpec(const FMolecule* molecule) {
    clib_list<Spec*>* specs = molecule->getSpecs();
    return specs != nullptr && !specs->empty() ? specs->head() : nullptr;
}

struct SymbolLess {
    bool operator()(const FSymbol& a, const FSymbol& b) const { return compare(a, b) < 0; }
};

// The predicate and argument symbols of a stored predicate's atom whose arguments are all
// variables or constants, into `key`; false for any other term. Equal atoms have equal keys,
// and normalising such an atom makes no new variable.
bool predicateKey(FTerm* term, std::vector<std::int64_t>& key) {
    key.clear();
    if (term == nullptr || !isPlainPredicate(term)) return false;
    auto* predicate = static_cast<PTerm*>(term);
    auto symbol = [&](const FSymbol& name) {
        key.push_back(std::int64_t{name.getValue()} << 16 | std::int64_t{name.getType()} << 8 |
                      (name.getArity() & 0xff));
    };
    symbol(predicate->getName());
    if (const clib_list<FTerm*>* args = predicate->getArgs())
        for (FTerm* arg : *args) {
            if (const auto* var = node_cast<FVar>(arg)) {
                symbol(var->getName());
                continue;
            }
            const auto* plain = node_cast<FunctionTerm>(arg);
            if (plain == nullptr) return false;
            if (!nodelists::isEmpty(plain->getArgs()) || plain->getMethResult() != nullptr)
                return false;
            symbol(plain->getName());
        }
    return true;
}

}  // namespace

const RuleSummary& PrSemiNaive::summaryFor(const ProgramPlan& plan, FRule* clause,
                                           std::optional<RuleSummary>& scratch) {
    if (const RuleSummary* planned = plan.summaryOf(clause)) return *planned;
    // A clause the plan was not drawn over (none of an evaluation's are).
    scratch = RuleSummary::of(clause, clause->getSymTab());
    return *scratch;
}

PrSemiNaive::Rewriting::Rewriting(FProgram* program) : normalizer(Ref<Normalizer>::make(program)) {
    normalizer->leaveOutCompactFacts();
    normalizer->atomize();
}

PrSemiNaive::Rewriting::~Rewriting() = default;

void PrSemiNaive::Rewriting::newVariables(int count) {
    while (static_cast<int>(freshVars.size()) < count)
        freshVars.push_back(normalizer->newVariable());
}

std::unique_ptr<DeltaTable> PrSemiNaive::rewriteProgram(Rewriting& rewriting, FProgram* program,
                                                        const ProgramPlan& plan, int triggerForm) {
    if (program == nullptr) return nullptr;
    SymTab* names = program->getSymTab();
    auto table = std::make_unique<DeltaTable>();
    std::set<int> headCounts[DeltaTable::MethodTypes];
    std::set<int> bodyCounts[DeltaTable::MethodTypes];
    std::set<int> emptyCounts[DeltaTable::MethodTypes];
    std::set<FSymbol, SymbolLess> heads;
    std::set<FSymbol, SymbolLess> bodies;
    int headBits = 0;
    int bodySubcl = 0;
    bool readsMembers = false;
    bool equates = false;
    int largest = 0;
    if (triggerForm == 0) {
        rewriting.headPredicates.clear();
        rewriting.headMethodTypes = 0;
        rewriting.anyHead = false;
    }

    // What a head (or a fact) writes: its predicate, its class part, or a method of its
    // arrow's kind with its number of arguments.
    auto collectHead = [&](const RelationRef& written) {
        switch (written.kind) {
            case RelationRef::Kind::Predicate:
                heads.insert(written.name);
                break;
            case RelationRef::Kind::Member:
                headBits |= 1;
                break;
            case RelationRef::Kind::Subclass:
                headBits |= 2;
                break;
            case RelationRef::Kind::Method: {
                const int type = written.number;
                largest = std::max(largest, written.arguments);
                if (type >= 0 && type <= 8) rewriting.headMethodTypes |= 1 << type;
                if (type >= 0 && type < DeltaTable::MethodTypes)
                    headCounts[type].insert(written.arguments);
                break;
            }
        }
    };
    // What a body reads outside negation; in the rule form also what its aggregates read, so
    // that their new facts make a round count.
    auto collectBody = [&](const RuleSummary::Access& read) {
        if (read.inNegation) return;
        if (read.how != RuleSummary::Read::Positive &&
            (triggerForm != 0 || read.how != RuleSummary::Read::Aggregated))
            return;
        const RelationRef& relation = read.relation;
        switch (relation.kind) {
            case RelationRef::Kind::Predicate:
                bodies.insert(relation.name);
                break;
            case RelationRef::Kind::Subclass:
                bodySubcl = 1;
                break;
            case RelationRef::Kind::Member:
                readsMembers = true;
                break;
            case RelationRef::Kind::Method: {
                const int type = relation.number;
                const int count = relation.arguments;
                largest = std::max(largest, count);
                if (type < 0 || type >= DeltaTable::MethodTypes) break;
                if (setValued(type) && read.noResults)
                    emptyCounts[type].insert(count);
                else
                    bodyCounts[type].insert(count);
                break;
            }
        }
    };
    std::optional<RuleSummary> scratch;
    auto visitClause = [&](FRule* clause) {
        const int kind = clause->ruleKind();
        if (kind != FRule::Fact && kind != FRule::Rule) return true;
        const RuleSummary& summary = summaryFor(plan, clause, scratch);
        if (triggerForm == 0) {
            rewriting.anyHead = true;
            for (const RelationRef& written : summary.writes) collectHead(written);
            equates = equates || summary.equates;
        }
        for (const RuleSummary::Access& read : summary.reads) collectBody(read);
        return true;
    };
    // The facts kept compact are asked only which relations they write.
    auto visitWrite = [&](const FactList::Write& write) {
        if (triggerForm != 0) return true;
        rewriting.anyHead = true;
        const RuleSummary facts = RuleSummary::ofFacts(write);
        for (const RelationRef& written : facts.writes) collectHead(written);
        equates = equates || facts.equates;
        return true;
    };
    program->forEachRuleAndWrite(visitClause, visitWrite);
    if (triggerForm == 0) {
        rewriting.headIsaBits = headBits;
        for (const FSymbol& head : heads) rewriting.headPredicates.insert(head.getValue());
    }

    if (triggerForm == 0)
        for (const FSymbol& predicate : heads) {
            if (bodies.count(predicate) == 0) continue;
            const FSymbol delta = names->GetFSymbol("delta_" + names->giveName(predicate),
                                                    predicate.getType(), predicate.getArity());
            table->setPredicateDelta(predicate, delta);
        }
    for (int type = 0; type < DeltaTable::MethodTypes; ++type)
        for (int count : emptyCounts[type]) {
            if (headCounts[type].count(count) == 0) continue;
            table->setEmptySetDelta(type, count,
                                    names->GetFSymbol("delta_emptyset_" + std::to_string(type) +
                                                          "^" + std::to_string(count),
                                                      InternalName::Predicate, count + 2));
        }
    for (int type = 0; type < DeltaTable::MethodTypes; ++type)
        for (int count : bodyCounts[type]) {
            if (triggerForm == 0 && headCounts[type].count(count) == 0) continue;
            table->setMethodDelta(
                type, count,
                names->GetFSymbol("delta_" + std::to_string(type) + "^" + std::to_string(count),
                                  InternalName::Predicate, count + 3));
        }
    table->isaFlag = headBits != 0 ? 1 : 0;
    table->headSubclFlag = (headBits & 2) != 0 ? 1 : 0;
    table->bodySubclFlag = bodySubcl;
    if (table->bodySubclFlag != 0 || table->headSubclFlag != 0)
        table->subclDelta = names->GetFSymbol("delta_subcl", InternalName::Predicate, 2);
    if (table->isaFlag != 0)
        table->isaDelta = names->GetFSymbol("delta_isa", InternalName::Predicate, 2);
    // Nothing adds to an empty subclass relation while the part runs: no head of it writes
    // one, none equates objects, the base does not make them as side effects of other facts,
    // and no other part of the evaluation may add one before or between this part's passes.
    if (triggerForm == 0) {
        rewriting.directPossible = memberDeltas == MemberDeltas::Planned && readsMembers &&
                                   table->isaFlag != 0 && table->headSubclFlag == 0 && !equates &&
                                   access && !access->writesMayAddSubclasses();
        const bool direct = rewriting.memberForm == MemberForm::AsTheBaseHolds
                                ? access && access->holdsNoRelation(IsaRelation::Subclass)
                                : rewriting.memberForm == MemberForm::Direct;
        if (rewriting.directPossible && direct)
            table->memberDelta = DeltaTable::MemberDelta::Direct;
    }
    table->maxArgCount = largest;
    return table;
}

std::unique_ptr<DeltaRules> PrSemiNaive::buildDeltaProgram(Rewriting& rewriting, FProgram* program,
                                                           const ProgramPlan& plan,
                                                           DeltaTable* table, bool triggerForm) {
    if (program == nullptr || table == nullptr) return nullptr;
    auto deltas = std::make_unique<DeltaRules>();
    std::optional<RuleSummary> scratch;
    // Only rules have delta forms: the facts, compact or whole, are passed over.
    auto visitRule = [&](FRule* rule) {
        if (rule->ruleKind() != FRule::Rule) return true;
        const std::size_t from = deltas->size();
        const bool kept = keptEveryRound(rewriting, summaryFor(plan, rule, scratch), triggerForm);
        if (kept)
            deltas->addRule(rule);
        else
            rewriteRule(rewriting, rule, table, *deltas);
        deltas->addSpan(rule, from, deltas->size(), kept);
        return true;
    };
    program->forEachRule(visitRule);
    return deltas;
}

bool PrSemiNaive::derivable(const Rewriting& rewriting, const RelationRef& relation) const {
    switch (relation.kind) {
        case RelationRef::Kind::Predicate:
            return rewriting.headPredicates.count(relation.name.getValue()) != 0;
        case RelationRef::Kind::Method: {
            const int type = relation.number;
            if (type >= 0 && type < DeltaTable::MethodTypes && inheritanceFlag != 0) return true;
            return type >= 0 && type <= 8 && (rewriting.headMethodTypes & (1 << type)) != 0;
        }
        case RelationRef::Kind::Member:
        case RelationRef::Kind::Subclass:
            return rewriting.headIsaBits != 0;
    }
    return false;
}

bool PrSemiNaive::keptEveryRound(Rewriting& rewriting, const RuleSummary& rule, bool triggerForm) {
    bool kept = false;
    // A bare object's read, or a relation's (`object` false).
    auto look = [&](const RuleSummary::Access& read, bool object) {
        const RelationRef& relation = read.relation;
        const bool isMethod = !object && relation.kind == RelationRef::Kind::Method;
        // Signatures and bare objects have no delta predicates.
        const bool undeltaed = object || (isMethod && relation.number > 5);
        const bool canGrow = object ? rewriting.anyHead : derivable(rewriting, relation);
        if (read.how == RuleSummary::Read::Aggregated) {
            // An aggregate is read anew in every round: its value changes with any fact it
            // folds, and no delta atom stands for it.
            if (!canGrow) return;
            kept = true;
            if (undeltaed) rewriting.unrecordedSeen = true;
            return;
        }
        if (read.inNegation) return;
        // An inherited set value can make the first entry of a method, which the trigger form
        // has no delta for.
        if (triggerForm && isMethod && setValued(relation.number) && read.noResults) kept = true;
        if (!canGrow || !undeltaed) return;
        kept = true;
        rewriting.unrecordedSeen = true;
    };
    for (const RuleSummary::Access& read : rule.reads) look(read, false);
    for (const RuleSummary::Access& read : rule.objectReads) look(read, true);
    // A built-in that reads the whole base ("describe") sees every fact derived, none of which
    // a delta atom stands for.
    if (rule.readsWholeBase && rewriting.anyHead) {
        kept = true;
        rewriting.unrecordedSeen = true;
    }
    return kept;
}

void PrSemiNaive::tableForLiteral(Normalizer& normalizer, SymTab* names, SymTab*& copiedFrom,
                                  std::int32_t& copiedNext) {
    SymTab* current = normalizer.getSymTab();
    if (copiedFrom == names && current != nullptr && current->nextId() == copiedNext) return;
    normalizer.setSymTab(names);
    current = normalizer.getSymTab();
    copiedFrom = names;
    copiedNext = current != nullptr ? current->nextId() : 0;
}

void PrSemiNaive::rewriteRule(Rewriting& rewriting, FRule* rule, DeltaTable* table,
                              DeltaRules& deltas) {
    if (rule == nullptr || table == nullptr || rule->getBody() == nullptr) return;
    int position = 0;
    SymTab* copiedFrom = nullptr;
    std::int32_t copiedNext = 0;
    // The predicate literals met so far, by predicate and arguments.
    std::map<std::vector<std::int64_t>, std::vector<FLiteral*>> met;
    std::vector<std::int64_t> key;
    for (FLiteral* literal : *rule->getBody()->getList()) {
        // A literal equal to one before it gives the variants that one gave, with the same
        // body: they would only repeat its work (a body that repeats one literal ten thousand
        // times would otherwise make ten thousand variants of ten thousand literals each).
        if (!literal->isNegated() && predicateKey(literal->getTerm(), key)) {
            std::vector<FLiteral*>& same = met[key];
            const bool repeated =
                std::any_of(same.begin(), same.end(),
                            [&](const FLiteral* earlier) { return earlier->deepEqual(*literal); });
            if (repeated) {
                ++position;
                continue;
            }
            same.push_back(literal);
        }
        if (!literal->isNegated() && literal->getTerm() != nullptr) {
            tableForLiteral(*rewriting.normalizer, rule->getSymTab(), copiedFrom, copiedNext);
            // The literal's atoms are shared by its variants, which hold them.
            const auto atoms = Ref<FTermList>::adopt(new FTermList);
            rewriting.normalizer->normalizeTerm(literal->getTerm(), atoms.get());
            const std::size_t variants = deltas.size();
            int index = 0;
            for (FTerm* atom : atoms->getList())
                rewriteAtom(rewriting, atom, atoms.get(), position, index++, rule, deltas, table);
            if (deltas.size() != variants) copiedFrom = nullptr;
        }
        ++position;
    }
}

void PrSemiNaive::rewriteAtom(Rewriting& rewriting, FTerm* atom, FTermList* atoms, int position,
                              int index, FRule* rule, DeltaRules& deltas, DeltaTable* table) {
    // The terms of the variants hold the variables they use: those of an atom before are not
    // needed here any more.
    rewriting.freshVars.clear();
    Normalizer& normalizer = *rewriting.normalizer;
    auto variant = [&](const FSymbol& name, const std::vector<FTerm*>& args, FTerm* first,
                       FTerm* second) {
        auto* list = new clib_list<FTerm*>;
        for (FTerm* arg : args) list->append(arg);
        const auto delta = Ref<PTerm>::adopt(new PTerm(name, 0, 0, list));
        deltas.addVariant(rule, position, index, atoms, normalizer.getSymTab(), delta.get(), first,
                          second);
    };
    auto isaAtom = [](Path* host, FTerm* cls, int kind) {
        return Ref<FMolecule>::adopt(new FMolecule(host, cls, nullptr, kind));
    };

    if (auto* predicate = node_cast<PTerm>(atom)) {
        const FSymbol* found = table->predicateDelta(predicate->getName());
        if (found == nullptr) return;
        const auto delta = Ref<PTerm>::adopt(new PTerm(*found, *predicate));
        deltas.addVariant(rule, position, index, atoms, normalizer.getSymTab(), delta.get(),
                          nullptr, nullptr);
        return;
    }
    FMolecule* molecule = asMolecule(atom);
    if (molecule == nullptr) return;
    Path* host = molecule->getHost();
    if (const Spec* spec = firstSpec(molecule);
        spec != nullptr && spec->getKind() >= 0 && spec->getKind() < DeltaTable::MethodTypes) {
        const int type = spec->getKind();
        const int count = argCount(spec);
        std::vector<FTerm*> args{spec->getMethod(), host};
        if (spec->getArgs() != nullptr)
            for (FTerm* arg : *spec->getArgs()) args.push_back(arg);
        if (withoutResults(spec)) {
            if (const FSymbol* found = table->emptySetDelta(type, count)) {
                variant(*found, args, nullptr, nullptr);
                return;
            }
        } else {
            if (const FSymbol* found = table->methodDelta(type, count)) {
                const auto* scalar = node_cast<SSpec>(spec);
                args.push_back(scalar != nullptr ? scalar->getResult()
                                                 : node_cast<MSpec>(spec)->firstResult());
                variant(*found, args, nullptr, nullptr);
                return;
            }
        }
    }
    FTerm* cls = molecule->getClassTerm();
    if (cls == nullptr) return;
    if (molecule->isaRelation() == IsaRelation::Member && table->isaFlag != 0 &&
        table->memberDelta == DeltaTable::MemberDelta::Direct && plainClass(cls)) {
        variant(table->isaDelta, {host, cls}, nullptr, nullptr);
    } else if (molecule->isaRelation() == IsaRelation::Member && table->isaFlag != 0) {
        rewriting.newVariables(2);
        FVar* v0 = rewriting.freshVars[0].get();
        FVar* v1 = rewriting.freshVars[1].get();
        variant(table->isaDelta, {host, v0}, isaAtom(v0, cls, 2).get(), nullptr);
        if (table->headSubclFlag != 0)
            variant(table->subclDelta, {v0, v1}, isaAtom(host, v0, 1).get(),
                    isaAtom(v1, cls, 2).get());
    } else if (molecule->isaRelation() == IsaRelation::Subclass && table->bodySubclFlag != 0) {
        rewriting.newVariables(2);
        FVar* v0 = rewriting.freshVars[0].get();
        FVar* v1 = rewriting.freshVars[1].get();
        variant(table->subclDelta, {v0, v1}, isaAtom(host, v0, 2).get(), isaAtom(v1, cls, 2).get());
    }
}

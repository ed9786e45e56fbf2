// Delta rewriting: the delta predicates of a program and its delta program, in which every rule
// occurs once per body atom that can meet the facts of the last round, that atom replaced by its
// delta atom.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "compile/Normalizer.h"
#include "eval/PrSemiNaive.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
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

const Spec* firstSpec(const FMolecule* molecule) {
    clib_list<Spec*>* specs = molecule->getSpecs();
    return specs != nullptr && !specs->empty() ? specs->head() : nullptr;
}

struct SymbolLess {
    bool operator()(const FSymbol& a, const FSymbol& b) const { return compare(a, b) < 0; }
};

// The aggregates inside a term, outermost first.
void findAggregates(FTerm* term, std::vector<AggExpr*>& found) {
    if (term == nullptr) return;
    if (auto* aggregate = node_cast<AggExpr>(term)) {
        found.push_back(aggregate);
        return;
    }
    if (auto* predicate = node_cast<PTerm>(term)) {
        if (clib_list<FTerm*>* args = predicate->getArgs())
            for (FTerm* arg : *args) findAggregates(arg, found);
    } else if (auto* expr = node_cast<ArithmeticExpr>(term)) {
        findAggregates(expr->getLeft(), found);
        findAggregates(expr->getRight(), found);
    } else if (FMolecule* molecule = asMolecule(term)) {
        if (clib_list<Spec*>* specs = molecule->getSpecs())
            for (Spec* spec : *specs) {
                if (spec->getArgs() != nullptr)
                    for (FTerm* arg : *spec->getArgs()) findAggregates(arg, found);
                if (const auto* scalar = node_cast<SSpec>(spec))
                    findAggregates(scalar->getResult(), found);
                else if (const auto* set = node_cast<MSpec>(spec);
                         set != nullptr && set->getResults() != nullptr)
                    for (FTerm* result : *set->getResults()) findAggregates(result, found);
            }
    }
}

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

template <class Visit>
void PrSemiNaive::forEachAggregateAtom(FTerm* term, SymTab* names, Visit visit) {
    std::vector<AggExpr*> aggregates;
    findAggregates(term, aggregates);
    for (AggExpr* aggregate : aggregates) {
        if (aggregate->getBody() == nullptr) continue;
        for (FLiteral* literal : *aggregate->getBody()->getList()) {
            const auto atoms = Ref<FTermList>::adopt(new FTermList);
            normalizer->setSymTab(names);
            normalizer->normalizeTerm(literal->getTerm(), atoms.get());
            for (FTerm* atom : atoms->getList()) {
                visit(atom);
                forEachAggregateAtom(atom, names, visit);
            }
        }
    }
}

std::unique_ptr<DeltaTable> PrSemiNaive::rewriteProgram(FProgram* program, int triggerForm) {
    if (program == nullptr || !normalizer) return nullptr;
    FProgram* atomized = normalizer->giveProgram();
    if (atomized == nullptr) return nullptr;
    SymTab* names = program->getSymTab();
    auto table = std::make_unique<DeltaTable>();
    std::set<int> headCounts[DeltaTable::MethodTypes];
    std::set<int> bodyCounts[DeltaTable::MethodTypes];
    std::set<int> emptyCounts[DeltaTable::MethodTypes];
    std::set<FSymbol, SymbolLess> heads;
    std::set<FSymbol, SymbolLess> bodies;
    int headBits = 0;
    int bodySubcl = 0;
    int largest = 0;
    if (triggerForm == 0) {
        headPredicates.clear();
        headMethodTypes = 0;
        anyHead = false;
    }

    auto collectBody = [&](FTerm* term) {
        if (const auto* predicate = node_cast<PTerm>(term)) {
            if (isPlainPredicate(term)) bodies.insert(predicate->getName());
            return;
        }
        FMolecule* molecule = asMolecule(term);
        if (molecule == nullptr) return;
        if (const Spec* spec = firstSpec(molecule)) {
            const int type = spec->getKind();
            const int count = argCount(spec);
            largest = std::max(largest, count);
            if (type < 0 || type >= DeltaTable::MethodTypes) return;
            if (setValued(type) && withoutResults(spec))
                emptyCounts[type].insert(count);
            else
                bodyCounts[type].insert(count);
        } else if (molecule->isaRelation() == IsaRelation::Subclass) {
            bodySubcl = 1;
        }
    };

    // The facts are asked only which relations they write: each atom of a molecule fact
    // writes its class relation, or a method of its arrow's kind with its number of arguments.
    auto visitWrite = [&](const FactList::Write& write) {
        if (triggerForm != 0) return true;
        anyHead = true;
        switch (write.form) {
            case FactList::Predicate:
                heads.insert(write.symbol);
                break;
            case FactList::Member:
                headBits |= 1;
                break;
            case FactList::Subclass:
                headBits |= 2;
                break;
            default: {
                const int type = write.form == FactList::SetValue ? 1 : 0;
                largest = std::max(largest, write.number);
                headMethodTypes |= 1 << type;
                headCounts[type].insert(write.number);
            }
        }
        return true;
    };
    auto visitClause = [&](FRule* clause) {
        const int kind = clause->ruleKind();
        if (kind != FRule::Fact && kind != FRule::Rule) return true;
        if (triggerForm == 0 && clause->getHead() != nullptr) {
            anyHead = true;
            for (FTerm* term : clause->getHead()->getList()) {
                if (const auto* predicate = node_cast<PTerm>(term)) {
                    if (isPlainPredicate(term)) heads.insert(predicate->getName());
                    continue;
                }
                FMolecule* molecule = asMolecule(term);
                if (molecule == nullptr) continue;
                if (clib_list<Spec*>* specs = molecule->getSpecs())
                    for (Spec* spec : *specs) {
                        const int type = spec->getKind();
                        largest = std::max(largest, argCount(spec));
                        if (type >= 0 && type <= 8) headMethodTypes |= 1 << type;
                        if (type >= 0 && type < DeltaTable::MethodTypes)
                            headCounts[type].insert(argCount(spec));
                    }
                if (molecule->getClassTerm() != nullptr) headBits |= molecule->getIsaKind();
            }
        }
        if (clause->getBody() == nullptr) return true;
        for (FLiteral* literal : *clause->getBody()->getList()) {
            if (literal->isNegated() || literal->getTerm() == nullptr) continue;
            collectBody(literal->getTerm());
            // What aggregates read counts as read, so that its new facts make a round count.
            if (triggerForm == 0)
                forEachAggregateAtom(literal->getTerm(), clause->getSymTab(), collectBody);
        }
        return true;
    };
    atomized->forEachRuleAndWrite(visitClause, visitWrite);
    // The evaluation's normaliser leaves the compact facts to the program.
    program->forEachRuleAndWrite([](FRule*) { return true; }, visitWrite);
    if (triggerForm == 0) {
        headIsaBits = headBits;
        for (const FSymbol& head : heads) headPredicates.insert(head.getValue());
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
    table->maxArgCount = largest;
    return table;
}

std::unique_ptr<DeltaRules> PrSemiNaive::buildDeltaProgram(FProgram* program, DeltaTable* table,
                                                           DeltaRules* firstRound) {
    if (program == nullptr || table == nullptr) return nullptr;
    // The delta predicates whose relation is empty before the first round.
    std::set<FSymbol, SymbolLess> whole;
    if (firstRound != nullptr)
        table->forEachPredicateDelta([&](const FSymbol& predicate, const FSymbol& delta) {
            if (access->isEmptyPredicate(predicate)) whole.insert(delta);
            return true;
        });
    bool firstDiffers = false;
    auto deltas = std::make_unique<DeltaRules>();
    // Only rules have delta forms: the facts, compact or whole, are passed over.
    auto visitRule = [&](FRule* rule) {
        if (rule->ruleKind() != FRule::Rule) return true;
        if (keptEveryRound(rule, table == triggerDeltaTable.get())) {
            deltas->addRule(rule);
            if (firstRound != nullptr) firstRound->addRule(rule);
            return true;
        }
        const std::size_t from = deltas->size();
        rewriteRule(rule, table, *deltas);
        bool overWhole = false;
        for (std::size_t i = from; i < deltas->size() && !whole.empty() && !overWhole; ++i) {
            const auto* delta = node_cast<PTerm>(deltas->deltaAtom(i));
            overWhole = delta != nullptr && whole.count(delta->getName()) != 0;
        }
        if (firstRound != nullptr) {
            if (overWhole) {
                firstRound->addRule(rule);
                firstDiffers = true;
            } else {
                firstRound->addFrom(*deltas, from);
            }
        }
        return true;
    };
    program->forEachClause(visitRule, [](const FactList&, std::size_t) { return true; });
    // Nothing to gain: the caller sees an empty first-round list.
    if (firstRound != nullptr && !firstDiffers) firstRound->clear();
    return deltas;
}

bool PrSemiNaive::derivable(FTerm* atom) const {
    if (const auto* predicate = node_cast<PTerm>(atom))
        return isPlainPredicate(atom) && headPredicates.count(predicate->getName().getValue()) != 0;
    FMolecule* molecule = asMolecule(atom);
    if (molecule == nullptr) return false;
    if (const Spec* spec = firstSpec(molecule)) {
        const int type = spec->getKind();
        if (type >= 0 && type < DeltaTable::MethodTypes && inheritanceFlag != 0) return true;
        return type >= 0 && type <= 8 && (headMethodTypes & (1 << type)) != 0;
    }
    if (molecule->getClassTerm() != nullptr) return headIsaBits != 0;
    return anyHead;
}

bool PrSemiNaive::keptEveryRound(FRule* rule, bool triggerForm) {
    if (rule->getBody() == nullptr) return false;
    bool kept = false;
    SymTab* names = rule->getSymTab();
    SymTab* copiedFrom = nullptr;
    std::int32_t copiedNext = 0;
    for (FLiteral* literal : *rule->getBody()->getList()) {
        if (literal->getTerm() == nullptr) continue;
        const auto atoms = Ref<FTermList>::adopt(new FTermList);
        tableForLiteral(names, copiedFrom, copiedNext);
        normalizer->normalizeTerm(literal->getTerm(), atoms.get());
        for (FTerm* atom : atoms->getList()) {
            // An aggregate is read anew in every round: its value changes with any fact it
            // folds, and no delta atom stands for it.
            forEachAggregateAtom(atom, names, [&](FTerm* inner) {
                if (!derivable(inner)) return;
                kept = true;
                if (const FMolecule* molecule = asMolecule(inner)) {
                    const Spec* spec = firstSpec(molecule);
                    if (spec == nullptr ? molecule->getClassTerm() == nullptr
                                        : isSignature(spec->methodType()))
                        unrecordedReads = true;
                }
            });
            if (literal->isNegated()) continue;
            FMolecule* molecule = asMolecule(atom);
            if (molecule == nullptr) continue;
            const Spec* spec = firstSpec(molecule);
            // An inherited set value can make the first entry of a method, which the trigger
            // form has no delta for.
            if (triggerForm && spec != nullptr && setValued(spec->getKind()) &&
                withoutResults(spec))
                kept = true;
            // Signatures and bare objects have no delta predicates.
            if (!derivable(atom)) continue;
            if (spec != nullptr ? isSignature(spec->methodType())
                                : molecule->getClassTerm() == nullptr) {
                kept = true;
                unrecordedReads = true;
            }
        }
    }
    return kept;
}

void PrSemiNaive::tableForLiteral(SymTab* names, SymTab*& copiedFrom, std::int32_t& copiedNext) {
    SymTab* current = normalizer->getSymTab();
    if (copiedFrom == names && current != nullptr && current->nextId() == copiedNext) return;
    normalizer->setSymTab(names);
    current = normalizer->getSymTab();
    copiedFrom = names;
    copiedNext = current != nullptr ? current->nextId() : 0;
}

void PrSemiNaive::rewriteRule(FRule* rule, DeltaTable* table, DeltaRules& deltas) {
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
            tableForLiteral(rule->getSymTab(), copiedFrom, copiedNext);
            // The literal's atoms are shared by its variants, which hold them.
            const auto atoms = Ref<FTermList>::adopt(new FTermList);
            normalizer->normalizeTerm(literal->getTerm(), atoms.get());
            const std::size_t variants = deltas.size();
            int index = 0;
            for (FTerm* atom : atoms->getList())
                rewriteAtom(atom, atoms.get(), position, index++, rule, deltas, table);
            if (deltas.size() != variants) copiedFrom = nullptr;
        }
        ++position;
    }
}

void PrSemiNaive::newVariable(int count) {
    while (static_cast<int>(freshVars.size()) < count)
        freshVars.push_back(normalizer->newVariable());
}

void PrSemiNaive::rewriteAtom(FTerm* atom, FTermList* atoms, int position, int index, FRule* rule,
                              DeltaRules& deltas, DeltaTable* table) {
    freshVars.clear();
    auto variant = [&](const FSymbol& name, const std::vector<FTerm*>& args, FTerm* first,
                       FTerm* second) {
        auto* list = new clib_list<FTerm*>;
        for (FTerm* arg : args) list->append(arg);
        const auto delta = Ref<PTerm>::adopt(new PTerm(name, 0, 0, list));
        deltas.addVariant(rule, position, index, atoms, normalizer->getSymTab(), delta.get(), first,
                          second);
    };
    auto isaAtom = [](Path* host, FTerm* cls, int kind) {
        return Ref<FMolecule>::adopt(new FMolecule(host, cls, nullptr, kind));
    };

    if (auto* predicate = node_cast<PTerm>(atom)) {
        const FSymbol* found = table->predicateDelta(predicate->getName());
        if (found == nullptr) return;
        const auto delta = Ref<PTerm>::adopt(new PTerm(*found, *predicate));
        deltas.addVariant(rule, position, index, atoms, normalizer->getSymTab(), delta.get(),
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
    if (molecule->isaRelation() == IsaRelation::Member && table->isaFlag != 0) {
        newVariable(2);
        FVar* v0 = freshVars[0].get();
        FVar* v1 = freshVars[1].get();
        variant(table->isaDelta, {host, v0}, isaAtom(v0, cls, 2).get(), nullptr);
        if (table->headSubclFlag != 0)
            variant(table->subclDelta, {v0, v1}, isaAtom(host, v0, 1).get(),
                    isaAtom(v1, cls, 2).get());
    } else if (molecule->isaRelation() == IsaRelation::Subclass && table->bodySubclFlag != 0) {
        newVariable(2);
        FVar* v0 = freshVars[0].get();
        FVar* v1 = freshVars[1].get();
        variant(table->subclDelta, {v0, v1}, isaAtom(host, v0, 2).get(), isaAtom(v1, cls, 2).get());
    }
}

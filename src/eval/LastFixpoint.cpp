// The remembered fixpoint of an evaluator: the facts added since, and which parts of a program
// may start from them.
#include "eval/LastFixpoint.h"

#include "foundation/clib_list.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/OM.h"

namespace {

std::size_t clauseCount(const FProgram* program) {
    std::size_t count = 0;
    program->forEachClause(
        [&count](FRule*) {
            ++count;
            return true;
        },
        [&count](const FactList&, std::size_t) {
            ++count;
            return true;
        });
    return count;
}

bool holdsAggregate(FTerm* term);

bool anyAggregate(const clib_list<FTerm*>* terms) {
    if (terms == nullptr) return false;
    for (FTerm* term : *terms)
        if (holdsAggregate(term)) return true;
    return false;
}

// Whether an aggregate stands anywhere inside the term.
bool holdsAggregate(FTerm* term) {
    if (term == nullptr) return false;
    if (term->is(ParseTreeClass::AggExpr)) return true;
    if (term->is(ParseTreeClass::PTerm)) return anyAggregate(static_cast<PTerm*>(term)->getArgs());
    if (term->is(ParseTreeClass::ArithmeticExpr)) {
        auto* arithmetic = static_cast<ArithmeticExpr*>(term);
        return holdsAggregate(arithmetic->getLeft()) || holdsAggregate(arithmetic->getRight());
    }
    if (term->is(ParseTreeClass::FMolecule)) {
        auto* molecule = static_cast<FMolecule*>(term);
        if (holdsAggregate(molecule->getHost()) || holdsAggregate(molecule->getClassTerm()))
            return true;
        if (molecule->getSpecs() != nullptr)
            for (Spec* spec : *molecule->getSpecs()) {
                if (anyAggregate(spec->getArgs())) return true;
                if (spec->is(ParseTreeClass::SSpec) &&
                    holdsAggregate(static_cast<SSpec*>(spec)->getResult()))
                    return true;
                if (spec->is(ParseTreeClass::MSpec) &&
                    anyAggregate(static_cast<MSpec*>(spec)->getResults()))
                    return true;
            }
        return false;
    }
    if (term->is(ParseTreeClass::Reference)) {
        auto* reference = static_cast<Reference*>(term);
        return holdsAggregate(reference->getHost()) || anyAggregate(reference->getArgs());
    }
    if (term->is(ParseTreeClass::FunctionTerm) && !term->is(ParseTreeClass::FVar))
        return anyAggregate(static_cast<FunctionTerm*>(term)->getArgs());
    return false;
}

}  // namespace

void LastFixpoint::remember(FProgram* given, const OM* base) {
    forget();
    if (given == nullptr || base == nullptr) return;
    incRef(given);
    program = given;
    clauses = clauseCount(given);
    stamp = base->changeStamp();
}

void LastFixpoint::forget() {
    decRef(program);
    program = nullptr;
    clauses = 0;
}

void LastFixpoint::forgetUnheld() {
    if (program != nullptr && program->refCount() == 1) forget();
}

FProgram* LastFixpoint::addedFacts(FProgram* given, const OM* base) const {
    if (program == nullptr || given != program || base == nullptr || base->changeStamp() != stamp)
        return nullptr;
    auto* added = new FProgram(new clib_list<FRule*>, given->getSymTab());
    std::size_t index = 0;
    bool factsOnly = true;
    given->forEachClause(
        [&](FRule* rule) {
            if (index++ < clauses) return true;
            if (rule->ruleKind() != FRule::Fact) {
                factsOnly = false;
                return false;
            }
            added->append(rule);
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            if (index++ < clauses) return true;
            added->appendFact(facts, i);
            return true;
        });
    if (!factsOnly || index < clauses) {
        decRef(added);
        return nullptr;
    }
    added->setInheritanceMark(given->inheritanceMark());
    return added;
}

bool LastFixpoint::monotone(FProgram* part) {
    bool plain = true;
    part->forEachClause(
        [&plain](FRule* rule) {
            if (rule->ruleKind() != FRule::Rule) return true;
            if (rule->getHead() != nullptr)
                for (FTerm* term : rule->getHead()->getList())
                    if (holdsAggregate(term)) plain = false;
            if (rule->getBody() != nullptr)
                for (FLiteral* literal : *rule->getBody()->getList())
                    if (literal->isNegated() || holdsAggregate(literal->getTerm())) plain = false;
            return plain;
        },
        [](const FactList&, std::size_t) { return true; });
    return plain;
}

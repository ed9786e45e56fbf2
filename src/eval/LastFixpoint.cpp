// The remembered fixpoint of an evaluator and the facts added since.
#include "eval/LastFixpoint.h"

#include "foundation/clib_list.h"
#include "language/FProgram.h"
#include "language/FRule.h"
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

FProgram* LastFixpoint::addedClauses(FProgram* given, const OM* base) const {
    if (program == nullptr || given != program || base == nullptr || base->changeStamp() != stamp)
        return nullptr;
    auto* added = new FProgram(new clib_list<FRule*>, given->getSymTab());
    std::size_t index = 0;
    given->forEachClause(
        [&](FRule* rule) {
            if (index++ >= clauses) added->append(rule);
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            if (index++ >= clauses) added->appendFact(facts, i);
            return true;
        });
    if (index < clauses) {
        decRef(added);
        return nullptr;
    }
    added->setInheritanceMark(given->inheritanceMark());
    return added;
}

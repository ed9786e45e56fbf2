// The remembered fixpoint of an evaluator and the facts added since.
#include "eval/LastFixpoint.h"

#include "foundation/clib_list.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "objectbase/OM.h"

LastFixpoint::~LastFixpoint() = default;

void LastFixpoint::remember(FProgram* given, const OM* base) {
    forget();
    if (given == nullptr || base == nullptr) return;
    program = Ref<FProgram>::share(given);
    clauses = given->clauseCount();
    stamp = base->changeStamp();
}

void LastFixpoint::forget() {
    program = {};
    clauses = 0;
}

void LastFixpoint::forgetUnheld() {
    if (program && program->refCount() == 1) forget();
}

Ref<FProgram> LastFixpoint::addedClauses(FProgram* given, const OM* base) const {
    if (!program || given != program.get() || base == nullptr || base->changeStamp() != stamp)
        return {};
    auto added = Ref<FProgram>::adopt(new FProgram(new clib_list<FRule*>, given->getSymTab()));
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
    if (index < clauses) return {};
    added->setInheritanceMark(given->inheritanceMark());
    return added;
}

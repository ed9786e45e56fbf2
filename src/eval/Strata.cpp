// Strata: the parts of a program by stratum, read from its plan.
#include "eval/Strata.h"

#include "eval/ProgramPlan.h"
#include "language/FProgram.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"

const FSymbol* constantName(FTerm* term) {
    if (term == nullptr || !term->is(ParseTreeClass::FunctionTerm) ||
        term->is(ParseTreeClass::FVar))
        return nullptr;
    auto* function = static_cast<FunctionTerm*>(term);
    if (function->getArgs() != nullptr && !function->getArgs()->empty()) return nullptr;
    return &function->getName();
}

Strata::Strata(FProgram* program, Inheritance inheritance) {
    if (program == nullptr) return;
    const ProgramPlan plan(program,
                           inheritance == Inheritance::Inherits ? ProgramPlan::Inheritance::Inherits
                                                                : ProgramPlan::Inheritance::None,
                           ProgramPlan::Split::Whole);
    programs = plan.levels();
    roundsWarnings = plan.warnings();
}

Strata::~Strata() = default;

// The binding passings of one body.
#include "compile/VarPropagator.h"

void VarPropagator::add(FLiteral* from, FLiteral* to, const FSymbol& variable) {
    records.append(VarPassing{from, to, variable});
    byTarget[to].push_back(VarPassing{from, to, variable});
}

void VarPropagator::passedTo(FLiteral* literal, set<FSymbol>* variables,
                             set<FLiteral*>* sources) const {
    auto at = byTarget.find(literal);
    if (at == byTarget.end()) return;
    for (const VarPassing& passing : at->second) {
        if (variables != nullptr) variables->insert(passing.variable);
        if (sources != nullptr) sources->insert(passing.from);
    }
}

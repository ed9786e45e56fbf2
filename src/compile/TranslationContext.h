// TranslationContext, the state of one translation of a rule body: made when the translation
// starts and dropped when it ends, so that no translation sees what another left behind.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "compile/AlgebraicExpr.h"
#include "compile/PatternSpec.h"
#include "compile/VarScanner.h"
#include "foundation/Ref.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"

class FLiteral;
class FMolecule;
class FTerm;
class SymTab;

struct TranslationContext {
    // The variables still needed after each literal of a scope: the scope's output and every
    // variable of a later literal. Each variable's last literal stands for a set per literal, so
    // that a long body costs memory in proportion to its size, not to its square.
    struct LiveVariables {
        // Sorted: looked up by binary search, made in one allocation each.
        std::vector<FSymbol> output;
        // Each variable with its last literal, sorted by variable.
        std::vector<std::pair<FSymbol, std::int32_t>> lastUse;
        std::int32_t count = 0;
        bool member(std::int32_t literal, const FSymbol& var) const;
        void clear();
    };

    // Whether the translation writes its trace: a tree made only to read its columns is not
    // traced.
    // The stacks start with room for a literal or two of a common body.
    explicit TranslationContext(SymTab* names, bool traced) : symTab(names), traced(traced) {
        stack.reserve(8);
        pendingSymbols.reserve(8);
    }
    TranslationContext(const TranslationContext&) = delete;
    TranslationContext& operator=(const TranslationContext&) = delete;

    SymTab* const symTab;
    const bool traced;
    // The expressions of the literal being translated; a null entry stands for the newest
    // pending symbol.
    std::vector<Ref<AlgebraicExpr>> stack;
    std::vector<FSymbol> pendingSymbols;
    set<FSymbol> passed;
    std::int32_t passedCount = 0;
    std::int32_t error = 0;
    // Set when the body leaves nothing to take (a negated free variable first, a negated float
    // or object, a negation after a null entry): the translation answers null without error.
    std::int32_t untranslatable = 0;
    std::int32_t stackBase = 0;
    // While a literal and the tests that filter it alone are joined to each other before the
    // rows of the literals before them: the stack size at the literal's start; -1 otherwise.
    std::int32_t groupBase = -1;
    // The literal from which on the body's literals are joined among themselves before their
    // rows meet those of the literals before it (a bushy plan, see JoinShape); -1 for none.
    std::int32_t secondHalf = -1;
    LiveVariables live;
    // One occurrence dictionary per literal of the current scope, owned here; null until the
    // literal's occurrences are first asked for.
    std::vector<std::unique_ptr<VarOccurrences>> dictionaries;
    std::int32_t literalIndex = 0;
    FTerm* currentTerm = nullptr;
    FMolecule* literalMolecule = nullptr;
    std::vector<FLiteral*> literals;
    std::int32_t mergeFlag = 0;
    std::int32_t duplicate = 0;
};

// JoinPlanner, which decides the order in which the literals of a body (a rule's, a query's, an
// aggregate's, a delta rule's) are evaluated, so that no literal is joined to the ones before it
// by a cross product when an order without one exists.
#pragma once

#include <cstddef>
#include <vector>

#include "foundation/Ref.h"
#include "language/ParseTreeNode.h"

class FLiteral;
class FLiteralList;
class SymTab;

// How the literals of a body are joined, decided once when the body is translated: in `order`,
// each literal joined to the rows of the ones before it (left-deep), or, from `split` on, the
// literals joined among themselves first and their rows then joined to those of the literals
// before `split` (two left-deep halves under one join).
struct JoinShape {
    Ref<FLiteralList> order;
    // 0 for a left-deep plan; else the first literal of the second half (at least 2, at most
    // the body's length less 2).
    std::size_t split = 0;
    bool bushy() const { return split != 0; }
};

class JoinPlanner {
  public:
    // The literals of `body` in the order of evaluation, as a new list. Each literal comes after
    // the ones that bind what it needs (a built-in after its inputs, a negation after its
    // variables, an aggregate after its grouping variables). Among the literals that may come next,
    // one that shares a variable with those placed is preferred to one that shares none; then the
    // one with more variables already bound; then the one written first. A literal carrying the
    // second flag (the delta atom of a rewritten rule) comes first. An axis step that would
    // enumerate every related pair with its host free (see pairStepHost) waits behind every other
    // candidate while its host is unbound. As FLiteralList::safeOrder: `bound` receives the
    // variables bound, a shorter list tells that the rest could not be placed, null that none
    // could. A test that filters one literal alone (see filtersAlone) follows the first such
    // literal directly, in the order written among the tests of that literal.
    static Ref<FLiteralList> plan(const FLiteralList* body, VarSet& bound, const SymTab* names);
    // The same order, for a reader that does not ask what is bound.
    static Ref<FLiteralList> plan(const FLiteralList* body, const SymTab* names);
    // The order of plan, and where it pays to join two halves of it: a body of four to sixteen
    // positive stored predicates, none of them a delta atom, over variables and constants, is
    // split where an estimate of the rows its joins make is well below the left-deep plan's
    // (the estimate takes every relation as ten thousand rows over a thousand values per
    // column, and the rows of each join as kept once over the variables still needed). So a
    // 4-cycle e(A, B), e(B, C), e(C, D), e(D, A) joins the paths (A, B, C) and (C, D, A) on A
    // and C instead of making every path of length three; a chain whose halves would meet in a
    // product stays left-deep. `output` holds the variables the body must deliver.
    static JoinShape shape(const FLiteralList* body, const VarSet& output, const SymTab* names);
    // The order the language layer's safety check finds (FLiteralList::safeOrder), with the same
    // results; null for a null body. safeOrder hands out a new list with its first reference:
    // this is the one place in compile that takes it over.
    static Ref<FLiteralList> safeOrder(const FLiteralList* body, VarSet& bound,
                                       const SymTab* names);
    // The host variables of a positive descendant, ancestor or sibling step: with its host free
    // such a step lists every pair of related nodes (the square of a document's depth or width),
    // with the host bound only that host's relatives. So it is planned after a literal that binds
    // its host and takes the host's bindings. Empty for any other literal.
    static std::vector<FSymbol> pairStepHost(const FLiteral* literal);
    // True when `test` is a positive comparison or type test (=, <, >, <=, >=, equiv, integer,
    // string, float, over variables, constants and arithmetic) whose every variable `literal`
    // binds by itself: a literal that needs no bindings from before it (not a built-in, not a
    // pair-listing step). Such a test only filters the literal's rows, so it can be applied to
    // them before they are joined to anything else.
    static bool filtersAlone(const FLiteral* test, const FLiteral* literal, const SymTab* names);
};

// JoinPlanner, which decides the order in which the literals of a body (a rule's, a query's, an
// aggregate's, a delta rule's) are evaluated, so that no literal is joined to the ones before it
// by a cross product when an order without one exists.
#pragma once

#include <vector>

#include "foundation/Ref.h"
#include "language/ParseTreeNode.h"

class FLiteral;
class FLiteralList;
class SymTab;

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

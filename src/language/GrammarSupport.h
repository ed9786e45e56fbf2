// GrammarSupport: the builders behind the grammar actions, so that each action is one call. A
// builder makes its node only while the clause is free of errors (else it answers null) and
// releases the references of the parts handed to it either way. Also the grammar's checks: the
// classification of predicates (built-in arities, list arguments) and the aggregate operators.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "foundation/clib_list.h"
#include "objectbase/FSymbol.h"

class AggExpr;
class FctOrPred;
class FLiteral;
class FLiteralList;
class FRule;
class FTerm;
class FTermList;
class InternalGrammarParser;
class IsaSpec;
class MethAppl;
class MethListElement;
class MethRef;
class MethResult;
class ManagedObject;
class Path;
class PTerm;
class Specification;

using TermList = clib_list<FTerm*>;
using ElementList = clib_list<MethListElement*>;
using VarList = clib_list<FSymbol>;

// A name with its arguments, as the F-Logic grammar reads it before it knows whether a predicate
// or a term is meant: held by value on the grammar's stack, so it costs no node. The text is the
// parser's token text; the list carries the grammar's references to its elements. A null name
// stands for none (the clause was refused).
struct NameApplication {
    char* name;
    TermList* args;
};

class GrammarSupport {
  public:
    explicit GrammarSupport(InternalGrammarParser& parser) : parser(parser) {}

    // The deepest tree a clause may build. Every later stage (printing, comparing, scanning,
    // translating, releasing) walks a tree recursively, one or more frames a level; a path
    // or an operator chain deeper than this would run out of stack there, so the clause is
    // refused here with the message of the parser's own stack limit, which bounds nesting.
    static constexpr int maxDepth = 3000;
    // Forgets the depths of the previous clause's nodes.
    void startClause();

    // Stores the clause's rule as the call's result; false when the clause is rejected (its
    // rule, if any, released).
    bool finishClause(FRule* rule, FRule** result);
    // A fact (no body), a rule, or a query (no head), with the clause's variable table.
    FRule* rule(FTermList* head, FLiteralList* body);

    FTermList* head(FTerm* atom);
    FTermList* append(FTermList* head, FTerm* atom);
    FLiteralList* literals(FLiteral* literal);
    FLiteralList* append(FLiteralList* literals, FLiteral* literal);
    FLiteral* literal(FTerm* atom, int negated);

    // A path ending in a step, standing as an atom: a molecule over the step, without parts.
    FTerm* stepAtom(Path* host, MethRef* step);
    // The predicate term of a name application, after the built-in checks.
    PTerm* predicate(FctOrPred* application);
    PTerm* predicate(NameApplication application);
    // The same inside a Pevo filter, where only the built-ins without list arguments and
    // without "describe" are known: those names are ordinary predicates there.
    PTerm* filterPredicate(FctOrPred* application);
    // The built-in comparison of two operands.
    PTerm* comparison(Path* left, char* op, Path* right);
    Path* arithmetic(Path* left, char* op, Path* right);
    // After the check of the operator name; without grouping variables `groups` is null.
    Path* aggregate(char* op, char* variable, VarList* groups, FLiteralList* body);

    Path* molecule(Path* host, Specification* specification);
    Path* reference(Path* host, MethRef* step);
    Specification* specification(IsaSpec* isa, ElementList* elements);
    IsaSpec* isa(int kind, Path* cls);
    MethRef* step(MethAppl* method, int dot);
    ElementList* elements(MethAppl* method, MethResult* result);
    ElementList* append(ElementList* elements, MethAppl* method, MethResult* result);
    MethAppl* method(Path* method, TermList* args);
    MethResult* scalarResult(int kind, Path* result);
    MethResult* setResult(int kind, TermList* results);

    TermList* terms(Path* term);
    TermList* append(TermList* terms, Path* term);
    VarList* variables(VarList* variables, char* name);

    Path* functionTerm(FctOrPred* application);
    // The same for a name application of the F-Logic grammar, which is held by value.
    Path* functionTerm(NameApplication application);
    Path* variable(char* name);
    Path* constant(char* text, int kind);
    // A string constant of the F-Logic dialect: its text as written, but for the escaped double
    // quotes, which stand for themselves (see unescapeQuotes).
    Path* stringConstant(char* text);
    FctOrPred* application(char* name, TermList* args);
    // The same without a node, after the same depth check.
    NameApplication nameApplication(char* name, TermList* args);
    Path* emptyList();
    Path* listCell(Path* head, Path* tail);

    // Whether a predicate of this name is one of the built-ins the grammar checks.
    static bool namesBuiltin(const std::string& name);
    // The depth of a part built for this clause (1 for a leaf, 0 for null).
    int depthOf(const void* part) const;
    // Records the depth of a new node or list; beyond maxDepth the clause is refused and the
    // node released (null answered). T is a node or a list of nodes. The Pevo builders measure
    // their own nodes through these two as well.
    template <class T>
    T* measured(T* made, int depth);

  private:
    bool ok() const;
    // True, after the report, when a part of this depth is too deep: the clause is refused.
    bool refused(int depth);
    Path* constantOf(const std::string& value, int kind);
    PTerm* classify(FctOrPred* application, bool inFilter);
    PTerm* classify(const std::string& name, TermList* args, int depth, bool inFilter);
    // The term of a function symbol with its arguments (the list's references pass to it).
    Path* functionTerm(const std::string& name, TermList* args, int depth);
    // The elements of a list argument ("cons" cells unfolded), each with a reference taken; the
    // term itself when it is no list cell.
    void unfoldList(FTerm* term, TermList& into) const;

    InternalGrammarParser& parser;
    // Depth of each node and list this clause built, by address; a later entry for an address
    // (storage reused within the clause) overrides an earlier one. A clause builds a few dozen
    // nodes, searched from the newest faster than hashed; a bigger clause moves them to the map.
    static constexpr std::size_t recentLimit = 32;
    std::vector<std::pair<const void*, int>> recent;
    std::unordered_map<const void*, int> depths;
};

namespace grammar {

// Releases a node the grammar holds; null is allowed.
void release(ManagedObject* node);
// Releases what a name application holds.
void release(const NameApplication& application);
// Releases every element of the list and the list itself, which the caller hands over; null is
// allowed.
template <class T>
void releaseList(clib_list<T*>* list) {
    const std::unique_ptr<clib_list<T*>> held(list);
    if (held == nullptr) return;
    for (T* node : *held) release(node);
}
// Marks a term written in parentheses; null passes through.
Path* parenthesized(Path* term);
// The text of a Pevo string token with the escapes \n, \t, \" and \\ replaced by the characters
// they stand for; any other backslash stays. The quotes stay part of the text.
std::string unescapeString(const std::string& text);
// The text of an F-Logic string token with each escaped inner double quote made the quote alone;
// every other backslash stays as written. The printed form of a string puts a backslash before
// each inner quote and writes backslashes bare, so a string read, written and read again keeps
// its text, and a quote is one character whatever read it (F-Logic, Pevo or a document).
std::string unescapeQuotes(const std::string& text);

}  // namespace grammar

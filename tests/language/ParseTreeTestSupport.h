// Builds parse trees by hand for the rule-language tests: symbols from a program table and a
// clause table, variables, terms, literals, clauses and their printed text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/OutputChannel.h"
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
#include "language/MethResult.h"
#include "language/PTerm.h"
#include "language/ParseTimeObjects.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"

namespace language_test {

// The builder holds one reference to every node it makes and releases them all when it goes;
// the nodes hold their own references to their children, so trees may be nested freely.
class TreeBuilder {
  public:
    TreeBuilder() { names->initBuiltinSymbols(); }
    TreeBuilder(const TreeBuilder&) = delete;
    TreeBuilder& operator=(const TreeBuilder&) = delete;

    // Keeps a node made elsewhere (a clone, a method-call result) until the builder goes.
    template <class T>
    T* own(T* node) {
        if (node != nullptr) made.push_back(Ref<ManagedObject>::adopt(node));
        return node;
    }

    FSymbol varSymbol(const std::string& name) {
        return vars->GetFSymbol(name, InternalName::Variable, 0);
    }
    FSymbol symbol(const std::string& name, int kind, int arity) {
        return names->GetFSymbol(name, kind, arity);
    }

    // A variable of the clause table; "_" and names starting with "_" are don't-cares.
    FVar* var(const std::string& name) { return own(new FVar(varSymbol(name))); }
    FunctionTerm* cnst(const std::string& name) {
        return own(new FunctionTerm(symbol(name, InternalName::Function, 0), nullptr));
    }
    FunctionTerm* num(int value) {
        return own(new FunctionTerm(FSymbol(value, InternalName::Integer, -1), nullptr));
    }
    FunctionTerm* fn(const std::string& name, std::initializer_list<FTerm*> args) {
        return own(new FunctionTerm(symbol(name, InternalName::Function, int(args.size())),
                                    argList(args)));
    }
    // A list of the items, ending in nil or in the given tail.
    FunctionTerm* list(std::vector<FTerm*> items, FTerm* tail = nullptr) {
        FTerm* rest = tail != nullptr ? tail : own(new FunctionTerm(builtinSymbol::Nil, nullptr));
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            rest =
                own(new FunctionTerm(builtinSymbol::Cons, argList(std::vector<FTerm*>{*it, rest})));
        return static_cast<FunctionTerm*>(rest);
    }
    PTerm* pred(const std::string& name, std::initializer_list<FTerm*> args) {
        return own(new PTerm(symbol(name, InternalName::Predicate, int(args.size())), 0, 0,
                             argList(args)));
    }
    PTerm* builtin(const std::string& name, std::vector<FTerm*> args, int groupStart = 0,
                   int groupEnd = 0) {
        return own(new PTerm(symbol(name, InternalName::BuiltinPredicate, int(args.size())),
                             groupStart, groupEnd, argList(args)));
    }

    ArithmeticExpr* arith(FTerm* left, const std::string& op, FTerm* right) {
        return own(new ArithmeticExpr(left, right, op));
    }
    AggExpr* agg(const std::string& op, const std::string& var,
                 std::initializer_list<const char*> groups, FLiteralList* body) {
        VarList groupVars;
        for (const char* group : groups) groupVars.append(varSymbol(group));
        return own(new AggExpr(body, varSymbol(var), op, groupVars));
    }

    // The method application of a step or specification; the builder keeps it.
    MethAppl* appl(FTerm* method, std::vector<FTerm*> args = {}, int code = 0) {
        return own(new MethAppl(method, args.empty() ? nullptr : argList(args), code));
    }
    // A step host.method@(args) with the dot code (0 ".", 1 "..", 3 "!", 4 "!!").
    Reference* step(Path* host, FTerm* method, std::vector<FTerm*> args = {}, int dot = 0) {
        return own(new Reference(host, own(new MethRef(appl(method, args), dot))));
    }
    // A Pevo step: dot 1 "/" (0 ":"), with the axis code (1 child, 2 descendant, 6 attribute,
    // 8 function application).
    PevoReference* pevoStep(Path* host, FTerm* method, int code, int dot = 1) {
        return own(new PevoReference(host, own(new MethRef(appl(method, {}, code), dot))));
    }
    // The implicit context object of a relative Pevo path.
    FunctionTerm* self() {
        auto* term = own(new FunctionTerm(builtinSymbol::Self, nullptr));
        term->setStartKind(1);
        return term;
    }
    SMethResult* scalarResult(int kind, FTerm* result) {
        return own(new SMethResult(kind, result));
    }

    SSpec* sspec(FTerm* method, FTerm* result, int kind = 0, std::vector<FTerm*> args = {}) {
        return own(new SSpec(method, 0, args.empty() ? nullptr : own(argList(args)), kind, result));
    }
    MSpec* mspec(FTerm* method, std::vector<FTerm*> results, int kind = 1,
                 std::vector<FTerm*> args = {}) {
        return own(new MSpec(method, 0, args.empty() ? nullptr : own(argList(args)), kind,
                             own(argList(results))));
    }
    PevoMSpec* pevoSpec(FTerm* method, int code, std::vector<FTerm*> results, int kind = 1) {
        return own(new PevoMSpec(method, code, nullptr, kind, own(argList(results))));
    }
    // A molecule; no specifications leaves the list missing.
    FMolecule* mol(Path* host, std::vector<Spec*> specs = {}, FTerm* cls = nullptr,
                   int isaKind = 0) {
        return own(
            new FMolecule(host, cls, specs.empty() ? nullptr : own(specList(specs)), isaKind));
    }
    PevoMolecule* pevoMol(Path* host, std::vector<Spec*> specs, FTerm* cls = nullptr,
                          int isaKind = 0, FLiteralList* filter = nullptr) {
        return own(new PevoMolecule(host, cls, own(specList(specs)), isaKind, filter));
    }

    FLiteral* lit(FTerm* term, bool negated = false) {
        return own(new FLiteral(term, negated ? 1 : 0, 0));
    }
    FLiteral* notLit(FTerm* term) { return lit(term, true); }
    FLiteralList* body(std::initializer_list<FLiteral*> literals) {
        auto* list = own(new FLiteralList);
        for (FLiteral* literal : literals) list->append(literal);
        return list;
    }
    FTermList* head(std::initializer_list<FTerm*> terms) {
        auto* list = own(new FTermList);
        for (FTerm* term : terms) list->append(term);
        return list;
    }
    // Clauses share the builder's clause table.
    FRule* clause(FTermList* head, FLiteralList* body) {
        return own(new FRule(head, body, vars, "test", 1, 0));
    }
    FRule* fact(std::initializer_list<FTerm*> terms) { return clause(head(terms), nullptr); }
    FRule* rule(std::initializer_list<FTerm*> terms, std::initializer_list<FLiteral*> literals) {
        return clause(head(terms), body(literals));
    }
    FRule* query(std::initializer_list<FLiteral*> literals) {
        return clause(nullptr, body(literals));
    }
    FProgram* program(std::initializer_list<FRule*> rules) {
        auto* program = own(new FProgram(nullptr, names));
        for (FRule* rule : rules) program->append(rule);
        return program;
    }

    // The node in rule syntax with both tables.
    std::string text(const ParseTreeNode* node) {
        OutputChannel channel;
        ChannelCapture capture(channel);
        node->print(channel, names, vars);
        return capture.text();
    }
    // The variables' names in the order giveVars lists them.
    std::string varNames(const ParseTreeNode* node) {
        const std::unique_ptr<VarList> list = node->giveVars();
        std::string out;
        for (const FSymbol& var : *list) out += (out.empty() ? "" : ",") + vars->giveName(var);
        return out;
    }
    std::string names_of(const VarSet& set) {
        std::string out;
        for (const FSymbol& var : set) out += (out.empty() ? "" : ",") + vars->giveName(var);
        return out;
    }

    // The builder holds both tables; the tests borrow them through the plain pointers.
    Ref<SymTab> namesOwner = Ref<SymTab>::make();
    Ref<SymTab> varsOwner = Ref<SymTab>::make();
    SymTab* names = namesOwner.get();
    SymTab* vars = varsOwner.get();

  private:
    template <class List>
    static clib_list<FTerm*>* argList(const List& args) {
        auto* list = new clib_list<FTerm*>;
        for (FTerm* arg : args) list->append(arg);
        return list;
    }

    // Lists the builder made for a constructor that copies them, deleted with the builder.
    template <class T>
    clib_list<T*>* own(clib_list<T*>* list) {
        lists.push_back(std::unique_ptr<dlist>(list));
        return list;
    }
    static clib_list<Spec*>* specList(const std::vector<Spec*>& specs) {
        auto* list = new clib_list<Spec*>;
        for (Spec* spec : specs) list->append(spec);
        return list;
    }

    std::vector<Ref<ManagedObject>> made;
    std::vector<std::unique_ptr<dlist>> lists;
};

// Checks that compare is a total order over a sample of pairwise different nodes: -1, 0 or 1,
// antisymmetric, 0 only for a node with itself, transitive, and sorting two shuffles of the
// sample gives one order.
inline void expectTotalOrder(TreeBuilder& b, const std::vector<ParseTreeNode*>& sample) {
    for (ParseTreeNode* x : sample) {
        for (ParseTreeNode* y : sample) {
            const int xy = x->compare(*y);
            EXPECT_TRUE(xy >= -1 && xy <= 1);
            EXPECT_EQ(xy, -y->compare(*x)) << b.text(x) << " / " << b.text(y);
            EXPECT_EQ(xy == 0, x == y) << b.text(x) << " / " << b.text(y);
            for (ParseTreeNode* z : sample) {
                if (xy < 0 && y->compare(*z) < 0) {
                    EXPECT_LT(x->compare(*z), 0);
                }
            }
        }
    }
    auto less = [](ParseTreeNode* x, ParseTreeNode* y) { return *x < *y; };
    std::vector<ParseTreeNode*> first = sample;
    std::vector<ParseTreeNode*> second = sample;
    std::shuffle(first.begin(), first.end(), std::mt19937(1));
    std::shuffle(second.begin(), second.end(), std::mt19937(2));
    std::sort(first.begin(), first.end(), less);
    std::sort(second.begin(), second.end(), less);
    EXPECT_EQ(first, second);
}

}  // namespace language_test

// FunctionOrPredicateBase, the name with its arguments that function and predicate terms share,
// with the list syntax of the built-in list constructor.
#pragma once

#include "foundation/clib_list.h"
#include "language/ParseTreeNode.h"

class FTerm;

class FunctionOrPredicateBase : public ParseTreeNode {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FunctionOrPredicateBase;
    // Takes over the list (null for a name without arguments) and a reference to every element.
    FunctionOrPredicateBase(const FSymbol& name, clib_list<FTerm*>* args);
    // Clones of every argument.
    FunctionOrPredicateBase(const FunctionOrPredicateBase& other);
    // The other's arguments under a new name (references taken).
    FunctionOrPredicateBase(const FSymbol& name, const FunctionOrPredicateBase& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // The name and "(" arguments ")", or list syntax for a list cell.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    // By name, then the argument lists (missing first, then length, then pairwise).
    int compareSameClass(const ParseTreeNode& other) const override;

    const FSymbol& getName() const { return name; }
    void setName(const FSymbol& newName) { name = newName; }
    clib_list<FTerm*>* getArgs() const { return args; }
    // List syntax: "[" (first) or "," before a cell's head, then its tail; "]" for the empty
    // list, and "|", the term and "]" for a tail that is no list.
    void printTerm(OutputChannel& channel, const SymTab* names, const SymTab* vars,
                   int first) const;
    // A cell of the built-in list constructor.
    bool isListCell() const;

  protected:
    ~FunctionOrPredicateBase() override;

  private:
    FSymbol name;
    clib_list<FTerm*>* args;
};

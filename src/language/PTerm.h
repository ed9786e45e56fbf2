// PTerm, a predicate term p(args), also over the built-in predicates with their infix, prefix and
// bracket-group print forms and their binding patterns.
#pragma once

#include "foundation/clib_list.h"
#include "language/FTerm.h"

class FunctionOrPredicateBase;

class PTerm : public FTerm {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::PTerm;
    // Takes over the argument list and references its elements. The two group positions matter
    // only for "perl": the number of arguments before the first bracketed list and the position
    // of that list's last argument; every other predicate passes 0 and 0.
    PTerm(const FSymbol& name, int firstGroupStart, int firstGroupEnd, clib_list<FTerm*>* args);
    // The other's arguments and group positions under a new name.
    PTerm(const FSymbol& name, const PTerm& other);
    PTerm(const PTerm& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    int compareSameClass(const ParseTreeNode& other) const override;
    // A plain predicate binds all its variables; a built-in needs the inputs of its pattern.
    bool bindVars(VarSet& bound, const SymTab* names) const override;
    bool isBuiltin() const override;

    const FSymbol& getName() const;
    void setName(const FSymbol& name);
    clib_list<FTerm*>* getArgs() const;
    // A new argument list under the same name; the caller's references to its elements pass to
    // the term.
    void setArgs(clib_list<FTerm*>* args);
    int firstGroupStart() const { return groupStart; }
    int firstGroupEnd() const { return groupEnd; }

  protected:
    ~PTerm() override;

  private:
    // Writes the arguments from..to (1-based, inclusive) separated by ",".
    void printArgs(OutputChannel& channel, int from, int to, const SymTab* names,
                   const SymTab* vars) const;
    // Writes the arguments from..to in one bracket pair.
    void printGroup(OutputChannel& channel, int from, int to, const SymTab* names,
                    const SymTab* vars) const;
    bool builtinBindVars(const std::string& builtin, VarSet& bound, const SymTab* names) const;

    int groupStart;
    int groupEnd;
    Ref<FunctionOrPredicateBase> base;
};

// FunctionTerm, a function term f(args) or a constant (a name, number or string).
#pragma once

#include "foundation/clib_list.h"
#include "language/IdTerm.h"

class FunctionOrPredicateBase;
class FVar;

class FunctionTerm : public IdTerm {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FunctionTerm;
    // Takes over the argument list (null for a constant) and references its elements.
    FunctionTerm(const FSymbol& name, clib_list<FTerm*>* args);
    FunctionTerm(const FunctionTerm& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    int compareSameClass(const ParseTreeNode& other) const override;
    // Another function term of the same name whose arguments this term's arguments match.
    bool matches(const IdTerm& other, TermBindings& bindings) const override;

    const FSymbol& getName() const;
    clib_list<FTerm*>* getArgs() const;
    FunctionOrPredicateBase* getBase() const { return base.get(); }
    // The occurs check: false when the variable occurs in the arguments, at any depth.
    bool doesNotContain(const FVar& var) const;
    // Continues a list whose earlier cells are written already.
    void printListTail(OutputChannel& channel, const SymTab* names, const SymTab* vars) const;

  protected:
    ~FunctionTerm() override;

  private:
    Ref<FunctionOrPredicateBase> base;
};

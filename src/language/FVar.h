// FVar, a variable term.
#pragma once

#include "language/IdTerm.h"

class FVar : public IdTerm {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FVar;
    // `name` has kind 5 (variable) or 6 (don't-care variable).
    explicit FVar(const FSymbol& name);
    FVar(const FVar& other) = default;

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    // With `quote` set, a name containing "." or "!" is written in parentheses, so that it reads
    // back as one variable where a path step could follow.
    virtual void printVar(OutputChannel& channel, const SymTab* names, const SymTab* vars,
                          int quote) const;
    ParseTreeNode* clone() const override;
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    // By the name's identifier order.
    int compareSameClass(const ParseTreeNode& other) const override;
    // True when the variable is already bound; binds nothing.
    bool bindVars(VarSet& bound, const SymTab* names) const override;
    // A variable bound before must meet a deep-equal term; an unbound one is bound to `other`.
    bool matches(const IdTerm& other, TermBindings& bindings) const override;

    const FSymbol& getName() const { return name; }

  protected:
    ~FVar() override = default;

  private:
    FSymbol name;
};

// Writes a variable symbol as FVar does: the identifier form without a table, "_" for the names
// the symbol table makes for "_", and with `quote` a name holding "." or "!" in parentheses.
void printVariable(OutputChannel& channel, const FSymbol& name, const SymTab* vars, int quote);

// FLiteral, one literal of a rule body: a term, possibly negated.
#pragma once

#include <cstdint>

#include "language/ParseTreeNode.h"

class FTerm;

class FLiteral : public ParseTreeNode {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FLiteral;
    // Takes a reference to the term. The second flag is 0 from the grammars and marks the delta
    // literals of rewritten rules.
    FLiteral(FTerm* term, int negated, int secondFlag);
    FLiteral(const FLiteral& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // "not " when negated, then the term.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    // By negation (positive first), then by term.
    int compareSameClass(const ParseTreeNode& other) const override;
    // A positive literal is as safe as its term; a negated one needs all its variables bound and
    // binds nothing.
    bool bindVars(VarSet& bound, const SymTab* names) const override;

    FTerm* getTerm() const { return term.get(); }
    // Takes a reference to the new term (null allowed) and releases the old one.
    void setTerm(FTerm* newTerm);
    bool isNegated() const { return negated != 0; }
    int secondFlag() const { return second; }
    // Whether a negated literal may be evaluated when its variables are bound or are don't-care
    // variables met for the first time; those are added to `dontCares`.
    bool negationSafe(const VarSet& bound, VarSet& dontCares, const SymTab* names) const;

  protected:
    ~FLiteral() override;

  private:
    // The flags first: they fill the node's word beside its class.
    std::uint8_t negated;
    std::uint8_t second;
    Ref<FTerm> term;
};

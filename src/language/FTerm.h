// FTerm, the abstract base of every term of the rule language.
#pragma once

#include "language/ParseTreeNode.h"

class FTerm : public ParseTreeNode {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FTerm;
    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // A term class that has no print form of its own reports FTermPrintCalled and writes "...".
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    // True only for a predicate term over a built-in predicate symbol.
    virtual bool isBuiltin() const { return false; }

  protected:
    using ParseTreeNode::ParseTreeNode;
    ~FTerm() override = default;
};

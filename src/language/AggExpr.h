// AggExpr, an aggregate term such as count{X [G] ; body}: it folds the values of one variable
// over the answers of a nested body, one value per group.
#pragma once

#include <string>

#include "language/Path.h"

class FLiteralList;

class AggExpr : public Path {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::AggExpr;
    // Takes a reference to the body (null allowed) and copies the grouping variables.
    AggExpr(FLiteralList* body, const FSymbol& aggVar, std::string op, const VarList& groupVars);
    AggExpr(const AggExpr& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // op{V [G1,G2] ; body}; without grouping variables op{V ; body}.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    // Operator, aggregated variable, grouping variables and body.
    bool deepEqual(const ParseTreeNode& other) const override;
    // Only the grouping variables: the others stay local to the aggregate.
    void collectVars(VarList& vars) const override;
    // By operator, aggregated variable, grouping variables (length, then pairwise), then body.
    int compareSameClass(const ParseTreeNode& other) const override;
    // Binds the grouping variables.
    bool bindVars(VarSet& bound, const SymTab* names) const override;
    int pathLength() const override { return -1; }
    int startKind() const override { return 2; }

    std::string getOperator() const { return op; }
    FLiteralList* getBody() const { return body.get(); }
    FSymbol getAggVar() const { return aggVar; }
    // A new copy of the grouping variables; the caller deletes it.
    const VarList& getGroupVars() const { return groupVars; }

  protected:
    ~AggExpr() override;

  private:
    Ref<FLiteralList> body;
    FSymbol aggVar;
    std::string op;
    VarList groupVars;
};

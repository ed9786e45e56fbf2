// ArithmeticExpr, a two-operand arithmetic term written infix.
#pragma once

#include <string>

#include "language/Path.h"

class ArithmeticExpr : public Path {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::ArithmeticExpr;
    // Takes a reference to each operand; `op` is the operator text as written.
    ArithmeticExpr(FTerm* left, FTerm* right, std::string op);
    ArithmeticExpr(const ArithmeticExpr& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // Left, the operator between blanks, right; in parentheses when written so.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    // By operator text, then left, then right.
    int compareSameClass(const ParseTreeNode& other) const override;
    // True when every variable operand is bound; binds nothing.
    bool bindVars(VarSet& bound, const SymTab* names) const override;
    int pathLength() const override { return -1; }
    // 1 when either operand starts at the implicit context object.
    int startKind() const override;
    // Replaces the implicit start in each operand that has one, left first.
    void replaceStart(Path* start) override;

    std::string getOperator() const { return op; }
    FTerm* getLeft() const { return left.get(); }
    FTerm* getRight() const { return right.get(); }
    // Each takes a reference to the new operand and releases the old one.
    void setLeft(FTerm* term);
    void setRight(FTerm* term);

  protected:
    ~ArithmeticExpr() override;

  private:
    Ref<FTerm> left;
    Ref<FTerm> right;
    std::string op;
};

// FLiteralList, a conjunction of literals (a rule body or a query), with the safe ordering of
// its literals.
#pragma once

#include "foundation/clib_list.h"
#include "language/ParseTreeNode.h"

class FLiteral;

class FLiteralList : public ParseTreeNode {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FLiteralList;
    // An empty list, or one holding `first` (a reference taken).
    explicit FLiteralList(FLiteral* first = nullptr);
    FLiteralList(const FLiteralList& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // The literals separated by ", ".
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    // Equal length and pairwise deep-equal literals.
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    int compareSameClass(const ParseTreeNode& other) const override;

    // Releases and removes every literal.
    void clear();
    // Appends every literal of the other list, references taken.
    void appendAll(FLiteralList& other);
    // Appends the literal, taking a reference.
    void append(FLiteral* literal);
    bool isEmpty() const { return literals.empty(); }
    // The cursor walk: the first literal (null when empty), then each next one (null at the end).
    FLiteral* first();
    FLiteral* next();
    bool hasNegation() const;
    int length() const { return literals.length(); }
    clib_list<FLiteral*>* getList() { return &literals; }
    const clib_list<FLiteral*>* getList() const { return &literals; }
    // The literals in an order in which each can be evaluated once the ones before it have bound
    // their variables; `bound` receives the variables bound. A list shorter than this one tells
    // that the rest could not be placed; null when none could be.
    FLiteralList* safeOrder(VarSet& bound, const SymTab* names) const;

  protected:
    ~FLiteralList() override;

  private:
    clib_list<FLiteral*> literals;
    list_item cursor = nullptr;
};

// FRule, one clause (fact, rule or query) with its own table of variable names and its place of
// origin.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "language/ParseTreeNode.h"

class FLiteralList;
class FTermList;

class FRule : public ParseTreeNode {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FRule;
    // Clause kinds, by which parts are present and not empty.
    enum Kind { Empty = 0, Fact = 1, Rule = 2, Query = 3 };

    // Takes references to head, body and table; a null table stands for an empty one, made on
    // the first getSymTab (a ground fact that goes straight to the fact list never asks).
    // `origin` is the source file or the label of the part that made the clause, `line` the
    // source line where it ends; the flag is carried along, not interpreted here.
    FRule(FTermList* head, FLiteralList* body, SymTab* names, std::string_view origin, int line,
          int flag);
    // Clones head and body and copies the table.
    FRule(const FRule& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // Fact "h.", rule "h :- b.", query "?- b.", each ending the line. The clause's own table is
    // the variable table of head and body.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    // Deep-equal heads and bodies; line, origin and flag take no part.
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    int compareSameClass(const ParseTreeNode& other) const override;

    FTermList* getHead() const { return head.get(); }
    FLiteralList* getBody() const { return body.get(); }
    // The clause's own table, never null.
    SymTab* getSymTab() const;
    int ruleKind() const;
    Kind kind() const { return Kind(ruleKind()); }
    // A fact whose head atoms are all stored predicates over constants (no variable, path,
    // function application or built-in): it passes every check and is its own normal form.
    bool isGroundPredicateFact() const;
    int getLine() const { return line; }
    std::string getLabel() const { return *origin; }
    // The label without a copy, for the many facts of one file.
    const std::string& labelText() const { return *origin; }
    int getFlag() const { return flag; }
    bool bodyHasNegation() const { return bodyNegation; }

  protected:
    ~FRule() override;

  private:
    Ref<FTermList> head;
    Ref<FLiteralList> body;
    mutable Ref<SymTab> names;
    // null until first asked for when no table was given
    // The kept name of the origin (OriginNames), shared by every clause of that origin.
    const std::string* origin;
    int line;
    std::uint8_t flag;
    bool bodyNegation;
};

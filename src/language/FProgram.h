// FProgram, the clauses of one consultation with the program's symbol table, and its shell
// methods.
#pragma once

#include <string>

#include "foundation/clib_list.h"
#include "language/ParseTreeNode.h"

class FLiteralList;
class FRule;
class FTermList;

class FProgram : public ParseTreeNode {
  public:
    // Takes over the list (null allowed) with a reference to every clause, and a reference to
    // the table.
    FProgram(clib_list<FRule*>* rules, SymTab* names);
    // Clones every clause and copies the table; the inheritance mark is kept.
    FProgram(const FProgram& other);

    // "asFacts", "lastQuery" and "save"; other names go to the base.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // Every clause in order, named through the program's own table (the given one only when the
    // program has none) and each clause's variable table; an empty program writes a comment.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    // Clause by clause.
    bool deepEqual(const ParseTreeNode& other) const override;
    // A program has no variables of its own: reported, nothing appended.
    void collectVars(VarList& vars) const override;
    int compareSameClass(const ParseTreeNode& other) const override;

    clib_list<FRule*>* getRules() const { return rules; }
    SymTab* getSymTab() const { return names; }
    // Appends the clause, taking a reference.
    void append(FRule* rule);
    // Moves every clause of the other program to the end of this one and shares its table.
    void appendProgram(FProgram& other);
    list_item firstItem() const { return rules != nullptr ? rules->first_item() : nullptr; }
    list_item nextItem(list_item item) const {
        return rules != nullptr ? rules->next_item(item) : nullptr;
    }
    // Stores the item's clause in `rule` and answers its kind.
    int ruleAt(list_item item, FRule*& rule) const;
    // The body of the last query, or null.
    FLiteralList* lastQuery() const;
    // A new list of clones of the facts' heads in program order; null when some clause is not
    // a fact.
    FTermList* asFacts() const;
    // Writes the program as rule text into the file (replaced when it exists); false when the
    // file cannot be opened.
    bool save(const std::string& fileName) const;

    // Set by the analysis of a whole program: non-zero when some rule uses inheritance.
    int inheritanceMark() const { return inheritance; }
    void setInheritanceMark(int mark) { inheritance = mark; }

  protected:
    ~FProgram() override;

  private:
    clib_list<FRule*>* rules;
    SymTab* names;
    int inheritance = 0;
};

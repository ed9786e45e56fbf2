// FProgram, the clauses of one consultation with the program's symbol table, and its shell
// methods.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "foundation/clib_list.h"
#include "language/FactList.h"
#include "language/ParseTreeNode.h"

class FLiteralList;
class FRule;
class FTermList;

class FProgram : public ParseTreeNode {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FProgram;
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

    // The clauses, compact facts made whole first.
    clib_list<FRule*>* getRules() const {
        expand();
        return rules.get();
    }
    SymTab* getSymTab() const { return names.get(); }
    // Appends the clause, taking a reference.
    void append(FRule* rule);
    // Appends the clause as append does; a fact FactList can hold is kept there instead, without
    // its parse tree (the clause itself is not referenced).
    void appendClause(FRule* rule);
    // Appends fact i of the list, compact, with the given origin, line and flag.
    void appendFact(const FactList& from, std::size_t i, const std::string& origin, int line,
                    int flag);
    // Appends fact i of the list, compact, as it is.
    void appendFact(const FactList& from, std::size_t i);
    // Takes a copy of every compact fact of the other program in one step, as appendFact of each
    // in turn would, when this program holds no clause yet and only clauses that are no rules
    // stand before the other's last compact fact: its facts keep their places among those
    // clauses once the caller appends them. False, nothing taken, otherwise. Copying the
    // records whole spares decoding and encoding each fact again.
    bool takeFactsBeforeRules(const FProgram& other);
    // Appends a ground fact read without a clause, as appendClause appends the clause it
    // stands for.
    void appendGround(const FactList::Ground& fact);
    // Visits the clauses in program order without making a tree for a fact kept compact:
    // onRule(FRule*) for a whole clause, onFact(const FactList&, std::size_t) for a compact
    // fact. A visitor answering false ends the walk. Whoever must not miss a fact and does not
    // know compact ones walks with firstItem or getRules, which make their clauses first.
    template <class OnRule, class OnFact>
    void forEachClause(OnRule onRule, OnFact onFact) const {
        const std::size_t factCount = facts != nullptr ? facts->size() : 0;
        std::size_t fact = 0;
        std::size_t index = 0;
        if (rules != nullptr)
            for (FRule* rule : *rules) {
                for (; fact < factCount && facts->before(fact) <= index; ++fact)
                    if (!onFact(*facts, fact)) return;
                if (!onRule(rule)) return;
                ++index;
            }
        for (; fact < factCount; ++fact)
            if (!onFact(*facts, fact)) return;
    }
    // Visits the whole clauses in program order, onRule(FRule*) for each, the compact facts
    // skipped without decoding them; a visitor answering false ends the walk.
    template <class OnRule>
    void forEachRule(OnRule onRule) const {
        if (rules != nullptr)
            for (FRule* rule : *rules)
                if (!onRule(rule)) return;
    }
    // Visits the clauses in program order as forEachClause does, the compact facts only by the
    // relations they write: onRule(FRule*) for a whole clause, onWrite(const FactList::Write&)
    // once per relation the compact facts write, where the first fact writing it stands. For
    // passes that ask what the facts write, not each fact: no fact is decoded.
    template <class OnRule, class OnWrite>
    void forEachRuleAndWrite(OnRule onRule, OnWrite onWrite) const {
        const std::size_t writeCount = facts != nullptr ? facts->writes().size() : 0;
        std::size_t write = 0;
        std::size_t index = 0;
        if (rules != nullptr)
            for (FRule* rule : *rules) {
                for (; write < writeCount && facts->writes()[write].before <= index; ++write)
                    if (!onWrite(facts->writes()[write])) return;
                if (!onRule(rule)) return;
                ++index;
            }
        for (; write < writeCount; ++write)
            if (!onWrite(facts->writes()[write])) return;
    }
    // The number of clauses, compact facts counted without making them whole.
    std::size_t clauseCount() const {
        return (rules != nullptr ? std::size_t(rules->size()) : 0) +
               (facts != nullptr ? facts->size() : 0);
    }
    // Whether some fact is kept compact.
    bool hasCompactFacts() const { return facts != nullptr && !facts->empty(); }
    // Whether the program has a list of clauses (an empty one counts), without making its
    // compact facts whole.
    bool hasClauseList() const { return rules != nullptr || hasCompactFacts(); }
    // Moves every clause of the other program to the end of this one and shares its table.
    void appendProgram(FProgram& other);
    // The first clause, compact facts made whole first.
    list_item firstItem() const {
        expand();
        return rules != nullptr ? rules->first_item() : nullptr;
    }
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
    // The shell commands of the class.
    static const ShellCommands<FProgram>& shellCommands();

    // Makes every compact fact a whole clause in its place; the list of compact facts is then
    // empty. Answers nothing observable: the program's clauses stay the same.
    void expand() const;

    // The whole clauses, and the facts kept compact between them (facts->before(i) whole
    // clauses stand before fact i); both are filled again by expand, hence mutable.
    mutable std::unique_ptr<clib_list<FRule*>> rules;
    mutable std::unique_ptr<FactList> facts;
    // The list expand emptied, kept while the program lives: a round that was handed its facts
    // before some command made them whole still reads them there.
    mutable std::unique_ptr<FactList> retired;
    Ref<SymTab> names;
    int inheritance = 0;
};

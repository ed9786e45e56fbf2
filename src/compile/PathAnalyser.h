// PathAnalyser, the part of the semantic analysis that walks heads and bodies: set-valued path
// steps in heads, inheritable arrows and the checks of aggregate terms; and TextChannel, the
// output channel over a string on which the reports are composed.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>

#include "compile/PtnScanner.h"
#include "foundation/OutputChannel.h"

class FRule;
class ParseTreeNode;
class SymTab;

// A channel that writes into its own string.
class TextChannel {
  public:
    TextChannel();
    TextChannel(const TextChannel&) = delete;
    TextChannel& operator=(const TextChannel&) = delete;

    OutputChannel& channel() { return out; }
    std::string text() const { return buffer.str(); }

  private:
    std::ostringstream buffer;
    OutputChannel out;
};

// The rule in rule syntax (its line end included), "The rule ends at line N." and a line end:
// the opening of every semantic-error report.
void writeRuleAndLine(OutputChannel& out, const FRule* rule, const SymTab* names);
// Reports SemError (3/1) with the rule's label, the fixed opening line and the text.
void sendSemError(const FRule* rule, const std::string& text, const std::string& where);

class PathAnalyser : public PtnScanner {
  public:
    explicit PathAnalyser(SymTab* names);

    // Checks a program's rules or one rule; the ok flag. Any other node reports WrongNode (7/1)
    // and answers 0.
    virtual int analyse(ParseTreeNode* node, SymTab* names);
    virtual void checkRules(ParseTreeNode* node);
    // Reports the pending message for the current rule.
    virtual void sendMessage();

    void transpose(Reference* ref, int argCount) override;
    void transpose(Spec* spec, int argCount, int resultCount) override;
    void transpose(AggExpr* agg) override;
    void transpose(FVar*) override {}
    void transpose(IdTerm*, int) override {}
    void transpose(FMolecule*) override {}
    void transpose(ArithmeticExpr*) override {}
    void transpose(PTerm*, int) override {}
    void visitNegatedLiteral(FLiteral*) override {}
    void visitTermList(FTermList*) override {}
    void endLiteral() override {}
    void visitBareMolecule() override {}

    int inheritanceFlag() const { return inheritance; }
    void setInheritanceFlag(int flag) { inheritance = flag; }

  protected:
    ~PathAnalyser() override = default;

  private:
    void checkRule(FRule* rule);

    SymTab* analysisTable;
    SymTab* ruleTable = nullptr;
    std::int32_t ok = 1;
    std::int32_t inheritance = 0;
    std::int32_t setValuedHead = 0;
    std::int32_t aggregateError = 0;
    std::int32_t inHead = 0;
    std::string message;
    // The aggregate report is kept apart, so that a set-valued head step reported first in the
    // same rule does not take its place.
    std::string aggregateMessage;
    FRule* currentRule = nullptr;
};

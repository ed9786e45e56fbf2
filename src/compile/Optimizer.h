// Optimizer, the translator that translates a normalised rule body in the planned join order and
// tells the translation, gap by gap, what to project, by what to regroup and on which object
// the next literal continues; with its class object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compile/Translator.h"
#include "language/ParseTreeNode.h"

class FTermList;

class Optimizer : public Translator {
  public:
    // What the ordering knows of one literal.
    struct LiteralInfo {
        FLiteral* literal = nullptr;
        // Its variables; their number is what the ordering compares.
        VarList vars;
        // The variables it cannot bind by itself.
        VarSet requiredVars;
        // Once placed: every variable of the literals up to and including it.
        VarSet boundSoFar;
        std::int32_t secondFlag = 0;
        std::int32_t hasVarHost = 0;
        FSymbol hostVar;
        std::int32_t placed = 0;
    };
    // What the translation does between two consecutive literals of the chosen order.
    struct GapInfo {
        // At most one variable to regroup by.
        VarList sortVars;
        // The variables the next literal needs bound, each projected on.
        VarList piVars;
        std::int32_t hasForward = 0;
        FSymbol forwardVar;
    };

    Optimizer();

    // "anOptimizer".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Orders the body and writes the order and the gaps to standard output.
    virtual void orderLiterals();
    // The tree of a normalised rule's body in the chosen order; none for a null rule or table, a
    // rule without its flag, or a body without a complete evaluable order.
    virtual ExprRef optimize(FRule* rule, SymTab* names);
    virtual bool isActive() const { return true; }

    ExprRef translateRule(FRule* rule, SymTab* names) override;
    void translateBody(FLiteralList* list) override;
    void transpose(FVar* var) override;
    using Translator::transpose;
    void scan(AggExpr* agg) override;
    using Translator::scan;

    const std::vector<LiteralInfo>& chosenOrder() const { return orderedInfo; }
    const std::vector<GapInfo>& gaps() const { return gapInfo; }

  protected:
    ~Optimizer() override;

  private:
    void fillGap(int position);
    void writeOrder() const;

    FRule* rule = nullptr;
    Ref<FLiteralList> orderedBody;
    FTermList* head = nullptr;
    // The names of the rule being optimised and its own.
    SymTab* planNames = nullptr;
    SymTab* ruleSymTab = nullptr;
    std::vector<LiteralInfo> literalInfo;
    std::vector<LiteralInfo> orderedInfo;
    std::vector<GapInfo> gapInfo;
    // The gaps apply to the literals of the planned order only: not inside an aggregate's body
    // (above zero while one is translated), nor in the translator's own translation of a body
    // that could not be planned (ownOrder 0).
    bool gapsApply() const { return ownOrder != 0 && aggregateDepth == 0; }
    std::int32_t aggregateDepth = 0;
    std::int32_t ownOrder = 0;
    // The stack depth at which the current literal began, and whether the result so far has
    // been regrouped for it.
    std::int32_t literalStart = 0;
    std::int32_t sortedHere = 0;
};

// The class object registered as "classOptimizer": "new" without arguments.
class OptimizerMeta : public XMeta {
  public:
    OptimizerMeta();
    ~OptimizerMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};

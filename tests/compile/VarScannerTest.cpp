// Variable occurrences of one literal, and the passings of bindings from literal to literal.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "compile/VarPropagator.h"
#include "compile/VarScanner.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FRule.h"
#include "language/PTerm.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"
#include "support/RuleHarness.h"

namespace {

class VarScannerTest : public ::testing::Test {
  protected:
    // The first literal of the query's body.
    FLiteral* literal(const std::string& query) {
        rule = harness.rule(query);
        return rule->getBody()->getList()->head();
    }
    FSymbol var(const std::string& name) {
        return rule->getSymTab()->GetFSymbol(name, InternalName::Variable, 0);
    }
    // The records of one variable: (node, count).
    std::vector<std::pair<const ParseTreeNode*, int>> records(
        const std::unique_ptr<VarOccurrences>& d, const std::string& name) {
        std::vector<std::pair<const ParseTreeNode*, int>> out;
        const auto found = d->find(var(name));
        if (found == d->end()) return out;
        for (const VarInfo& info : found->second) out.emplace_back(info.node, info.count);
        return out;
    }

    rule_test::RuleHarness harness;
    Ref<VarScanner> scanner = Ref<VarScanner>::make();
    FRule* rule = nullptr;
};

TEST_F(VarScannerTest, RecordsPerNodeWithCounts) {
    using Records = std::vector<std::pair<const ParseTreeNode*, int>>;
    FLiteral* lit = literal("?- p(X, X, a).");
    std::unique_ptr<VarOccurrences> d = scanner->scanLiteral(lit);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->size(), 1u);
    EXPECT_EQ(records(d, "X"), (Records{{lit->getTerm(), 2}}));

    // Each specification takes its own positions.
    lit = literal("?- X[m -> Y; n -> Z].");
    auto* mol = static_cast<FMolecule*>(lit->getTerm());
    const Spec* first = mol->getSpecs()->head();
    d = scanner->scanLiteral(lit);
    EXPECT_EQ(records(d, "X"), (Records{{first, 1}}));
    EXPECT_EQ(records(d, "Y"), (Records{{first, 1}}));
    EXPECT_EQ(records(d, "Z"), (Records{{mol->getSpecs()->tail(), 1}}));
}

TEST_F(VarScannerTest, NestedNodesAndAggregates) {
    // X stands in the function term and, through it, nowhere else; Y in the predicate.
    FLiteral* lit = literal("?- p(f(X, X), Y).");
    std::unique_ptr<VarOccurrences> d = scanner->scanLiteral(lit);
    EXPECT_EQ(records(d, "X").size(), 1u);
    EXPECT_EQ(records(d, "X")[0].second, 2);
    EXPECT_EQ(records(d, "Y")[0].first, lit->getTerm());

    // The grouping variable counts once in the aggregate and once in its body's predicate.
    FLiteral* agg = literal("?- S = count{X [G] ; r(X, G)}.");
    d = scanner->scanLiteral(agg);
    EXPECT_EQ(records(d, "G").size(), 2u);
    EXPECT_EQ(records(d, "X").size(), 1u);  // only inside the aggregate's body
}

TEST(VarPropagatorTest, EachVariableComesFromTheNearestEarlierLiteral) {
    rule_test::RuleHarness harness;
    FRule* rule = harness.rule("?- p(X), q(X, Y), r(Y).");
    std::vector<FLiteral*> lits(rule->getBody()->getList()->begin(),
                                rule->getBody()->getList()->end());
    auto propagator = Ref<VarPropagator>::make();
    harness.getTranslator()->propagateVariables(rule->getBody(), propagator.get(), harness.table());
    ASSERT_EQ(propagator->passings().length(), 2);

    set<FSymbol> variables;
    set<FLiteral*> sources;
    propagator->passedTo(lits[1], &variables, &sources);
    FSymbol x = rule->getSymTab()->GetFSymbol("X", InternalName::Variable, 0);
    EXPECT_EQ(variables.size(), 1);
    EXPECT_TRUE(variables.member(x));
    EXPECT_EQ(sources.size(), 1);
    EXPECT_TRUE(sources.member(lits[0]));

    set<FSymbol> none;
    propagator->passedTo(lits[0], &none, nullptr);
    EXPECT_TRUE(none.empty());
}

TEST(VarPropagatorTest, SelectivePassingSkipsLiteralsThatNeedNoBindings) {
    rule_test::RuleHarness harness;
    FRule* rule = harness.rule("?- p(X), q(X), X < Y, r(Y).");
    auto propagator = Ref<VarPropagator>::make();
    harness.getTranslator()->propagateVariablesSelective(rule->getBody(), propagator.get(),
                                                         harness.table());
    // Only the comparison receives bindings: X from q, the nearest holder before it, and Y
    // from no earlier literal.
    ASSERT_EQ(propagator->passings().length(), 1);
    const auto& passing = *propagator->passings().begin();
    auto second = rule->getBody()->getList()->next_item(rule->getBody()->getList()->first_item());
    EXPECT_EQ(passing.from, rule->getBody()->getList()->inf(second));
}

}  // namespace

// The parse-tree walk: hook order, counts, the negation flag, the molecule fields and the null
// reports, seen through a scanner that records its hooks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile/PtnScanner.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

// Writes one line per hook: its name, its counts, and the negation flag when it is set.
class Recorder : public PtnScanner {
  public:
    explicit Recorder(const SymTab* names, const SymTab* vars) : names(names), vars(vars) {}

    void transpose(FVar* var) override { add("var " + symbolText(var->getName(), vars)); }
    void transpose(IdTerm* term, int n) override {
        add("id " + symbolText(static_cast<FunctionTerm*>(term)->getName(), names) + " " +
            std::to_string(n));
    }
    void transpose(Reference*, int n) override { add("ref " + std::to_string(n)); }
    void transpose(FMolecule*) override { add("isa"); }
    void transpose(Spec*, int args, int results) override {
        add("spec " + std::to_string(args) + " " + std::to_string(results));
    }
    void transpose(AggExpr*) override { add("agg"); }
    void transpose(ArithmeticExpr*) override { add("arith"); }
    void transpose(PTerm* term, int n) override {
        add("pred " + symbolText(term->getName(), names) + " " + std::to_string(n));
    }
    void visitNegatedLiteral(FLiteral*) override { add("negated"); }
    void visitTermList(FTermList*) override { add("termlist"); }
    void endLiteral() override { add("end"); }
    void visitBareMolecule() override { add("bare"); }

    std::vector<std::string> hooks;

  protected:
    ~Recorder() override = default;

  private:
    void add(std::string text) {
        if (negationFlag() != 0) text += " (not)";
        hooks.push_back(text);
    }
    const SymTab* names;
    const SymTab* vars;
};

using Hooks = std::vector<std::string>;

class PtnScannerTest : public ::testing::Test {
  protected:
    // The hooks of walking the body of the query.
    Hooks body(const std::string& query) {
        FRule* rule = harness.rule(query);
        if (rule == nullptr) return {"<no rule>"};
        const auto recorder = Ref<Recorder>::adopt(fresh(rule));
        recorder->scan(rule->getBody());
        EXPECT_EQ(recorder->negationFlag(), 0);
        return recorder->hooks;
    }
    Recorder* fresh(FRule* rule) { return new Recorder(harness.table(), rule->getSymTab()); }

    rule_test::RuleHarness harness;
};

TEST_F(PtnScannerTest, BodiesWalkInOrder) {
    const std::pair<const char*, Hooks> cases[] = {
        {"?- p(X), q(X, a).", {"var X", "pred p 1", "end", "var X", "id a 0", "pred q 2", "end"}},
        // The negation flag covers the term and the negation hook, and no more.
        {"?- q(Y), not p(X).",
         {"var Y", "pred q 1", "end", "var X (not)", "pred p 1 (not)", "negated (not)", "end"}},
        {"?- X[m@(A, B) ->> {C, D}].",
         {"var X", "id m 0", "var A", "var B", "var C", "var D", "spec 2 2", "end"}},
        {"?- X[m ->> {}].", {"var X", "id m 0", "spec 0 0", "end"}},
        {"?- X : c.", {"var X", "id c 0", "isa", "end"}},
        {"?- X[].", {"var X", "bare", "end"}},
        {"?- X : c[m -> V; n -> W].",
         {"var X", "id c 0", "isa", "id m 0", "var V", "spec 0 1", "id n 0", "var W", "spec 0 1",
          "end"}},
        {"?- X = f(Y, b).m@(Z).",
         {"var X", "var Y", "id b 0", "id f 2", "id m 0", "var Z", "ref 1", "pred = 2", "end"}},
        {"?- X < Y + 1.", {"var X", "var Y", "id 1 0", "arith", "pred < 2", "end"}},
        {"?- S = count{X [G] ; p(X, G)}.",
         {"var S", "var X", "var G", "pred p 2", "end", "agg", "pred = 2", "end"}},
    };
    for (const auto& [query, hooks] : cases) EXPECT_EQ(body(query), hooks) << query;
}

TEST_F(PtnScannerTest, ScalarSpecificationWithoutResult) {
    // Reported after its method's hook; no hook of its own.
    FRule* rule = harness.rule("?- X[].");
    FSymbol m = harness.table()->GetFSymbol("m", InternalName::Function, 0);
    auto spec = Ref<SSpec>::make(new FunctionTerm(m, nullptr), 0, nullptr, 0, nullptr);
    ErrorCapture errors;
    auto bare = Ref<Recorder>::adopt(fresh(rule));
    bare->scan(static_cast<Spec*>(spec.get()));
    EXPECT_EQ(bare->hooks, (Hooks{"id m 0"}));
    EXPECT_NE(errors.text().find("Unexpected NULL pointer"), std::string::npos);
    spec.reset();
}

TEST_F(PtnScannerTest, HeadListsAndNullNodes) {
    FRule* rule = harness.rule("p(a), q(b) :- r(a).");
    const auto recorder = Ref<Recorder>::adopt(fresh(rule));
    recorder->scan(rule->getHead());
    EXPECT_EQ(recorder->hooks, (Hooks{"id a 0", "pred p 1", "id b 0", "pred q 1", "termlist"}));

    ErrorCapture errors;
    auto empty = Ref<Recorder>::adopt(fresh(rule));
    auto none = Ref<FTermList>::make();
    empty->scan(none.get());
    empty->scan(static_cast<FLiteralList*>(nullptr));
    empty->scan(static_cast<clib_list<FTerm*>*>(nullptr));
    EXPECT_TRUE(empty->hooks.empty());
    EXPECT_EQ(errors.text(), "");
    empty->scan(static_cast<FLiteral*>(nullptr));
    empty->scan(static_cast<FTerm*>(nullptr));
    EXPECT_EQ(errors.text(),
              "\n*** ERROR : Unexpected NULL pointer\n\n"
              "\n*** ERROR : Unexpected NULL pointer\n\n");
    EXPECT_TRUE(empty->hooks.empty());
}

}  // namespace

// Clause kinds, copies and the shell methods of programs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "ParseTreeTestSupport.h"
#include "foundation/ShellValues.h"

using language_test::TreeBuilder;

namespace {

FLSysRef call(FLSysObject* target, const std::string& method, FLSysObject* arg = nullptr) {
    FLSysArgs args;
    if (arg != nullptr) args.append(arg);
    return target->methodCall(method, &args);
}

}  // namespace

TEST(Program, ClauseKinds) {
    TreeBuilder b;
    EXPECT_EQ(b.fact({b.cnst("a")})->ruleKind(), FRule::Fact);
    EXPECT_EQ(b.rule({b.cnst("a")}, {b.lit(b.cnst("b"))})->ruleKind(), FRule::Rule);
    EXPECT_EQ(b.query({b.lit(b.cnst("b"))})->ruleKind(), FRule::Query);
    EXPECT_EQ(b.clause(b.head({}), nullptr)->ruleKind(), FRule::Empty);
    EXPECT_EQ(b.clause(b.head({b.cnst("a")}), b.body({}))->ruleKind(), FRule::Fact);
    EXPECT_TRUE(b.query({b.notLit(b.cnst("b"))})->bodyHasNegation());
}

TEST(Program, GroundPredicateFactsAreOnlyFactsOfStoredPredicatesOverConstants) {
    TreeBuilder b;
    EXPECT_TRUE(b.fact({b.pred("p", {b.cnst("a"), b.num(1)})})->isGroundPredicateFact());
    EXPECT_TRUE(b.fact({b.pred("p", {b.cnst("a")}), b.pred("q", {})})->isGroundPredicateFact());
    EXPECT_FALSE(b.fact({b.pred("p", {b.var("X")})})->isGroundPredicateFact());
    EXPECT_FALSE(b.fact({b.pred("p", {b.fn("f", {b.cnst("a")})})})->isGroundPredicateFact());
    EXPECT_FALSE(
        b.fact({b.pred("p", {b.step(b.cnst("a"), b.cnst("m"))})})->isGroundPredicateFact());
    EXPECT_FALSE(
        b.fact({b.pred("p", {b.arith(b.num(1), "+", b.num(2))})})->isGroundPredicateFact());
    EXPECT_FALSE(b.fact({b.builtin("<", {b.num(1), b.num(2)})})->isGroundPredicateFact());
    EXPECT_FALSE(b.fact({b.pred("p", {b.cnst("a")}), b.mol(b.cnst("a"), {}, b.cnst("c"))})
                     ->isGroundPredicateFact());
    EXPECT_FALSE(b.rule({b.pred("p", {b.cnst("a")})}, {b.lit(b.pred("q", {b.cnst("a")}))})
                     ->isGroundPredicateFact());
}

TEST(Program, ClonesAreIndependent) {
    TreeBuilder b;
    FRule* rule = b.rule({b.pred("q", {b.var("X")})}, {b.lit(b.pred("p", {b.var("X")}))});
    FProgram* program = b.program({rule, b.fact({b.pred("p", {b.cnst("a")})})});
    program->setInheritanceMark(1);
    const std::string before = b.text(program);

    auto* copy = b.own(static_cast<FProgram*>(program->clone()));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->deepEqual(*program));
    EXPECT_EQ(copy->inheritanceMark(), 1);
    FRule* copied = nullptr;
    copy->ruleAt(copy->firstItem(), copied);
    ASSERT_NE(copied, rule);
    copied->getHead()->append(b.cnst("extra"));
    copied->getBody()->first()->setTerm(nullptr);
    copy->append(b.query({b.lit(b.cnst("z"))}));
    EXPECT_EQ(b.text(program), before);
    EXPECT_NE(copied->getSymTab(), rule->getSymTab());
}

TEST(Program, AppendProgramMovesTheClauses) {
    TreeBuilder b;
    FProgram* first = b.program({b.fact({b.cnst("a")})});
    FProgram* second = b.program({b.fact({b.cnst("b")}), b.fact({b.cnst("c")})});
    first->appendProgram(*second);
    EXPECT_EQ(b.text(first), "a.\nb.\nc.\n");
    EXPECT_EQ(second->firstItem(), nullptr);
    EXPECT_EQ(first->getSymTab(), second->getSymTab());
}

TEST(Program, AsFactsGivesTheHeadsInOrder) {
    TreeBuilder b;
    FProgram* facts = b.program(
        {b.fact({b.pred("p", {b.cnst("a")})}), b.fact({b.pred("q", {b.cnst("b")}), b.cnst("c")})});
    FLSysRef answer = call(facts, "asFacts");
    ASSERT_NE(answer, nullptr);
    ASSERT_TRUE(answer->isA("FTermList"));
    EXPECT_EQ(b.text(static_cast<FTermList*>(answer.get())), "p(a), q(b), c");

    ErrorCapture errors;
    facts->append(b.query({b.lit(b.cnst("a"))}));
    EXPECT_EQ(call(facts, "asFacts"), nullptr);
    EXPECT_NE(errors.text().find("NotOnlyFacts"), std::string::npos);
}

TEST(Program, LastQueryIsTheBodyOfTheLastQuery) {
    TreeBuilder b;
    FRule* second = b.query({b.lit(b.pred("q", {b.var("Y")}))});
    FProgram* program = b.program({b.query({b.lit(b.cnst("a"))}), b.fact({b.cnst("b")}), second});
    EXPECT_EQ(call(program, "lastQuery"), second->getBody());

    ErrorCapture errors;
    EXPECT_EQ(call(b.program({b.fact({b.cnst("b")})}), "lastQuery"), nullptr);
    EXPECT_NE(errors.text().find("NoQuery"), std::string::npos);
}

TEST(Program, SaveWritesTheRuleText) {
    TreeBuilder b;
    FProgram* program =
        b.program({b.fact({b.pred("p", {b.cnst("a")})}),
                   b.rule({b.pred("q", {b.var("X")})}, {b.lit(b.pred("p", {b.var("X")}))})});
    // A name of this run's own: the suites of two builds may run side by side.
    const std::string path =
        ::testing::TempDir() + "quorin_saved_program_" + std::to_string(getpid()) + ".flp";
    {
        std::ofstream old(path);
        old << "old contents that must go\n";
    }
    auto* name = b.own(new FLSysString(path));
    EXPECT_EQ(call(program, "save", name), program);
    std::ifstream in(path);
    std::stringstream saved;
    saved << in.rdbuf();
    EXPECT_EQ(saved.str(), "p(a).\nq(X) :- p(X).\n");
    std::remove(path.c_str());

    ErrorCapture errors;
    auto* missing = b.own(new FLSysString(::testing::TempDir() + "no/such/folder/x.flp"));
    EXPECT_EQ(call(program, "save", missing), nullptr);
    EXPECT_NE(errors.text().find("CannotOpenFile"), std::string::npos);
    // The refusal says its cause.
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              std::string(std::strerror(ENOENT)) + ".");
}

TEST(Program, SaveToAFullDeviceFails) {
    TreeBuilder b;
    FProgram* program = b.program({b.fact({b.pred("p", {b.cnst("a")})})});
    ErrorCapture errors;
    auto* full = b.own(new FLSysString("/dev/full"));
    EXPECT_EQ(call(program, "save", full), nullptr);
    EXPECT_NE(errors.text().find("CannotOpenFile"), std::string::npos);
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              std::string(std::strerror(ENOSPC)) + ".");
}

TEST(Program, CommandsCheckTheirArgumentsFirstAndOtherNamesGoToTheBase) {
    TreeBuilder b;
    FProgram* program = b.program({b.fact({b.cnst("a")})});
    auto* extra = b.own(new FLSysString("x"));
    {
        ErrorCapture errors;
        EXPECT_EQ(call(program, "asFacts", extra), nullptr);
        EXPECT_NE(errors.text().find("WrongNumberOfArguments"), std::string::npos);
    }
    {
        // The argument fails the call before the missing query is noticed.
        ErrorCapture errors;
        EXPECT_EQ(call(program, "lastQuery", extra), nullptr);
        EXPECT_NE(errors.text().find("WrongNumberOfArguments"), std::string::npos);
        EXPECT_EQ(errors.text().find("NoQuery"), std::string::npos);
    }
    {
        ErrorCapture errors;
        EXPECT_EQ(call(program, "save", program), nullptr);
        EXPECT_EQ(call(program, "save"), nullptr);
        EXPECT_EQ(errors.text().find("CannotOpenFile"), std::string::npos);
    }
    EXPECT_NE(call(program, "isOk"), nullptr);
}

TEST(Program, VariablesOfAProgramAreNotCollected) {
    TreeBuilder b;
    ErrorCapture errors(7);
    const std::unique_ptr<VarList> vars = b.program({b.fact({b.var("X")})})->giveVars();
    EXPECT_TRUE(vars->empty());
    EXPECT_NE(errors.text().find("FProgramGiveVarsCalled"), std::string::npos);
}

// The normaliser: the atomised programs it prints for paths, specifications, is-a parts, facts,
// queries and negation; its shell methods through a stand-in interpreter; and atomised bodies
// evaluated against the bodies they came from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile/Normalizer.h"
#include "compile/ProgramInterpreter.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellValues.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

using Lines = std::vector<std::string>;

// The interpreter whose current program the shell's normaliser takes.
class StandInInterpreter : public ProgramInterpreter {
  public:
    explicit StandInInterpreter(FProgram* program) : program(program) {}
    FProgram* showProgram() override { return program; }
    bool isA(const std::string& className) const override {
        return className == "FLogicInterpreter" || ProgramInterpreter::isA(className);
    }
    FProgram* program;
};

class NormalizerTest : public ::testing::Test {
  protected:
    void SetUp() override { centralErrorHandler().setKeepMostSerious(0); }
    void TearDown() override { centralErrorHandler().setKeepMostSerious(1); }

    // The atomised program as showProgram writes it; "<null>" when atomize fails.
    std::string atomized(const std::string& text) {
        auto normalizer = Ref<Normalizer>::make(harness.program(text));
        OutputChannel& channel = answerChannel();
        ChannelCapture out(channel);
        std::string shown = "<null>";
        if (normalizer->atomize() != nullptr) {
            normalizer->showProgram();
            shown = out.text();
        }
        normalizer.reset();
        return shown;
    }

    rule_test::RuleHarness harness;
};

TEST_F(NormalizerTest, AtomicRulesKeepTheirTextAndGetTheLabel) {
    auto normalizer = Ref<Normalizer>::make(harness.program("p(X) :- X[a -> Y], Y[b -> Z]."));
    ASSERT_EQ(normalizer->atomize(), normalizer);
    FProgram* atomised = normalizer->giveProgram();
    ASSERT_EQ(atomised->getRules()->length(), 1);
    FRule* rule = atomised->getRules()->head();
    EXPECT_EQ(harness.print(rule), "p(X) :- X[a -> Y], Y[b -> Z].");
    EXPECT_EQ(rule->getLabel(), "norm");
    EXPECT_EQ(rule->getFlag(), 1);
}

TEST_F(NormalizerTest, PathStepsSpecificationsAndIsaParts) {
    // The step's atom joins the head atoms; one rule per head atom, in order.
    EXPECT_EQ(atomized("q(X.a) :- r(X)."), "X[a -> X2] :- r(X).\nq(X2) :- r(X).\n");
    // The outer step's variable is made first, its atom comes last.
    EXPECT_EQ(atomized("p(X) :- q(X.a.b)."), "p(X) :- X[a -> X3], X3[b -> X2], q(X2).\n");
    EXPECT_EQ(atomized("p(X) :- r(X, f(X.a))."), "p(X) :- X[a -> X2], r(X,f(X2)).\n");
    EXPECT_EQ(atomized("p(X) :- r(X), Y = X + 1."), "p(X) :- r(X), Y = (X + 1).\n");
    // Specifications and is-a parts split into atoms.
    EXPECT_EQ(atomized("p(X) :- X[a -> 1; b ->> {2, 3}]."),
              "p(X) :- X[a -> 1], X[b ->> {2}], X[b ->> {3}].\n");
    EXPECT_EQ(atomized("p(X) :- X : c[a -> 1]."), "p(X) :- X:c, X[a -> 1].\n");
}

TEST_F(NormalizerTest, FactsStayWholeAndQueriesUnchanged) {
    EXPECT_EQ(atomized("p(a), q(b)."), "p(a), q(b).\n");
    auto normalizer = Ref<Normalizer>::make(harness.program("?- X.a[b -> Y]."));
    ASSERT_NE(normalizer->atomize(), nullptr);
    FRule* query = normalizer->giveProgram()->getRules()->head();
    EXPECT_EQ(harness.print(query), "?- X.a[b -> Y].");
    EXPECT_EQ(query->getFlag(), 0);
}

TEST_F(NormalizerTest, NegatedLiterals) {
    EXPECT_EQ(atomized("p(X) :- r(X), not q(X)."), "p(X) :- r(X), not q(X).\n");
    // Two atoms: a fresh predicate, defined by an auxiliary rule, over their variables that the
    // rest of the body binds; the path's own variable X2 stays inside the auxiliary rule.
    EXPECT_EQ(atomized("p(X) :- r(X), not q(X.a)."),
              "p(X) :- r(X), not p1_45(X).\np1_45(X) :- X[a -> X2], q(X2).\n");
    // Each block enters the shared body once; each rule is made once.
    EXPECT_EQ(atomized("p(X), s(X) :- r(X), not q(X.a), not t(X)."),
              "p(X) :- r(X), not p1_48(X), not t(X).\n"
              "s(X) :- r(X), not p1_48(X), not t(X).\n"
              "p1_48(X) :- X[a -> X2], q(X2).\n");
    // Without atoms the rule is dropped.
    ErrorCapture errors;
    EXPECT_EQ(atomized("p(X) :- r(X), not X[].\nq(X) :- r(X)."), "q(X) :- r(X).\n");
    EXPECT_NE(errors.text().find("ObscureBody"), std::string::npos);
}

TEST_F(NormalizerTest, ShellMethods) {
    FProgram* good = harness.program("q(X.a) :- r(X).");
    auto interpreter = Ref<StandInInterpreter>::make(good);
    auto meta = Ref<NormalizerMeta>::make();
    FLSysArgs args;
    args.append(interpreter.get());
    FLSysRef made = meta->methodCall("new", &args);
    ASSERT_NE(made, nullptr);

    ChannelCapture system(systemChannel());
    ChannelCapture answers(answerChannel());
    EXPECT_EQ(made->methodCall("getProgram", nullptr), made);
    EXPECT_EQ(made->methodCall("atomize", nullptr), made);
    EXPECT_EQ(made->methodCall("print", nullptr), made);
    EXPECT_EQ(system.text(),
              "FProgram successfully copied ! \nFProgram atomized ! \naNormalizer\n");
    EXPECT_EQ(made->methodCall("showProgram", nullptr), made);
    EXPECT_EQ(answers.text(), "X[a -> X2] :- r(X).\nq(X2) :- r(X).\n");
    FLSysRef atomised = made->methodCall("giveProgram", nullptr);
    ASSERT_NE(atomised, nullptr);
    EXPECT_EQ(made->methodCall("atomize", &args), nullptr);

    // A program that fails the analysis: nothing printed, the last atomised program stays.
    interpreter->program = harness.program("p(X, Y) :- r(X).");
    system.clear();
    answers.clear();
    {
        ErrorCapture errors;
        EXPECT_EQ(made->methodCall("getProgram", nullptr), made);
        EXPECT_EQ(made->methodCall("atomize", nullptr), made);
    }
    EXPECT_EQ(system.text(), "FProgram successfully copied ! \n");
    EXPECT_EQ(answers.text(), "");
    EXPECT_EQ(made->methodCall("giveProgram", nullptr), atomised);

    made.reset();
    interpreter.reset();
    EXPECT_EQ(meta->methodCall("new", nullptr), nullptr);
}

TEST_F(NormalizerTest, MissingPrograms) {
    ErrorCapture errors;
    // Without an interpreter, and with one that has no program.
    auto alone = Ref<Normalizer>::make(static_cast<ProgramInterpreter*>(nullptr));
    EXPECT_EQ(alone->atomize(), nullptr);
    EXPECT_NE(errors.text().find("NoFLogInterp"), std::string::npos);
    EXPECT_EQ(alone->showProgram(), nullptr);
    EXPECT_NE(errors.text().find("NoAtomFProgram"), std::string::npos);
    alone.reset();

    const auto interpreter = Ref<StandInInterpreter>::make(nullptr);
    auto shell = Ref<Normalizer>::make(interpreter.get());
    EXPECT_EQ(shell->getProgram(), shell);
    EXPECT_EQ(shell->atomize(), nullptr);
    EXPECT_EQ(shell->giveProgram(), nullptr);
    // A program without a rule list.
    const auto program = Ref<FProgram>::adopt(new FProgram(nullptr, harness.table()));
    interpreter->program = program.get();
    EXPECT_EQ(shell->getProgram(), nullptr);
    EXPECT_NE(errors.text().find("NoOwnFProgram"), std::string::npos);
    shell.reset();
}

class NormalizedBodiesTest : public rule_test::RuleTest {
  protected:
    void SetUp() override {
        harness.facts(
            "a : c. b : c. d : c. a : e. b : e. c :: k. e :: k. f(a) : c. f(b) : g.\n"
            "p(a, b). p(b, c). p(c, d). q(b). q(d). r(1). r(2).\n"
            "a : person. b : person. a[m -> 1; s ->> {x, y}]. b[m -> 2; s ->> {y}].\n"
            "x[n -> 10]. y[n -> 20].");
    }
    // The bindings of the rule's body and of the body of its first atomic rule.
    std::pair<Lines, Lines> bindings(const std::string& text) {
        FProgram* program = harness.program(text);
        FRule* rule = program->getRules()->head();
        Translator* translator = harness.getTranslator();
        Lines original = harness.answersOf(rule, translator->translateRule(rule, harness.table()));
        auto normalizer = Ref<Normalizer>::make(program);
        Lines atomic = {"<not atomised>"};
        if (normalizer->atomize() != nullptr) {
            FRule* first = normalizer->giveProgram()->getRules()->head();
            atomic = harness.answersOf(first, translator->translateRule(first, harness.table()));
        }
        normalizer.reset();
        return {original, atomic};
    }
};

TEST_F(NormalizedBodiesTest, BindTheHeadVariablesAsTheOriginals) {
    for (const char* text : {
             "h(X) :- X : c, not X : e.",
             "h(X, C) :- f(X) : C, C :: k.",
             "h(X, M) :- X : person[m -> M].",
             "h(X, N) :- X..s[n -> N].",
             "h(X, N) :- p(X, Y), Y..s[n -> N].",
             "h(X, W) :- X[m -> 1; s ->> {W}].",
             "h(X, Y) :- X : person, q(Y), not p(X, Y).",
             "h(X) :- X : person, X.m < 2.",
             "h(X, V) :- r(X), V = X + 1.",
         }) {
        auto [original, atomic] = bindings(text);
        EXPECT_FALSE(original.empty()) << text;
        EXPECT_EQ(atomic, original) << text;
    }
}

}  // namespace

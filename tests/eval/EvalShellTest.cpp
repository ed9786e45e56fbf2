// The naive evaluator as the shell and the user see it: debug words, traces, progress lines,
// interrupts, query checks, failed rounds, help texts and the class objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EvalHarness.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "language/FRule.h"
#include "platform/InterruptFlag.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;

const char* const closure =
    "e(a,b). e(b,c). e(c,d).\n"
    "t(X,Y) :- e(X,Y).\n"
    "t(X,Z) :- t(X,Y), e(Y,Z).";

// A matcher that misbehaves on purpose: raises the interrupt flag at one retrieval, answers -1
// from its inserts, or stops being ok after its first insert.
class TestMatcher : public Matcher {
  public:
    explicit TestMatcher(EvalHarness* h)
        : Matcher(h->translator, h->creator, h->algebra, nullptr) {}
    Ref<Operand> retrieve(FRule* rule, Operand* bindings, SymTab* names) override {
        Ref<Operand> result = Matcher::retrieve(rule, bindings, names);
        if (++retrievals == interruptAt) interruptFlag.store(1);
        return result;
    }
    int insert(FRule* rule, Operand* bindings) override {
        inserted = true;
        return failInsert ? -1 : Matcher::insert(rule, bindings);
    }
    bool isOk() const override { return !(breakAfterInsert && inserted) && Matcher::isOk(); }
    int interruptAt = 0;
    int retrievals = 0;
    bool failInsert = false;
    bool breakAfterInsert = false;
    bool inserted = false;
};

clib_list<FLSysObject*>* words(std::vector<FLSysObject*> items) {
    auto* list = new clib_list<FLSysObject*>;
    for (FLSysObject* item : items) list->append(item);
    return list;
}

FLSysRef debugOn(NaiveEval* naive, const std::vector<std::string>& given) {
    return eval_test::callWith(naive, "debugOn", given);
}

TEST(NaiveEvalShell, DebugWordsSetTheirBits) {
    struct Case {
        std::vector<std::string> before;
        std::vector<std::string> words;
        int after;  // -1: the call answers null
    };
    const Case cases[] = {
        {{"dump", "insert"}, {}, 1},
        {{}, {"insert"}, 2},
        {{}, {"dump", "program"}, 20},
        {{}, {"delta", "trigger"}, 96},
        {{"insert"}, {"frame"}, 10},
        {{}, {"frame", "#2", "dump"}, 12},
        {{}, {"#3"}, -1},
        {{}, {"insert", "#3", "#4"}, -1},
    };
    for (const Case& c : cases) {
        EvalHarness h;
        if (!c.before.empty()) debugOn(h.naive, c.before);
        FLSysRef answer = debugOn(h.naive, c.words);
        if (c.after < 0) {
            EXPECT_EQ(answer, nullptr) << c.words.front();
        } else {
            EXPECT_EQ(answer, h.naive);
            EXPECT_EQ(h.naive->debugFlags(), c.after);
        }
        EXPECT_EQ(h.naive->methodCall("debugOff", nullptr), h.naive);
        EXPECT_EQ(h.naive->debugFlags(), 0);
    }
    // No list at all changes nothing.
    EvalHarness h;
    debugOn(h.naive, {"insert"});
    EXPECT_EQ(h.naive->methodCall("debugOn", nullptr), h.naive);
    EXPECT_EQ(h.naive->debugFlags(), 2);
}

TEST(NaiveEvalShell, TracesAndProgressLines) {
    EvalHarness h;
    FProgram* program = h.rules.program("p(a). q(X) :- p(X).");
    {
        ChannelCapture debug(debugChannel());
        debugOn(h.naive, {});
        EXPECT_EQ(h.naive->evaluate(program), 1);
        EXPECT_EQ(debug.text(), "TP(0)\n.\nTP(1)\n.\nTP(2)\n.\n");
    }
    h.naive->reset(0);
    h.om->clear();
    h.statistics();
    {
        debugOn(h.naive, {"insert"});
        ChannelCapture debug(debugChannel());
        ChannelCapture system(systemChannel());
        h.naive->tp(program);
        h.naive->tp(program);
        h.naive->tp(program);
        EXPECT_EQ(system.text(), "TP Round 0\nTP Round 1\nFP reached in round 2\n");
        EXPECT_EQ(debug.text(),
                  ".\n"
                  "Inserting: p(a).\n\n"
                  ".\n"
                  "Inserting: q(X) :- p(X).\n\nwith Bindings \n\n"
                  // The rule still has its row, which changes nothing now.
                  ".\n"
                  "Inserting: q(X) :- p(X).\n\nwith Bindings \n\n");
    }
    // tp leaves the statistic lines alone.
    EXPECT_TRUE(h.statistics().empty());
}

TEST(NaiveEvalShell, InterruptCancelsTheEvaluation) {
    EvalHarness h;
    auto* matcher = new TestMatcher(&h);
    h.useMatcher(matcher);
    // Rounds 0 and 1 match two rules each: the third retrieval is round 1's first rule.
    matcher->interruptAt = 3;
    ChannelCapture debug(debugChannel());
    EXPECT_EQ(h.run(closure), 0);
    EXPECT_EQ(debug.text(), "evaluation cancelled at round 2\n");
    EXPECT_EQ(interruptFlag.load(), 0);
    EXPECT_TRUE(h.statistics().empty());
    // What round 1 matched before the interrupt was still inserted.
    EXPECT_EQ(h.ask("?- t(a,X)."), (Lines{"X=b"}));

    // tp neither clears nor reports a pending interrupt.
    interruptFlag.store(1);
    ChannelCapture system(systemChannel());
    h.naive->tp(h.rules.program(closure));
    EXPECT_EQ(system.text(), "");
    EXPECT_EQ(interruptFlag.load(), 1);
    interruptFlag.store(0);
}

TEST(NaiveEvalShell, FailedRoundsAreNoFixpoint) {
    for (int way = 0; way < 2; ++way) {
        EvalHarness h;
        auto* matcher = new TestMatcher(&h);
        matcher->failInsert = way == 0;
        matcher->breakAfterInsert = way == 1;
        h.useMatcher(matcher);
        ErrorCapture errors;
        EXPECT_EQ(h.run(closure), 0);
        EXPECT_EQ(eval_test::errorNames(errors), "CannotEvaluate");
        EXPECT_TRUE(h.statistics().empty());
    }
}

TEST(NaiveEvalShell, QueriesMustBeQueries) {
    EvalHarness h;
    h.rules.facts("p(a).");
    ErrorCapture errors;
    EXPECT_FALSE(h.naive->retrieve(h.rules.rule("p(b)."), nullptr));
    EXPECT_FALSE(h.naive->retrieve(h.rules.rule("q(X) :- p(X)."), nullptr));
    EXPECT_FALSE(h.naive->retrieve(nullptr, nullptr));
    EXPECT_EQ(eval_test::errorNames(errors), "WrongArg\nWrongArg\nWrongArg");
    const Ref<Operand> answers = h.naive->retrieve(h.rules.rule("?- p(X)."), nullptr);
    ASSERT_TRUE(answers);
    EXPECT_EQ(answers->size(), 1);

    EvalHarness broken;
    auto* matcher = new TestMatcher(&broken);
    matcher->breakAfterInsert = true;
    matcher->inserted = true;
    broken.useMatcher(matcher);
    errors.clear();
    EXPECT_FALSE(broken.naive->retrieve(broken.rules.rule("?- p(X)."), nullptr));
    EXPECT_EQ(eval_test::errorNames(errors), "InconsistentOM");
}

TEST(NaiveEvalShell, EvaluateFromTheShellAndTheClassObject) {
    EvalHarness h;
    FProgram* program = h.rules.program("p(a).");
    auto* args = words({program});
    FLSysRef yes = h.naive->methodCall("evaluate", args);
    ASSERT_NE(yes, nullptr);
    EXPECT_EQ(static_cast<FLSysBoolean*>(yes.get())->value(), 1);
    yes.reset();
    FLSysRef no = h.naive->methodCall("evaluate", nullptr);
    ASSERT_NE(no, nullptr);
    EXPECT_EQ(static_cast<FLSysBoolean*>(no.get())->value(), 0);
    no.reset();

    NaiveEvalMeta meta;
    ErrorCapture errors;
    EXPECT_EQ(meta.methodCall("new", nullptr), nullptr);
    delete args;
    auto* parts = words({h.matcher, h.access});
    FLSysRef made = meta.methodCall("new", parts);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->isA("NaiveEval"));
    EXPECT_TRUE(made->isA("Evaluation"));
    made.reset();
    delete parts;
    auto* swapped = words({h.access, h.matcher});
    EXPECT_EQ(meta.methodCall("new", swapped), nullptr);
    delete swapped;
    EXPECT_EQ(eval_test::errorNames(errors), "WrongNumberOfArguments\nWrongArgument");
}

}  // namespace

// Semi-naive evaluation against naive evaluation of the same programs, the delta programs the
// rewriting makes, the mode switch and a cancelled evaluation.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "EvalHarness.h"
#include "compile/SemanticAnalyser.h"
#include "eval/PrSemiNaive.h"
#include "eval/ProgramPlan.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellValues.h"
#include "language/FProgram.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/RelationStore.h"
#include "platform/InterruptFlag.h"
#include "support/ChannelCapture.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;

// A PrSemiNaive that also shows the delta program of a whole program: an evaluation rewrites
// each recursive component on its own, and a rule that reads nothing its component derives is
// not rewritten at all.
class RewritingSemiNaive : public PrSemiNaive {
  public:
    using PrSemiNaive::PrSemiNaive;
    // The delta program in rule form as the trace of an evaluation shows it; "<none>" without
    // a delta table.
    std::string rewrite(FProgram* program) {
        inheritanceFlag |= program->inheritanceMark();
        Rewriting rewriting(program);
        std::string out = "<none>";
        const ProgramPlan plan(program, ProgramPlan::Inheritance::None, ProgramPlan::Split::Whole);
        std::unique_ptr<DeltaTable> table = rewriteProgram(rewriting, program, plan, 0);
        std::unique_ptr<DeltaRules> rules =
            table ? buildDeltaProgram(rewriting, program, plan, table.get()) : nullptr;
        if (rules) {
            OutputChannel channel;
            ChannelCapture text(channel);
            rules->wholeProgram(program->getSymTab(), program->inheritanceMark())->display(channel);
            out = text.text();
        }
        return out;
    }
};

// An evaluation engine whose evaluator is a PrSemiNaive in the given mode.
struct SemiHarness : EvalHarness {
    explicit SemiHarness(int mode)
        : semiOwner(Ref<RewritingSemiNaive>::make(matcher, access)), semi(semiOwner.get()) {
        if (mode != 0) setMode("seminaive");
    }
    void setMode(const std::string& word) { eval_test::callWith(semi, "mode", {word}); }
    // Analyses the program as the interpreter does (which marks inheritance).
    FProgram* analysed(const std::string& text) {
        FProgram* program = rules.program(text);
        auto analyser = Ref<SemanticAnalyser>::make();
        analyser->analyse(program, program->getSymTab());
        analyser.reset();
        return program;
    }
    // Evaluates the analysed program.
    int run(const std::string& text) {
        const int answer = semi->evaluate(analysed(text));
        semi->reset(0);
        return answer;
    }
    // The delta program of the whole analysed program.
    std::string rewrite(const std::string& text) { return semi->rewrite(analysed(text)); }
    // The answers of every query, each line prefixed with its query.
    Lines model(const Lines& queries) {
        Lines all;
        for (const std::string& query : queries)
            for (const std::string& line : ask(query)) all.push_back(query + " " + line);
        return all;
    }
    // The harness holds the evaluator; the tests borrow it through the plain pointer.
    Ref<RewritingSemiNaive> semiOwner;
    RewritingSemiNaive* semi;
};

std::string programDebug(SemiHarness& h, const std::string& text) {
    eval_test::callWith(h.semi, "debugOn", {"program"});
    ChannelCapture debug(debugChannel());
    h.run(text);
    return debug.text();
}

// The text after "Program rewritten:" up to the first round's trace.
std::string rewritten(const std::string& debug) {
    const std::size_t from = debug.find("Program rewritten:\n");
    const std::size_t to = debug.find("TP(0)");
    if (from == std::string::npos || to == std::string::npos) return "<none>";
    return debug.substr(from + 19, to - from - 19);
}

const std::string iterations = "Number of TP iterations         : ";

TEST(DeltaRewriting, RecursiveRuleWithAndWithoutFactsOfItsBase) {
    // Without facts of e its tuples are in the base already: only p can change.
    SemiHarness none(1);
    EXPECT_EQ(rewritten(programDebug(none, "p(X,Y) :- e(X,Y).\np(X,Z) :- p(X,Y), e(Y,Z).")),
              "p(X,Z) :- delta_p(X,Y), e(Y,Z).\n");
    // Facts count as heads: e gets a delta and both rules a variant for it.
    SemiHarness facts(1);
    EXPECT_EQ(rewritten(programDebug(
                  facts, "e(a,b). e(b,c).\np(X,Y) :- e(X,Y).\np(X,Z) :- p(X,Y), e(Y,Z).")),
              "p(X,Y) :- delta_e(X,Y).\n"
              "p(X,Z) :- delta_p(X,Y), e(Y,Z).\n"
              "p(X,Z) :- delta_e(Y,Z), p(X,Y).\n");
}

TEST(DeltaRewriting, IsaVariantsNegationEmptySetsAndSeveralAtomsOfALiteral) {
    SemiHarness h(1);
    const std::string text = h.rewrite(
        "a : c. c :: d. X : k :- X : d. X[m->>{Y}] :- X : k, Y : c, not q(Y). "
        "X :: e :- X :: d, X[m->>{}]. r(X) :- X[m->>{Y}; n->Y].");
    // Memberships with subclass heads give two variants each; the negated literal none and it
    // stays negated; the empty set gets its own delta; a molecule of two atoms one variant for
    // its m atom, the n atom staying in place (nothing derives n).
    EXPECT_EQ(text,
              "X:k :- delta_isa(X,X2), X2::d.\n"
              "X:k :- delta_subcl(X2,X3), X:X2, X3::d.\n"
              "X[m ->> {Y}] :- delta_isa(X,X3), X3::k, Y:c, not q(Y).\n"
              "X[m ->> {Y}] :- delta_subcl(X3,X4), X:X3, X4::k, Y:c, not q(Y).\n"
              "X[m ->> {Y}] :- delta_isa(Y,X3), X3::c, X:k, not q(Y).\n"
              "X[m ->> {Y}] :- delta_subcl(X3,X4), Y:X3, X4::c, X:k, not q(Y).\n"
              "X::e :- delta_subcl(X2,X3), X::X2, X3::d, X[m ->> {}].\n"
              "X::e :- delta_emptyset_1^0(m,X), X::d.\n"
              "r(X) :- delta_1^0(m,X,Y), X[n -> Y].\n");
    // Only memberships derived: one variant, which, no subclass fact being there or made,
    // reads the new memberships of the class itself; no class part in any head: none.
    SemiHarness isa(1);
    EXPECT_EQ(isa.rewrite("a : c. X : k :- X : c. Y : h :- X : Y, X : k."),
              "X:k :- delta_isa(X,c).\n"
              "Y:h :- delta_isa(X,Y), X:k.\n"
              "Y:h :- delta_isa(X,k), X:Y.\n");
    SemiHarness withSubclass(1);
    EXPECT_EQ(withSubclass.rewrite("a : c. b :: e. X : k :- X : c."),
              "X:k :- delta_isa(X,X2), X2::c.\n"
              "X:k :- delta_subcl(X2,X3), X:X2, X3::c.\n");
    SemiHarness noIsa(1);
    EXPECT_EQ(noIsa.rewrite("p(a). q(X) :- X : c, p(X)."), "q(X) :- delta_p(X), X:c.\n");
}

TEST(DeltaRewriting, ALiteralRepeatedInABodyGivesItsVariantsOnce) {
    // The variant of a repeated literal has the same literals as the first one's; a literal
    // with other variables, a negated one and a molecule still get theirs.
    SemiHarness h(1);
    EXPECT_EQ(h.rewrite("q(a). q(b). a[m -> b]. r(X) :- q(X), q(Y), q(X), not s(X), q(Y), "
                        "X[m -> Y], q(X), X[m -> Y]."),
              "r(X) :- delta_q(X), q(Y), q(X), not s(X), q(Y), X[m -> Y], q(X), X[m -> Y].\n"
              "r(X) :- delta_q(Y), q(X), q(X), not s(X), q(Y), X[m -> Y], q(X), X[m -> Y].\n"
              "r(X) :- delta_0^0(m,X,Y), q(X), q(Y), q(X), not s(X), q(Y), q(X), X[m -> Y].\n"
              "r(X) :- delta_0^0(m,X,Y), q(X), q(Y), q(X), not s(X), q(Y), X[m -> Y], q(X).\n");
    // The same model as the naive evaluation, the repeated literal derived in later rounds.
    const std::string program =
        "e(a,b). e(b,c). e(c,d). p(X,Y) :- e(X,Y). p(X,Z) :- p(X,Y), p(Y,Z), p(X,Y), p(Y,Z).";
    SemiHarness semi(1);
    SemiHarness naive(0);
    EXPECT_EQ(semi.run(program), 1);
    EXPECT_EQ(naive.run(program), 1);
    EXPECT_EQ(semi.model({"?- p(X,Y)."}), naive.model({"?- p(X,Y)."}));
    EXPECT_EQ(semi.model({"?- p(X,Y)."}).size(), 6u);
}

TEST(DeltaRewriting, DeltaSymbolsAreMadeInTheirOrderWithTheirArities) {
    SemiHarness h(1);
    h.rewrite(
        "p(a). a[m@(b)->>{}]. a:c. X :: d :- X :: c. "
        "q(X) :- p(X), X[m@(Y)->>{}], X[m@(Y)->>{Z}], X : c.");
    SymTab* names = h.rules.table();
    // Delta predicates are predicate symbols (kind 0) of their arity.
    auto id = [&](const std::string& name, int arity) { return names->lookup(name, 0, arity); };
    const char* order[] = {"delta_p", "delta_emptyset_1^1", "delta_1^1", "delta_subcl",
                           "delta_isa"};
    const int arities[] = {1, 3, 4, 2, 2};
    std::int32_t last = -1;
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(id(order[i], arities[i]), nullptr) << order[i];
        std::int32_t at = -1;
        names->forEachSymbol([&](const FSymbol& symbol, const std::string& name) {
            if (name == order[i]) at = symbol.getValue();
        });
        EXPECT_GT(at, last) << order[i];
        last = at;
    }
}

TEST(DeltaRewriting, TriggerFormAndAnEmptyDeltaProgram) {
    SemiHarness h(1);
    const std::string debug =
        programDebug(h,
                     "c[v*->1]. o : c. p(X,V) :- X[v->V]. q(X) :- X[w->>{}], X : c. "
                     "o[u->1] :- e(o). X = Y :- e(X), e(Y).");
    // The trigger form has method deltas for every body kind, no empty-set delta and no
    // "delta_isa"; the rule form here only has the membership delta (the facts' class part).
    // (The equality keeps the program in one part, rewritten whole.)
    const std::size_t at = debug.find("and for the triggers:\n");
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = debug.find("TP(0)");
    // A rule reading a set as empty is kept whole there: an inherited value can make the
    // method's first entry.
    EXPECT_EQ(debug.substr(at + 22, end - at - 22),
              "p(X,V) :- delta_0^0(v,X,V).\nq(X) :- X[w ->> {}], X:c.\n");
    EXPECT_NE(rewritten(debug)
                  .substr(0, rewritten(debug).find("and for"))
                  .find("q(X) :- delta_isa(X,X2), X2::c, X[w ->> {}].\n"),
              std::string::npos);

    // No rule can meet a fact derived later: an empty delta program.
    SemiHarness empty(1);
    empty.rules.facts("e(a).");
    EXPECT_EQ(empty.rewrite("X : k :- e(X)."), "/* This FProgram is empty */ \n");
    // Evaluated, the rule reads nothing it derives: one round; the program shows its (empty)
    // delta program once.
    EXPECT_EQ(rewritten(programDebug(empty, "X : k :- e(X).")), "/* This FProgram is empty */ \n");
    Lines lines = empty.statistics();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), iterations + "1");
}

TEST(SemiNaiveEval, RoundAfterEqualitiesRunsTheWholeProgram) {
    SemiHarness h(1);
    const std::string debug = programDebug(h, "p(a). p(b).\nc[m->X] :- p(X).\ns(X) :- t(X).");
    // One dot per rule matched: the component of the facts has one rule, its delta program one
    // variant. The second round gives c two values of a scalar method, which equates a and b:
    // the third round runs the whole component, not its delta program. The rule of s, a
    // component of its own, reads nothing it derives: one round. Without inheritance the
    // evaluation has one fixpoint.
    const std::size_t at = debug.find("TP(0)");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(debug.substr(at), "TP(0)\n.\nTP(1)\n.\nTP(2)\n.\nTP(3)\n.\n0. Fixpoint\n");
}

TEST(SemiNaiveEval, FirstDeltaRoundRunsARuleOnceWhenADeltaIsItsWholeRelation) {
    // The rounds' traces: one dot per rule the round matches.
    auto rounds = [](const std::string& debug) {
        const std::size_t at = debug.find("TP(0)");
        return at == std::string::npos ? std::string("<none>") : debug.substr(at);
    };
    const std::string program = "a(1,2). a(2,3). b(2,5). b(3,6).\nr(X,Z) :- a(X,Y), b(Y,Z).";
    const Lines queries = {"?- r(X,Z)."};
    // a and b start empty: all their facts are new in the first delta round, where the rule
    // runs once instead of once per variant (nothing reads r: no round after it).
    SemiHarness fresh(1);
    EXPECT_EQ(rounds(programDebug(fresh, program)), "TP(0)\n.\nTP(1)\n.\n0. Fixpoint\n");
    // Both relations hold facts before: the first delta round runs the two variants.
    SemiHarness filled(1);
    filled.rules.facts("a(7,8). b(8,9).");
    EXPECT_EQ(rounds(programDebug(filled, program)), "TP(0)\n.\nTP(1)\n..\n0. Fixpoint\n");
    // Only b holds facts before: the variant over a's delta is the whole rule.
    SemiHarness half(1);
    half.rules.facts("b(8,9).");
    EXPECT_EQ(rounds(programDebug(half, program)), "TP(0)\n.\nTP(1)\n.\n0. Fixpoint\n");
    for (const char* before : {"", "a(7,8). b(8,9).", "b(8,9).", "a(1,2). b(3,6)."}) {
        SemiHarness naive(0);
        SemiHarness semi(1);
        naive.rules.facts(before);
        semi.rules.facts(before);
        EXPECT_EQ(naive.run(program), 1);
        EXPECT_EQ(semi.run(program), 1);
        EXPECT_EQ(semi.model(queries), naive.model(queries)) << before;
        EXPECT_EQ(semi.ask("?- r(1,Z)."), (Lines{"Z=5"})) << before;
    }
}

TEST(SemiNaiveEval, SameModelAsNaive) {
    struct Case {
        const char* program;
        Lines queries;
    };
    const Case cases[] = {
        {"e(a,b). e(b,c). e(c,d). e(d,b). e(d,e).\n"
         "p(X,Y) :- e(X,Y).\np(X,Z) :- p(X,Y), e(Y,Z).",
         {"?- p(X,Y)."}},
        // The same recursion written the other way round: its delta variant binds the head's
        // variables in other columns than the rule does.
        {"e(a,b). e(b,c). e(c,d).\np(X,Y) :- e(X,Y).\np(X,Z) :- e(X,Y), p(Y,Z).", {"?- p(X,Y)."}},
        {"a[f->b]. b[f->c]. c[f->d].\nX[anc->>{Y}] :- X[f->Y].\n"
         "X[anc->>{Z}] :- X[anc->>{Y}], Y[f->Z].\nX[top->>{}] :- X[anc->>{Y}].\n"
         "r(X) :- X[top->>{}].",
         {"?- X[anc->>{Y}].", "?- r(X).", "?- X[top->>{Y}]."}},
        {"a : c. c :: d. d :: e. b : k.\nX : f :- X : e.\nX :: g :- X :: e.\n"
         "k :: e :- b : k.\nq(X) :- X : g.\ns(X) :- X : f, not X : k.",
         {"?- X : f.", "?- X :: g.", "?- q(X).", "?- s(X)."}},
        {"p(a). p(b). q(X) :- p(X), not r(X). r(b).\nt(X) :- q(X).", {"?- t(X).", "?- q(X)."}},
        {"p(a,1). p(b,2). p(c,3). n(1). n(2). n(3).\n"
         "s(X) :- n(X), X < 3.\nt(Y) :- s(X), p(Y,X).\nu(Y) :- t(Y), p(Y,X), X > 1.",
         {"?- t(X).", "?- u(X)."}},
        // An aggregate over a derived predicate is read anew in every round.
        {"e(a,b). e(b,c). e(c,d). e(d,e).\np(X,Y) :- e(X,Y).\np(X,Z) :- p(X,Y), e(Y,Z).\n"
         "c(N) :- N = count{X ; p(a,X)}.",
         {"?- c(N).", "?- p(X,Y)."}},
        // Equalities mid-way: the round after them runs the whole program.
        {"p(a). p(b). e(b,x).\nc[m->X] :- p(X).\nq(Y) :- e(X,Y), p(X).\nr(Z) :- q(Z).",
         {"?- r(X).", "?- q(X).", "?- c[m->X]."}},
    };
    for (const Case& c : cases) {
        SemiHarness naive(0);
        SemiHarness semi(1);
        EXPECT_EQ(naive.run(c.program), 1) << c.program;
        EXPECT_EQ(semi.run(c.program), 1) << c.program;
        EXPECT_EQ(semi.model(c.queries), naive.model(c.queries)) << c.program;
        EXPECT_FALSE(naive.model(c.queries).empty()) << c.program;
    }
}

// A closure written with memberships, with two of its nodes made equal mid-way: the semi-naive
// rounds read the delta of memberships in place from the flat rows of every membership, which
// hold each membership of the frames once, as the naive rounds leave them.
TEST(SemiNaiveEval, AMembershipDeltaReadsThroughTheSubclassesTheBaseHoldsAsThePartStarts) {
    // The part of the membership rules is prepared before any part runs, when the base holds no
    // subclass; the part before it makes c :: d. Its delta rounds must read a new membership in
    // c as one in d, or the chain stops at a.
    const char* const derived =
        "n(a). e(a,b). e(b,x). e(x,y). s(c,d).\nC :: D :- s(C, D).\n"
        "X : c :- n(X).\nn(Y) :- X : d, e(X, Y).";
    // With no subclass at all the membership is read directly; the answers are the same.
    const char* const none =
        "n(a). e(a,b). e(b,x). e(x,y).\nX : d :- n(X).\n"
        "n(Y) :- X : d, e(X, Y).";
    for (const char* program : {derived, none}) {
        SemiHarness naive(0);
        SemiHarness semi(1);
        EXPECT_EQ(naive.run(program), 1) << program;
        EXPECT_EQ(semi.run(program), 1) << program;
        const Lines queries{"?- n(X).", "?- X : d."};
        EXPECT_EQ(semi.model(queries), naive.model(queries)) << program;
        EXPECT_EQ(naive.model({"?- n(X)."}).size(), 4u) << program;
    }
}

TEST(SemiNaiveEval, MembershipClosureKeepsOneFlatRowPerMembership) {
    const char* program =
        "e(n0,n1). e(n1,n2). e(n2,n3). e(n3,n4). e(n4,n5).\n"
        "X : Y :- e(X,Y).\nX : Y :- e(X,Z), Z : Y.\n"
        "p(n3). p(n4).\nc[m->X] :- p(X).\nq(X,Y) :- X : Y, not e(X,Y).";
    const Lines queries = {"?- X : Y.", "?- q(X,Y).", "?- N = count{Y [X] ; X : Y}."};
    SemiHarness naive(0);
    SemiHarness semi(1);
    EXPECT_EQ(naive.run(program), 1);
    EXPECT_EQ(semi.run(program), 1);
    EXPECT_EQ(semi.model(queries), naive.model(queries));
    // n3 and n4 are one node r now, with e(r,r): n0, n1, n2 and r have 4, 3, 2 and 2 classes.
    for (SemiHarness* h : {&naive, &semi}) {
        EXPECT_EQ(h->ask("?- X : Y.").size(), naive.ask("?- X : Y.").size());
        const RelationStore* rows = h->om->storedMemberships();
        ASSERT_NE(rows, nullptr);
        EXPECT_EQ(rows->size(), 11);
        int objects = 0;
        for (const std::string& line : h->ask("?- N = count{Y [X] ; X : Y}.")) {
            // "N=<count>, X=<object>"
            if (line.rfind("N=", 0) == 0) objects += std::stoi(line.substr(2));
        }
        EXPECT_EQ(objects, rows->size());
    }
}

TEST(SemiNaiveEval, InheritedValuesReachRulesThroughTheTriggerDeltaProgram) {
    const char* program =
        "c[v*->1]. c[w*->>{x,y}]. o : c. d :: c. p : d. p[v->2].\n"
        "r(X,V) :- X[v->V].\ns(X,W) :- X[w->>{W}].\nt(X) :- r(X,V), s(X,W).";
    const Lines queries = {"?- r(X,V).", "?- s(X,W).", "?- t(X)."};
    for (const char* trigger : {"oneTrigger", "allTriggers"}) {
        SemiHarness naive(0);
        SemiHarness semi(1);
        naive.setMode(trigger);
        semi.setMode(trigger);
        EXPECT_EQ(naive.run(program), 1);
        EXPECT_EQ(semi.run(program), 1);
        EXPECT_EQ(semi.model(queries), naive.model(queries)) << trigger;
        EXPECT_EQ(semi.ask("?- r(X,V)."), (Lines{"V=1, X=o", "V=2, X=p"})) << trigger;
        EXPECT_EQ(semi.ask("?- t(X)."), (Lines{"X=o", "X=p"})) << trigger;
    }
}

TEST(SemiNaiveEval, ModeWordsAndHelp) {
    SemiHarness h(0);
    ErrorCapture errors;
    h.setMode("foo");
    EXPECT_EQ(eval_test::errorNames(errors), "WrongArgument");
    EXPECT_EQ(h.semi->evaluationMode(), PrSemiNaive::Naive);
    h.setMode("allTriggers");
    EXPECT_EQ(h.semi->evaluationMode(), PrSemiNaive::Naive);
    EXPECT_EQ(h.semi->triggerMode(), 1);
    h.setMode("seminaive");
    EXPECT_EQ(h.semi->evaluationMode(), PrSemiNaive::SemiNaive);
    h.setMode("oneTrigger");
    EXPECT_EQ(h.semi->triggerMode(), 0);

    ChannelCapture help(helpChannel());
    EXPECT_EQ(eval_test::callWith(h.semi, "help", {"x"}), nullptr);
    EXPECT_EQ(help.text(), "");
    EXPECT_EQ(h.semi->methodCall("help", nullptr), h.semi);
}

TEST(SemiNaiveEval, CancelledEvaluationStopsRecording) {
    SemiHarness h(1);
    interruptFlag.store(0);
    FProgram* program = h.rules.program(
        "e(a,b). e(b,c).\np(X,Y) :- e(X,Y).\n"
        "p(X,Z) :- p(X,Y), e(Y,Z).");
    // The interrupt arrives during the first round: the evaluation is cancelled and its delta
    // tables are gone; the next insert must not record through them.
    auto cancelling =
        Ref<eval_test::InterruptedInFirstRound<PrSemiNaive>>::make(h.matcher, h.access);
    eval_test::callWith(cancelling.get(), "mode", {"seminaive"});
    ChannelCapture debug(debugChannel());
    EXPECT_EQ(cancelling->evaluate(program), 0);
    EXPECT_EQ(debug.text(), "evaluation cancelled at round 1\n");
    EXPECT_EQ(interruptFlag.load(), 0);
    EXPECT_TRUE(h.statistics().empty());
    // Inserts after the cancel go to the base only, and the delta frames stay readable.
    h.rules.facts("e(c,d). p(x,y).");
    EXPECT_EQ(h.ask("?- e(c,X)."), (Lines{"X=d"}));
    EXPECT_EQ(h.ask("?- delta_e(X,Y)."), (Lines{"X=a, Y=b", "X=b, Y=c"}));
    cancelling->reset(0);
}

}  // namespace

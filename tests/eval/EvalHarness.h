// The evaluation tests' object base and engine: a real object base and access layer, the real
// parser, translator, creator, algebra evaluator, matcher and naive evaluator, with helpers that
// run programs and read the statistic lines.
#pragma once

#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "compile/AlgebraicEval.h"
#include "compile/Operand.h"
#include "compile/SemanticAnalyser.h"
#include "compile/Translator.h"
#include "eval/Creator1.h"
#include "eval/Matcher.h"
#include "eval/NaiveEval.h"
#include "eval/PrSemiNaive.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellValues.h"
#include "foundation/StatisticHandler.h"
#include "language/FParser.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "objectbase/MainMemOM.h"
#include "platform/InterruptFlag.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace eval_test {

using Lines = std::vector<std::string>;

// The names of the errors reported into the capture, one a line, without a final line end.
inline std::string errorNames(const ErrorCapture& errors) {
    const std::string text = errors.text();
    const std::string mark = "*** ERROR : ";
    std::string names;
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
        at += mark.size();
        const std::size_t end = text.find('\n', at);
        if (!names.empty()) names += "\n";
        names += text.substr(at, end - at);
    }
    return names;
}

// An evaluator whose user presses Ctrl-C during its first round.
template <class Evaluator>
struct InterruptedInFirstRound : Evaluator {
    using Evaluator::Evaluator;
    int tpStep(FProgram* program) override {
        const int changed = Evaluator::tpStep(program);
        interruptFlag.store(1);
        return changed;
    }
};

// Calls a shell method with the words given as string arguments ("#n" is the integer n).
inline FLSysRef callWith(FLSysObject* target, const std::string& method,
                         const std::vector<std::string>& words) {
    std::vector<FLSysRef> kept;
    FLSysArgs args;
    for (const std::string& w : words) {
        if (w[0] == '#') {
            kept.push_back(FLSysRef::adopt(new FLSysInteger(std::stoi(w.substr(1)))));
        } else {
            kept.push_back(FLSysRef::adopt(new FLSysString(w)));
        }
        args.append(kept.back().get());
    }
    return target->methodCall(method, &args);
}

class EvalHarness {
  public:
    EvalHarness() : EvalHarness([](OM* base) { return new OMAccess(base); }) {}
    // With an access layer of the test's own over the harness's object base; the harness holds
    // the reference `makeAccess` returns.
    template <class MakeAccess>
    explicit EvalHarness(MakeAccess makeAccess) : EvalHarness(new MainMemOM(), makeAccess) {}
    // Over an object base of the test's own too; the harness holds the reference `base` comes
    // with.
    template <class MakeAccess>
    EvalHarness(MainMemOM* base, MakeAccess makeAccess)
        : omOwner(Ref<MainMemOM>::adopt(base)),
          om(base),
          accessOwner(Ref<OMAccess>::adopt(makeAccess(om))),
          access(accessOwner.get()),
          matcherOwner(Ref<Matcher>::make(translator, creator, algebra, nullptr)),
          matcher(matcherOwner.get()),
          naiveOwner(Ref<NaiveEval>::make(matcher, access)),
          naive(naiveOwner.get()) {
        centralErrorHandler().setKeepMostSerious(0);
        centralStatistic().clear();
    }
    ~EvalHarness() {
        centralStatistic().clear();
        centralErrorHandler().setKeepMostSerious(1);
    }
    EvalHarness(const EvalHarness&) = delete;
    EvalHarness& operator=(const EvalHarness&) = delete;

    // Replaces the matcher (taking over the caller's reference) and the evaluator built on it.
    void useMatcher(Matcher* own) {
        naiveOwner.reset();
        matcherOwner = Ref<Matcher>::adopt(own);
        matcher = own;
        naiveOwner = Ref<NaiveEval>::make(matcher, access);
        naive = naiveOwner.get();
    }
    // Replaces the evaluator by one that embeds printers from `printers`.
    void usePrinters(PrinterFactory printers) {
        naiveOwner.reset();
        naiveOwner = Ref<NaiveEval>::make(matcher, access, printers);
        naive = naiveOwner.get();
    }
    // Evaluates the program of the text; the evaluator's answer.
    int run(const std::string& text) { return naive->evaluate(rules.program(text)); }
    // Evaluates the program of the text as a consult keeps it, its facts in the program's fact
    // list; the harness holds the program. The evaluator's answer.
    int consult(const std::string& text) {
        auto program = Ref<FProgram>::make(new clib_list<FRule*>, rules.table());
        auto parser = Ref<FLogicParser>::make();
        parser->setInputString(text);
        while (!parser->atEnd()) {
            int ok = 0;
            const auto rule = Ref<FRule>::adopt(parser->parse(rules.table(), &ok));
            if (!rule) {
                if (ok != 1) continue;
                break;
            }
            program->appendClause(rule.get());
        }
        consulted.push_back(program);
        return naive->evaluate(program.get());
    }
    // Evaluates the program, analysed as the interpreter analyses it, by a fresh semi-naive
    // evaluator on this base; the evaluator's answer.
    int runSemiNaive(const std::string& text) {
        const Ref<PrSemiNaive> semi = makeSemiNaive();
        const int answer = runAnalysed(*semi, text);
        semi->reset(0);
        return answer;
    }
    // A fresh evaluator in mode "seminaive" on this base; the caller holds the reference.
    Ref<PrSemiNaive> makeSemiNaive() {
        auto semi = Ref<PrSemiNaive>::make(matcher, access);
        callWith(semi.get(), "mode", {"seminaive"});
        return semi;
    }
    // Evaluates the program of the text, analysed as the interpreter analyses it, by `evaluator`;
    // the evaluator's answer.
    int runAnalysed(PrSemiNaive& evaluator, const std::string& text) {
        FProgram* program = rules.program(text);
        Ref<SemanticAnalyser>::make()->analyse(program, program->getSymTab());
        return evaluator.evaluate(program);
    }
    // The answers on the current object base, as sorted "X=a, Y=b" lines.
    Lines ask(const std::string& query) { return rules.answers(query); }
    // The value of the first column of the first row of the query's answers.
    InternalName firstValue(const std::string& query) {
        InternalName value = InternalName::UndefinedObject;
        const Ref<Operand> rows = naive->retrieve(rules.rule(query), nullptr);
        if (!rows) return value;
        scan(rows.get(), RowOrder::Ordered, [&](const RowView& row) {
            if (row.width > 0) value = row.cells[0];
            return false;
        });
        return value;
    }
    // The statistic lines collected so far, each without its line end; the store is emptied.
    Lines statistics() {
        ChannelCapture capture(statisticChannel());
        centralStatistic().show();
        centralStatistic().clear();
        Lines lines;
        std::string text = capture.text();
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            if (end > at) lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return lines;
    }

    // Each part is held by its owner handle, which the plain pointer after it borrows; the parts
    // are released in the reverse of the order they are declared in.
  private:
    Ref<MainMemOM> omOwner;

  public:
    MainMemOM* om;

  private:
    Ref<OMAccess> accessOwner;

  public:
    OMAccess* access;
    rule_test::RuleHarness rules{access};

  private:
    Ref<Translator> translatorOwner = Ref<Translator>::make(1);

  public:
    Translator* translator = translatorOwner.get();
    // The operators' trace, shared by the creator and the algebra evaluator as in a session.
    Ref<OperatorTrace> trace = Ref<OperatorTrace>::make();

  private:
    Ref<Creator1> creatorOwner = Ref<Creator1>::make(access, trace.get());
    Ref<AlgebraicEval> algebraOwner = Ref<AlgebraicEval>::make(access, trace.get());

  public:
    Creator1* creator = creatorOwner.get();
    AlgebraicEval* algebra = algebraOwner.get();

  private:
    Ref<Matcher> matcherOwner;

  public:
    Matcher* matcher;

  private:
    Ref<NaiveEval> naiveOwner;

  public:
    NaiveEval* naive;

  private:
    std::vector<Ref<FProgram>> consulted;
};

}  // namespace eval_test

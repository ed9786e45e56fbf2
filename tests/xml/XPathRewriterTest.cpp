// Tests of the Kavum rewriting of Pevo clauses: the worked query as printed text and node by node,
// the edge cases as Pevo text against the printed rewritten clause, negation in head filters,
// result lists on hand-built steps, and the rewriting and analysis of a whole program.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "foundation/OutputChannel.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/MethResult.h"
#include "language/PevoParser.h"
#include "language/PevoShape.h"
#include "language/Reference.h"
#include "language/ReportText.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"
#include "shell/FLogicInterpreter.h"
#include "support/ChannelCapture.h"
#include "xml/XPathRewriter.h"

namespace {

using language_test::ShapeWriter;

// The clause's variables as its own table names them, where the names the table makes for fresh
// don't-care variables ("_#7") show their number ("_7") instead of the bare "_" a user sees;
// symbols of other kinds (the "nil" of a nest aggregate) come from the program's table.
class FreshNames : public SymTab {
  public:
    FreshNames(const SymTab* clause, const SymTab* program) : clause(clause), program(program) {}
    std::string giveName(const InternalName& symbol) const override {
        if (symbol.getType() != InternalName::Variable &&
            symbol.getType() != InternalName::DontCare)
            return program->giveName(symbol);
        std::string text = clause->giveName(symbol);
        if (text.rfind("_#", 0) == 0) text.erase(1, 1);
        return text;
    }

  private:
    const SymTab* clause;
    const SymTab* program;
};

// Parses one Pevo clause with a program table and rewrites it.
class RewriteHarness {
  public:
    RewriteHarness()
        : names(Ref<SymTab>::make()), rewriter(Ref<XPathRewriter>::make()), printed(channel) {
        names->initBuiltinSymbols();
    }
    RewriteHarness(const RewriteHarness&) = delete;
    RewriteHarness& operator=(const RewriteHarness&) = delete;

    FRule* parse(const std::string& text) {
        auto parser = Ref<PevoParser>::make();
        parser->setInputString(text);
        int ok = -1;
        rule.reset();
        rule = Ref<FRule>::adopt(parser->parse(names.get(), &ok));
        parser.reset();
        return rule.get();
    }

    // The clause as its print form gives it, with the fresh variables numbered.
    std::string print(const FRule& clause) {
        auto vars = Ref<FreshNames>::make(clause.getSymTab(), names.get());
        printed.clear();
        if (clause.getHead() != nullptr) {
            clause.getHead()->print(channel, names.get(), vars.get());
            if (clause.getBody() != nullptr) channel << " :- ";
        } else {
            channel << "?- ";
        }
        if (clause.getBody() != nullptr) clause.getBody()->print(channel, names.get(), vars.get());
        channel << ".";
        vars.reset();
        return printed.text();
    }

    // Parses, rewrites and prints; "<no clause>" when the text does not parse.
    std::string rewritten(const std::string& text) {
        if (parse(text) == nullptr) return "<no clause>";
        rewriter->rewriteClause(rule.get(), names.get());
        return print(*rule);
    }

    std::string name(const FSymbol& symbol) const { return rule->getSymTab()->giveName(symbol); }

    // Declared in the reverse of the order they are released in.
    Ref<SymTab> names;
    Ref<XPathRewriter> rewriter;
    Ref<FRule> rule;

  private:
    OutputChannel channel;
    ChannelCapture printed;
};

// The specifications of a molecule as "method/axis ->arrow result", joined by "; ".
std::string specsOf(const FMolecule* molecule, const ShapeWriter& shape) {
    if (molecule == nullptr || molecule->getSpecs() == nullptr) return "<none>";
    std::string out;
    for (Spec* spec : *molecule->getSpecs()) {
        const auto* set = dynamic_cast<const PevoMSpec*>(spec);
        if (!out.empty()) out += "; ";
        if (set == nullptr) {
            out += "<not a Pevo set specification>";
            continue;
        }
        out += shape.term(set->getMethod()) + "/" + std::to_string(set->getCode()) + " ->" +
               std::to_string(set->getKind());
        for (FTerm* result : *set->getResults()) out += " " + shape.term(result);
    }
    return out;
}

TEST(XPathRewriter, WorkedQueryBecomesMoleculesStepsAndANegatedStepOverTheHostVariable) {
    RewriteHarness harness;
    ErrorCapture errors;
    // D and S are the clause's first two variables, the host variable of the filter its third.
    EXPECT_EQ(harness.rewritten("?- D//chapter[@lang -> \"en\" and not title]/section -> S."),
              "?- D/descendant::chapter[@lang -> {\"en\"} and self -> {_3}]/section[self -> {S}], "
              "not _3/title.");
    EXPECT_EQ(errors.text(), "");
    // The system's own print shows the fresh variable as a user would write it.
    OutputChannel channel;
    ChannelCapture printed(channel);
    harness.rule->print(channel, harness.names.get(), nullptr);
    EXPECT_EQ(printed.text(),
              "?- D/descendant::chapter[@lang -> {\"en\"} and self -> {_}]/section[self -> {S}], "
              "not _/title.\n");

    // Node by node: the molecule over R2 (section, child axis) whose host is M, the molecule
    // over R1 (chapter, descendant axis, over D); no step keeps a result, M keeps no filter;
    // then the negated child step title over the fresh variable, of start kind 2.
    const ShapeWriter shape(harness.names.get(), harness.rule->getSymTab());
    EXPECT_EQ(shape.clause(*harness.rule),
              "?- Mol(PRef(PMol(PRef(D, chapter/2), [2 specs]), section/1), [1 specs]), "
              "not PRef(_#3, title/1)");
    const auto* overR2 =
        dynamic_cast<const FMolecule*>(harness.rule->getBody()->getList()->head()->getTerm());
    ASSERT_NE(overR2, nullptr);
    EXPECT_EQ(specsOf(overR2, shape), "self^1/7 ->1 S");
    const auto* m =
        dynamic_cast<const FMolecule*>(static_cast<CPath*>(overR2->getHost())->getHost());
    // M's own specification lang on the attribute axis first, then R1's binding of V.
    EXPECT_EQ(specsOf(m, shape), "lang/6 ->1 \"en\"; self^1/7 ->1 _#3");
}

struct Case {
    const char* pevo;
    const char* rewritten;
};

TEST(XPathRewriter, EdgeCasesAsPrintedClauses) {
    const Case cases[] = {
        // A step with a result becomes the molecule over the step with self under its arrow.
        {"?- X/a -> V.", "?- X/a[self -> {V}]."},
        {"?- X/a -> Y/b -> Z.", "?- X/a[self -> {Y}]/b[self -> {Z}]."},
        // A body literal that is a bare variable after rewriting disappears.
        {"?- X/a -> V, Y.", "?- X/a[self -> {V}]."},
        // Negation: one literal stays a negated literal over the rewritten term; several become
        // a negated "nest" aggregate over nil, grouped by the term's variables.
        {"?- X/a, not X/b -> V.", "?- X/a, not X/b[self -> {V}]."},
        {"?- X/a, not X/b[d/e].", "?- X/a, not nest{nil [X] ; X/b[d -> {_2}], _2/e}."},
        // The one literal left is itself negated: the double negation stays.
        {"?- X/a, not X[not c].", "?- X/a, not nest{nil [X] ; not X/c}."},
        // A fact in its head, a rule in head and body.
        {"o/a[b -> 1].", "o/a[b -> {1}]."},
        // A molecule over a molecule becomes one molecule, the outer specifications first.
        {"?- X[a -> b][c -> d].", "?- X[c -> {d} and a -> {b}]."},
        // One step from self: a specification; without a result a fresh variable and the step's
        // own path kind.
        {"?- X/a[b].", "?- X/a[b -> {_2}]."},
        // The step's own filter moves onto its result.
        {"?- X/a[b[c]].", "?- X/a[b -> {_2[c -> {_3}]}]."},
        // Attribute steps with "*->" or "=>" (the codes 4 and 7) take "@*->>" and "@=>>".
        {"?- X/a[@b *-> 1].", "?- X/a[@b @*-> {1}]."},
        {"?- X/a[@b => integer].", "?- X/a[@b @=> (integer)]."},
        // Three steps from self: the first step's specification, the rest a literal from T.
        {"?- X/a[b/c -> 1].", "?- X/a[b -> {_2}], _2/c[self -> {1}]."},
        {"?- X/a[b -> B/c].", "?- X/a[b -> {B}], B/c."},
        // From the root: a literal of the clause, unchanged; the molecule keeps no brackets.
        {"?- X/a[//b].", "?- X/a, root/descendant::b."},
        // A negated path or a predicate makes the step bind a fresh host variable, or use the
        // variable host, or the result of the step, adding nothing then.
        {"?- X/a[not b].", "?- X/a[self -> {_2}], not _2/b."},
        {"?- X[not b].", "?- not X/b."},
        {"?- o[not b and @c > 1].", "?- o, not o/b, o/@c > 1."},
        {"?- X/a -> Y[not b].", "?- X/a[self -> {Y}], not Y/b."},
        {"?- X/a[not @year > 2000].", "?- X/a[self -> {_2}], not _2/@year > 2000."},
        {"?- X/a[not b[not c] = 1].",
         "?- X/a[self -> {_2}], not nest{nil [_2] ; not _3/c, _2/b[self -> {_3}] = 1}."},
        // Operands of arithmetic and the bodies of aggregates are rewritten in place.
        {"?- Z = X/a -> V + 1.", "?- Z = X/a[self -> {V}] + 1."},
        {"?- N = count{V [X] ; X/a -> V}.", "?- N = count{V [X] ; X/a[self -> {V}]}."},
        // Filters in a head become further head terms.
        {"X/a[b/c] :- p(X).", "X/a[b -> {_2}], _2/c :- p(X)."},
        // A head step with a result stores the result under the step's method, as the filter
        // form does; in a query the same step tests the object it reaches.
        {"P/nick -> \"nn\" :- p(P).", "P[nick -> {\"nn\"}] :- p(P)."},
        {"B/@checked -> \"yes\" :- p(B).", "B[@checked -> {\"yes\"}] :- p(B)."},
        {"P/note/text() -> T :- p(P, T).", "P/note[text() -> {T}] :- p(P,T)."},
    };
    for (const Case& c : cases) {
        RewriteHarness harness;
        ErrorCapture errors;
        EXPECT_EQ(harness.rewritten(c.pevo), c.rewritten) << "input: " << c.pevo;
        EXPECT_EQ(errors.text(), "") << "input: " << c.pevo;
    }
}

TEST(XPathRewriter, NegatedHeadFilterLiteralsAreReportedOnceEachAndLeftOut) {
    const Case cases[] = {
        {"X/a[not b] :- p(X).", "X/a[self -> {_2}] :- p(X)."},
        {"X/a[not b and c and not @d > 1] :- p(X).", "X/a[c -> {_3} and self -> {_2}] :- p(X)."},
    };
    const int negated[] = {1, 2};
    for (int i = 0; i < 2; ++i) {
        RewriteHarness harness;
        ErrorCapture errors;
        Error::setOutputFilter(7);
        EXPECT_EQ(harness.rewritten(cases[i].pevo), cases[i].rewritten);
        std::string expected;
        for (int n = 0; n < negated[i]; ++n)
            expected += "NegatedRule|Negation in filter in the head of a rule.|XPathRewriter\n";
        EXPECT_EQ(reportText(errors), expected) << "input: " << cases[i].pevo;
    }
}

TEST(XPathRewriter, AStepWithAResultListIsLeftAsItIs) {
    RewriteHarness harness;
    ASSERT_NE(harness.parse("?- X/a[not b]."), nullptr);
    // By hand: the step a carries the results {Y, Z}.
    auto* molecule = static_cast<FMolecule*>(harness.rule->getBody()->getList()->head()->getTerm());
    auto* step = static_cast<PevoReference*>(molecule->getHost());
    auto y = Ref<FVar>::make(harness.rule->getSymTab()->GetFSymbol("Y", InternalName::Variable, 0));
    auto z = Ref<FVar>::make(harness.rule->getSymTab()->GetFSymbol("Z", InternalName::Variable, 0));
    clib_list<FTerm*> results;
    results.append(y.get());
    results.append(z.get());
    auto list = Ref<MMethResult>::make(1, &results);
    y.reset();
    z.reset();
    step->setMethResult(list.get());

    harness.rewriter->rewriteClause(harness.rule.get(), harness.names.get());
    // Neither a self specification nor the fresh host variable's binding replaces the list.
    EXPECT_EQ(step->getMethResult(), list.get());
    const auto* term = harness.rule->getBody()->getList()->head()->getTerm();
    EXPECT_EQ(term, molecule);
    EXPECT_EQ(molecule->getHost(), step);
    EXPECT_EQ(molecule->getSpecs(), nullptr);
    EXPECT_EQ(harness.print(*harness.rule), "?- X/a, not _4/b.");
}

TEST(XPathRewriter, RewritesAProgramAndAnswersWhetherItsAnalysisPasses) {
    RewriteHarness harness;
    auto programOf = [&](const std::string& text) {
        auto* rules = new clib_list<FRule*>;
        auto parser = Ref<PevoParser>::make();
        parser->setInputString(text);
        int ok = 1;
        std::vector<Ref<FRule>> parsed;
        while (!parser->atEnd()) {
            if (auto rule = Ref<FRule>::adopt(parser->parse(harness.names.get(), &ok))) {
                rules->append(rule.get());
                parsed.push_back(std::move(rule));
            }
        }
        parser.reset();
        auto* program = new FProgram(rules, harness.names.get());  // takes over the list
        parsed.clear();
        return program;
    };
    ErrorCapture errors;
    Error::setOutputFilter(2);

    auto safe = Ref<FProgram>::adopt(programOf("p(X) :- X/a[@b -> 1].\nq(X) :- X/a -> Y, p(Y)."));
    EXPECT_EQ(harness.rewriter->rewriteProgram(safe.get(), harness.names.get()),
              harness.rewriter.get());
    EXPECT_EQ(harness.print(*safe->getRules()->head()), "p(X) :- X/a[@b -> {1}].");
    EXPECT_EQ(errors.text(), "");
    safe.reset();

    // The head variable Y does not occur in the body.
    auto unsafe = Ref<FProgram>::adopt(programOf("p(Y) :- X/a[b]."));
    EXPECT_EQ(harness.rewriter->rewriteProgram(unsafe.get(), harness.names.get()), nullptr);
    EXPECT_NE(errors.text().find("semantic error appeared"), std::string::npos) << errors.text();
}

TEST(XPathRewriter, TheInterpretersKavumDialectRewritesEveryStoredClause) {
    auto interpreter = Ref<FLogicInterpreter>::make(nullptr, nullptr, nullptr);
    interpreter->useClauseRewriters(makeXPathRewriter);
    RewriteHarness harness;
    auto store = [&](const std::string& text) {
        FRule* rule = harness.parse(text);
        interpreter->addClause(rule, harness.names.get());
        return harness.print(*rule);
    };
    interpreter->setDialect("Kavum");
    EXPECT_EQ(store("p(X) :- X/a -> V."), "p(X) :- X/a[self -> {V}].");
    interpreter->setDialect("FLogic");
    EXPECT_EQ(store("q(X) :- X/a -> V."), "q(X) :- X/a -> V.");
    EXPECT_EQ(interpreter->showProgram()->getRules()->length(), 2);
}

}  // namespace

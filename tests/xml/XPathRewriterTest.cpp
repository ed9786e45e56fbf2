// Tests of the Kavum rewriting of Pevo clauses: the worked query as printed text and node by node,
// the edge cases as Pevo text against the printed rewritten clause, negation in head filters,
// result lists on hand-built steps, and the rewriting and analysis of a whole program.
#include <gtest/gtest.h>

#include <string>

#include "foundation/OutputChannel.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/MethResult.h"
#include "language/PevoParser.h"
#include "language/Reference.h"
#include "language/ReportText.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"
#include "shell/FLogicInterpreter.h"
#include "support/ChannelCapture.h"
#include "xml/XPathRewriter.h"

namespace {

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
    RewriteHarness() : names(new SymTab), rewriter(new XPathRewriter), printed(channel) {
        names->initBuiltinSymbols();
    }
    ~RewriteHarness() {
        decRef(rule);
        decRef(rewriter);
        decRef(names);
    }
    RewriteHarness(const RewriteHarness&) = delete;
    RewriteHarness& operator=(const RewriteHarness&) = delete;

    FRule* parse(const std::string& text) {
        auto* parser = new PevoParser;
        parser->setInputString(text);
        int ok = -1;
        decRef(rule);
        rule = parser->parse(names, &ok);
        decRef(parser);
        return rule;
    }

    // The clause as its print form gives it, with the fresh variables numbered.
    std::string print(const FRule& clause) {
        auto* vars = new FreshNames(clause.getSymTab(), names);
        printed.clear();
        if (clause.getHead() != nullptr) {
            clause.getHead()->print(channel, names, vars);
            if (clause.getBody() != nullptr) channel << " :- ";
        } else {
            channel << "?- ";
        }
        if (clause.getBody() != nullptr) clause.getBody()->print(channel, names, vars);
        channel << ".";
        decRef(vars);
        return printed.text();
    }

    // Parses, rewrites and prints; "<no clause>" when the text does not parse.
    std::string rewritten(const std::string& text) {
        if (parse(text) == nullptr) return "<no clause>";
        rewriter->rewriteClause(rule, names);
        return print(*rule);
    }

    std::string name(const FSymbol& symbol) const { return rule->getSymTab()->giveName(symbol); }

    SymTab* names;
    XPathRewriter* rewriter;
    FRule* rule = nullptr;

  private:
    OutputChannel channel;
    ChannelCapture printed;
};

// The only specification of a molecule's list at the position, as a Pevo set specification.
const PevoMSpec* specAt(const FMolecule& molecule, int position) {
    const clib_list<Spec*>* specs = molecule.getSpecs();
    if (specs == nullptr) return nullptr;
    int index = 0;
    for (Spec* spec : *specs)
        if (index++ == position) return dynamic_cast<const PevoMSpec*>(spec);
    return nullptr;
}

const FTerm* onlyResult(const PevoMSpec& spec) {
    return spec.getResults() != nullptr && spec.getResults()->length() == 1
               ? spec.getResults()->head()
               : nullptr;
}

TEST(XPathRewriter, WorkedQueryBecomesMoleculesStepsAndANegatedStepOverTheHostVariable) {
    RewriteHarness harness;
    ErrorCapture errors;
    // D and S are the clause's first two variables, the host variable of the filter its third.
    EXPECT_EQ(harness.rewritten("?- D//chapter[@lang -> \"en\" and not title]/section -> S."),
              "?- D/descendant::chapter[@lang -> {\"en\"} and self -> {_3}]/section[self -> {S}], "
              "not _3/title.");
    EXPECT_EQ(errors.text(), "");

    FLiteralList& body = *harness.rule->getBody();
    ASSERT_EQ(body.length(), 2);
    const FLiteral* written = body.getList()->head();
    const FLiteral* generated = body.getList()->tail();

    // Step 5: the literal's term is the molecule over R2 with the one specification self ->> S.
    ASSERT_FALSE(written->isNegated());
    const auto* overR2 = dynamic_cast<const FMolecule*>(written->getTerm());
    ASSERT_NE(overR2, nullptr);
    EXPECT_EQ(overR2->getClassTerm(), nullptr);
    EXPECT_EQ(overR2->getIsaKind(), 0);
    ASSERT_EQ(overR2->getSpecs()->length(), 1);
    const PevoMSpec* selfS = specAt(*overR2, 0);
    ASSERT_NE(selfS, nullptr);
    EXPECT_EQ(selfS->getCode(), 7);
    EXPECT_EQ(selfS->getKind(), 1);
    EXPECT_EQ(selfS->getArgs(), nullptr);
    ASSERT_TRUE(selfS->getMethod()->isA("FunctionTerm"));
    const auto* self = static_cast<const FunctionTerm*>(selfS->getMethod());
    EXPECT_EQ(self->getName(), builtinSymbol::Self);
    EXPECT_EQ(self->startKind(), 1);
    ASSERT_TRUE(onlyResult(*selfS)->isA("FVar"));
    EXPECT_EQ(harness.name(static_cast<const FVar*>(onlyResult(*selfS))->getName()), "S");

    // R2, the child step section, lost its result and has M as host.
    const auto* r2 = dynamic_cast<const PevoReference*>(overR2->getHost());
    ASSERT_NE(r2, nullptr);
    EXPECT_EQ(r2->getMethResult(), nullptr);
    EXPECT_EQ(r2->getCode(), 1);
    EXPECT_EQ(harness.names->giveName(static_cast<FunctionTerm*>(r2->getMethod())->getName()),
              "section");

    // Steps 2 to 4: M over R1 with [lang on axis 6 -> "en"; self ->> V], its filter gone.
    const auto* m = dynamic_cast<const PevoMolecule*>(r2->getHost());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->getFilter(), nullptr);
    ASSERT_EQ(m->getSpecs()->length(), 2);
    const PevoMSpec* lang = specAt(*m, 0);
    ASSERT_NE(lang, nullptr);
    EXPECT_EQ(lang->getCode(), 6);
    EXPECT_EQ(lang->getKind(), 1);  // the parser gives "->" the code 1
    EXPECT_EQ(harness.names->giveName(static_cast<FunctionTerm*>(lang->getMethod())->getName()),
              "lang");
    ASSERT_TRUE(onlyResult(*lang)->isA("FunctionTerm"));
    EXPECT_EQ(
        harness.names->giveName(static_cast<const FunctionTerm*>(onlyResult(*lang))->getName()),
        "\"en\"");
    const PevoMSpec* selfV = specAt(*m, 1);
    ASSERT_NE(selfV, nullptr);
    EXPECT_EQ(selfV->getCode(), 7);
    EXPECT_EQ(selfV->getKind(), 1);
    ASSERT_TRUE(onlyResult(*selfV)->isA("FVar"));
    const auto* v = static_cast<const FVar*>(onlyResult(*selfV));
    EXPECT_EQ(v->getName().getType(), InternalName::DontCare);
    EXPECT_EQ(v->getName().getArity(), 0);
    EXPECT_EQ(v->startKind(), 2);

    // R1: the descendant step chapter over D, without a result now.
    const auto* r1 = dynamic_cast<const PevoReference*>(m->getHost());
    ASSERT_NE(r1, nullptr);
    EXPECT_EQ(r1->getMethResult(), nullptr);
    EXPECT_EQ(r1->getCode(), 2);
    ASSERT_TRUE(r1->getHost()->isA("FVar"));
    EXPECT_EQ(harness.name(static_cast<FVar*>(r1->getHost())->getName()), "D");

    // Step 6: after the written literal, the negated child step title over that same V.
    ASSERT_TRUE(generated->isNegated());
    const auto* title = dynamic_cast<const PevoReference*>(generated->getTerm());
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->getCode(), 1);
    EXPECT_EQ(title->getMethResult(), nullptr);
    ASSERT_TRUE(title->getHost()->isA("FVar"));
    EXPECT_EQ(static_cast<FVar*>(title->getHost())->getName(), v->getName());
}

TEST(XPathRewriter, PrintsTheFreshVariablesAsTheUserSeesThem) {
    RewriteHarness harness;
    harness.rewritten("?- D//chapter[@lang -> \"en\" and not title]/section -> S.");
    OutputChannel channel;
    ChannelCapture printed(channel);
    harness.rule->print(channel, harness.names, nullptr);
    EXPECT_EQ(printed.text(),
              "?- D/descendant::chapter[@lang -> {\"en\"} and self -> {_}]/section[self -> {S}], "
              "not _/title.\n");
}

struct Case {
    const char* pevo;
    const char* rewritten;
};

TEST(XPathRewriter, EdgeCasesAsPrintedClauses) {
    const Case cases[] = {
        // A step with a result becomes the molecule over the step with self under its arrow.
        {"?- X/a -> V.", "?- X/a[self -> {V}]."},
        {"?- X/a *-> V.", "?- X/a[self *-> {V}]."},
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
        {"X/a[b -> 1] :- X/c -> V.", "X/a[b -> {1}] :- X/c[self -> {V}]."},
        // A molecule over a molecule becomes one molecule, the outer specifications first.
        {"?- X[a -> b][c -> d].", "?- X[c -> {d} and a -> {b}]."},
        // One step from self: a specification; without a result a fresh variable and the step's
        // own path kind.
        {"?- X/a[b].", "?- X/a[b -> {_2}]."},
        {"?- X/a isa c[b].", "?- X/a isa c[b -> {_2}]."},
        // The step's own filter moves onto its result.
        {"?- X/a[b[c]].", "?- X/a[b -> {_2[c -> {_3}]}]."},
        // Attribute steps with "*->" or "=>" (the codes 4 and 7) take "@*->>" and "@=>>".
        {"?- X/a[@b *-> 1].", "?- X/a[@b @*-> {1}]."},
        {"?- X/a[b *-> 1].", "?- X/a[b *-> {1}]."},
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
        {"?- X/a[@year > 2000].", "?- X/a[self -> {_2}], _2/@year > 2000."},
        {"?- X/a[not @year > 2000].", "?- X/a[self -> {_2}], not _2/@year > 2000."},
        {"?- X/a[not b[not c] = 1].",
         "?- X/a[self -> {_2}], not nest{nil [_2] ; not _3/c, _2/b[self -> {_3}] = 1}."},
        // Operands of arithmetic and the bodies of aggregates are rewritten in place.
        {"?- Z = X/a -> V + 1.", "?- Z = X/a[self -> {V}] + 1."},
        {"?- N = count{V [X] ; X/a -> V}.", "?- N = count{V [X] ; X/a[self -> {V}]}."},
        // Filters in a head become further head terms.
        {"X/a[b/c] :- p(X).", "X/a[b -> {_2}], _2/c :- p(X)."},
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
    clib_list<FTerm*> results;
    results.append(new FVar(harness.rule->getSymTab()->GetFSymbol("Y", InternalName::Variable, 0)));
    results.append(new FVar(harness.rule->getSymTab()->GetFSymbol("Z", InternalName::Variable, 0)));
    auto* list = new MMethResult(1, &results);
    for (FTerm* result : results) decRef(result);
    step->setMethResult(list);
    decRef(list);

    harness.rewriter->rewriteClause(harness.rule, harness.names);
    // Neither a self specification nor the fresh host variable's binding replaces the list.
    EXPECT_EQ(step->getMethResult(), list);
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
        auto* parser = new PevoParser;
        parser->setInputString(text);
        int ok = 1;
        while (!parser->atEnd())
            if (FRule* rule = parser->parse(harness.names, &ok)) rules->append(rule);
        decRef(parser);
        auto* program = new FProgram(rules, harness.names);  // takes over the list
        for (FRule* rule : *rules) decRef(rule);
        return program;
    };
    ErrorCapture errors;
    Error::setOutputFilter(2);

    FProgram* safe = programOf("p(X) :- X/a[@b -> 1].\nq(X) :- X/a -> Y, p(Y).");
    EXPECT_EQ(harness.rewriter->rewriteProgram(safe, harness.names), harness.rewriter);
    EXPECT_EQ(harness.print(*safe->getRules()->head()), "p(X) :- X/a[@b -> {1}].");
    EXPECT_EQ(errors.text(), "");
    decRef(safe);

    // The head variable Y does not occur in the body.
    FProgram* unsafe = programOf("p(Y) :- X/a[b].");
    EXPECT_EQ(harness.rewriter->rewriteProgram(unsafe, harness.names), nullptr);
    EXPECT_NE(errors.text().find("semantic error appeared"), std::string::npos) << errors.text();
    decRef(unsafe);
}

TEST(XPathRewriter, TheInterpretersKavumDialectRewritesEveryStoredClause) {
    setClauseRewriterFactory(makeXPathRewriter);
    auto* interpreter = new FLogicInterpreter(nullptr, nullptr, nullptr);
    RewriteHarness harness;
    auto store = [&](const std::string& text) {
        FRule* rule = harness.parse(text);
        interpreter->addClause(rule, harness.names);
        return harness.print(*rule);
    };
    interpreter->setDialect("Kavum");
    EXPECT_EQ(store("p(X) :- X/a -> V."), "p(X) :- X/a[self -> {V}].");
    interpreter->setDialect("FLogic");
    EXPECT_EQ(store("q(X) :- X/a -> V."), "q(X) :- X/a -> V.");
    EXPECT_EQ(interpreter->showProgram()->getRules()->length(), 2);
    decRef(interpreter);
    setClauseRewriterFactory(nullptr);
}

}  // namespace

// Tests of the Pevo grammar through a parser over a text: the shapes it builds for XPath-like
// paths, filters and F-Logic steps, its choices between them, the messages of its error
// productions and checks, and how it goes on after a rejected clause.
#include <gtest/gtest.h>

#include <string>

#include "language/GrammarSupport.h"
#include "language/ParserTestSupport.h"
#include "language/PevoParser.h"
#include "language/PevoShape.h"

namespace {

using language_test::ParserHarness;
using language_test::ShapeWriter;

FParser* makePevoParser() {
    return new PevoParser();
}

// The first clause of the text as a shape line, or "null ok=0 | " and the reported messages.
std::string shape(const std::string& text) {
    ParserHarness harness(makePevoParser);
    ErrorCapture errors;
    Error::setOutputFilter(2);
    auto parser = Ref<PevoParser>::make();
    parser->setInputString(text);
    int ok = -1;
    const auto rule = Ref<FRule>::adopt(parser->parse(harness.table(), &ok));
    std::string out = "null";
    if (rule != nullptr) out = ShapeWriter(harness.table(), rule->getSymTab()).clause(*rule);
    if (ok != 1) out += " ok=" + std::to_string(ok);
    std::string reports = reportText(errors);
    if (!reports.empty()) {
        reports.pop_back();
        out += " | " + reports;
    }
    parser.reset();
    return out;
}

struct Case {
    const char* input;
    const char* expected;
};

void expectShapes(const Case* begin, const Case* end) {
    for (const Case* c = begin; c != end; ++c) {
        EXPECT_EQ(shape(c->input), c->expected) << "input: " << c->input;
    }
}

TEST(PevoGrammar, XPathShapes) {
    const Case cases[] = {
        // From the root: a descendant step under dot code 1, then child steps.
        {"?- //book/title -> T.", "?- PRef(PRef(root^0, book/2), title/1) ->1 T"},
        // From a written term; a result applies to the node built so far.
        {"?- X/a -> V.", "?- PRef(X, a/1) ->1 V"},
        {"?- X/a/@b -> \"v\".", "?- PRef(PRef(X, a/1), b/6) ->1 \"v\""},
        {"?- X/a -> (b:c).", "?- PRef(X, a/1) ->1 PRef(b, c/0.0)"},
        {"?- X/a[c] -> V.", "?- PMol(PRef(X, a/1) ->1 V, [PRef(self^1, c/1)])"},
        // Every axis, by name, by "@" and by "//".
        {"?- X/descendant::a/ancestor::b/sibling::c/self::d/child::e/attribute::f.",
         "?- PRef(PRef(PRef(PRef(PRef(PRef(X, a/2), b/4), c/5), d/7), e/1), f/6)"},
        {"?- X/parent::a.", "?- PRef(X, a/3)"},
        {"?- X/@id -> I.", "?- PRef(X, id/6) ->1 I"},
        {"?- X//a//b.", "?- PRef(PRef(X, a/2), b/2)"},
        {"?- X/text().", "?- PRef(X, text()/1)"},
        // A step name followed by ":" and a name is one qualified name.
        {"?- X/a:b/c.", "?- PRef(PRef(X, PRef(a, b/0.0)/1), c/1)"},
        // Function applications: a variable, or a name with a second pair of parentheses.
        {"?- X/m!F() -> R.", "?- PRef(PRef(X, m/1), F/8) ->1 R"},
        {"?- X/m!f()().", "?- PRef(PRef(X, m/1), f()/8)"},
        {"?- //a!F().", "?- PRef(PRef(root^0, a/2), F/8)"},
        // Is-a tests and filters make PevoMolecules.
        {"?- X/a isa c.", "?- PMol(PRef(X, a/1), isa1 c)"},
        {"?- X/a subcl d[c].", "?- PMol(PRef(X, a/1), isa2 d, [PRef(self^1, c/1)])"},
        {"?- X/a[c] isa d.", "?- PMol(PMol(PRef(X, a/1), [PRef(self^1, c/1)]), isa1 d)"},
        {"?- X/a[].", "?- PMol(PRef(X, a/1))"},
        // A term followed by "[" starts an XPath-like path: the brackets hold a filter.
        {"?- o[m -> v].", "?- PMol(o, [PRef(self^1, m/1) ->1 v])"},
        // Paths in comparisons, arithmetic and arguments.
        {"?- X/a + 1 = 2.", "?- =#7((PRef(X, a/1) + 1), 2)"},
        {"?- X = f(Y)/a.", "?- =#7(X, PRef(f(Y), a/1))"},
        {"?- p(//a, X/b).", "?- p#0(PRef(root^0, a/2), PRef(X, b/1))"},
        {"p(X) :- X/a.", "p#0(X) :- PRef(X, a/1)"},
    };
    expectShapes(std::begin(cases), std::end(cases));
}

TEST(PevoGrammar, FilterShapes) {
    const Case cases[] = {
        {"?- X/a[c -> 1].", "?- PMol(PRef(X, a/1), [PRef(self^1, c/1) ->1 1])"},
        // Relative paths start at self, with or without "./".
        {"?- X/a[./b/c -> 1].", "?- PMol(PRef(X, a/1), [PRef(PRef(self^1, b/1), c/1) ->1 1])"},
        {"?- X/a[b/c -> 1].", "?- PMol(PRef(X, a/1), [PRef(PRef(self^1, b/1), c/1) ->1 1])"},
        {"?- X/a[.//b].", "?- PMol(PRef(X, a/1), [PRef(self^1, b/2)])"},
        {"?- X/a[./@b].", "?- PMol(PRef(X, a/1), [PRef(self^1, b/6)])"},
        {"?- X/a[descendant::b].", "?- PMol(PRef(X, a/1), [PRef(self^1, b/2)])"},
        {"?- X/a[!F() -> R].", "?- PMol(PRef(X, a/1), [PRef(self^1, F/8) ->1 R])"},
        {"?- X/a[//b/c].", "?- PMol(PRef(X, a/1), [PRef(PRef(root^0, b/2), c/1)])"},
        // Filter literals are joined by "and" and may be negated.
        {"?- X/a[b and not c].",
         "?- PMol(PRef(X, a/1), [PRef(self^1, b/1) and not PRef(self^1, c/1)])"},
        {"?- X/a[@id = \"x\"].", "?- PMol(PRef(X, a/1), [=#7(PRef(self^1, id/6), \"x\")])"},
        {"?- X/a[count{Y ; p(Y)} > 2].", "?- PMol(PRef(X, a/1), [>#7(count{p#0(Y)}, 2)])"},
        // Inside a filter only the built-ins without lists and without describe are checked.
        {"?- //a[describe(X)].", "?- PMol(PRef(root^0, a/2), [describe#0(PRef(self^1, X/1))])"},
        {"?- X/a[match(\"s\", 1)].", "?- PMol(PRef(X, a/1), [match#0(\"s\", 1)])"},
        {"?- X/a[strlen(b, 2)].", "?- PMol(PRef(X, a/1), [strlen#7(PRef(self^1, b/1), 2)])"},
    };
    expectShapes(std::begin(cases), std::end(cases));
}

TEST(PevoGrammar, FLogicStepsAndTerms) {
    const Case cases[] = {
        {"p(a).", "p#0(a)"},
        {"p.", "p#1"},
        {"?- child.", "?- child#1"},
        // "p()" standing alone is the function term "p()", not a predicate.
        {"?- p().", "?- p()"},
        {"?- X = f().", "?- =#7(X, f())"},
        {"?- self = X.", "?- =#7(self, X)"},
        // The first argument decides whether the list holds F-Logic paths or XPath-like ones.
        {"?- p(X, Y).", "?- p#0(X, Y)"},
        {"?- p(X.m, Y).", "?- p#0(Ref(X, m.0), Y)"},
        // F-Logic steps: "!!" has the dot code of "!", ":" that of ".".
        {"?- X.m.", "?- Mol(Ref(X, m.0))"},
        {"?- X:m.", "?- Mol(Ref(X, m.0))"},
        {"?- X..m.", "?- Mol(Ref(X, m.1))"},
        {"?- X!!m.", "?- Mol(Ref(X, m.3))"},
        {"?- X.a!m.", "?- Mol(Ref(Ref(X, a.0), m.3))"},
        {"?- X.m isa c.", "?- Mol(Ref(X, m.0), isa1 c)"},
        // Lists, strings and arithmetic.
        {"?- X = [a, b | T].", "?- =#7(X, cons(a, cons(b, T)))"},
        {"?- X = [].", "?- =#7(X, nil)"},
        {"?- X = \"n\\n q\\\" b\\\\ x\\y\".", "?- =#7(X, \"n\n q\" b\\ x\\y\")"},
        {"?- X = 1 - 2 - 3.", "?- =#7(X, ((1 - 2) - 3))"},
        {"?- X = 1 + 2 * 3.", "?- =#7(X, (1 + (2 * 3)))"},
        {"?- X = (1 + 2) * 3.", "?- =#7(X, ((1 + 2) * 3))"},
        {"?- X = count{Y [Z] ; p(Y, Z)}.", "?- =#7(X, count{p#0(Y, Z)})"},
    };
    expectShapes(std::begin(cases), std::end(cases));
}

TEST(PevoGrammar, StepsThatDoNotMix) {
    const Case cases[] = {
        // A path at the start of a literal cannot begin with an application.
        {"?- f(Y)/a.",
         "null ok=0 | line 1 parse error near '/' : invalid expression after rule head"},
        {"?- X.m/a.", "null ok=0 | line 1 parse error near '/' : invalid rule body"},
        {"?- X/a.m.",
         "null ok=0 | line 1 parse error near '.' : invalid expression after rule head"},
        {"?- X.m -> V.", "null ok=0 | line 1 parse error near '->' : invalid rule body"},
        // An argument list of F-Logic paths takes no XPath-like one.
        {"?- p(X.m, Y/a).",
         "null ok=0 | line 1 parse error near '/' : incomplete flogic path expression"},
        // An axis is an axis only where a step can begin.
        {"?- child::a.",
         "null ok=0 | line 1 parse error near '::' : invalid expression after rule head"},
    };
    expectShapes(std::begin(cases), std::end(cases));
}

TEST(PevoGrammar, EachErrorMessage) {
    const Case cases[] = {
        {"?- p(,).", "null ok=0 | line 1 parse error near ',' : incomplete flogic path expression"},
        {"?- p(X.m Y).", "null ok=0 | line 1 parse error near 'Y' : comma between paths missing"},
        {"?- p(X.m,).",
         "null ok=0 | line 1 parse error near ')' : flogic path after comma expected"},
        {"?- p(X, Y.m).",
         "null ok=0 | line 1 parse error near '.' : incomplete xpath expression (2)"},
        {"?- p(a b).", "null ok=0 | line 1 parse error near 'b' : comma between xpaths missing"},
        {"?- p(a,).", "null ok=0 | line 1 parse error near ')' : xpath after comma expected"},
        {"?- //a[p(,)].",
         "null ok=0 | line 1 parse error near ',' : incomplete xpath expression in filter"},
        {"?- //a[p(1 =)].",
         "null ok=0 | line 1 parse error near '=' : incomplete xpath expression in filter"},
        {"?- //a[p(1 2)].",
         "null ok=0 | line 1 parse error near '2' : comma between xpaths missing"},
        {"?- //a[p(1,)].", "null ok=0 | line 1 parse error near ')' : xpath after comma expected"},
        {"?- X/a[b, c].",
         "null ok=0 | line 1 parse error near ',' : invalid expression after filter term"},
        {"?- X/a[b c].",
         "null ok=0 | line 1 parse error near 'c' : 'and' between filter terms missing"},
        {"?- X/a[b and].",
         "null ok=0 | line 1 parse error near ']' : filter term after 'and' expected"},
        {"?- X/a[isa c].", "null ok=0 | line 1 parse error near 'isa' : invalid specification"},
        {"?- X.m[a -> b].", "null ok=0 | line 1 parse error near '->' : invalid specification"},
        // The clause, head and body productions and the checks are those of F-Logic.
        {"p(a) q(b).", "null ok=0 | line 1 parse error near 'q' : comma between terms missing"},
        {"?- p, .", "null ok=0 | line 1 parse error near '' : literal after comma expected"},
        {"?- describe(X).",
         "null ok=0 | line 1 parse error near ')' : describe is a builtin predicate and requires "
         "4 arguments"},
        {"?- //a[strcat(a)].",
         "null ok=0 | line 1 parse error near ')' : strcat is a builtin predicate and requires 3 "
         "arguments"},
        {"?- match(a, b, [X], [Y, Z]).",
         "null ok=0 | line 1 parse error near ')' : number of format arguments does not "
         "correspond to number of result arguments"},
        {"?- X = cnt{Y ; p(Y)}.",
         "null ok=0 | line 1 parse error near '}' : cnt is an invalid aggregate operator"},
    };
    expectShapes(std::begin(cases), std::end(cases));
}

// Texts that two readings could take, with the one each gets.
TEST(PevoGrammar, ReadingsOfTextsThatTwoRulesCouldTake) {
    const Case cases[] = {
        // A name, an application and "name()" standing alone; "name()" before ":" is a qualified
        // step name, before any other step the term "name()".
        {"?- a.", "?- a#1"},
        {"?- child.", "?- child#1"},
        {"?- p(a).", "?- p#0(a)"},
        {"?- describe(X.m).\n",
         "null ok=0 | line 1 parse error near '.' : describe is a builtin predicate and requires 4 "
         "arguments"},
        {"?- f().", "?- f()"},
        {"?- f():g.", "?- PRef(f(), g/0.0)"},
        {"p():q :- r.", "PRef(p(), q/0.0) :- r#1"},
        {"?- f().m.", "?- Mol(Ref(f(), m.0))"},
        {"?- f()/a.", "?- PRef(f(), a/1)"},
        {"?- f() = X.", "?- =#7(f(), X)"},
        {"?- f():g = X.",
         "null ok=0 | line 1 parse error near '=' : invalid expression after rule head"},
        // A written term followed by ":" "." ".." "!!" begins an F-Logic path, by anything else an
        // XPath-like one; an application standing first takes no step.
        {"?- a:b.", "?- Mol(Ref(a, b.0))"},
        {"?- a/b.", "?- PRef(a, b/1)"},
        {"?- X.", "?- X"},
        {"?- X:m.", "?- Mol(Ref(X, m.0))"},
        {"?- X!m.\n", "null ok=0 | line 1 parse error near '.' : invalid rule body"},
        {"?- X!f()().", "?- PRef(X, f()/8)"},
        {"?- X isa c.", "?- PMol(X, isa1 c)"},
        {"?- X[m -> v].", "?- PMol(X, [PRef(self^1, m/1) ->1 v])"},
        {"?- X.m isa c.", "?- Mol(Ref(X, m.0), isa1 c)"},
        {"?- p(a)/b.",
         "null ok=0 | line 1 parse error near '/' : invalid expression after rule head"},
        {"?- p(a) = X.",
         "null ok=0 | line 1 parse error near '=' : invalid expression after rule head"},
        // Arguments of a predicate: the first decides the list; "name()" is a step name there.
        {"?- p(X).", "?- p#0(X)"},
        {"?- p(X, Y/a).", "?- p#0(X, PRef(Y, a/1))"},
        {"?- p(a, b:c).",
         "null ok=0 | line 1 parse error near ':' : incomplete xpath expression (2)"},
        {"?- p(f()).", "?- p#0(f())"},
        {"?- p(f():g).", "?- p#0(PRef(f(), g/0.0))"},
        {"?- p(a, f():g).", "?- p#0(a, PRef(f(), g/0.0))"},
        {"?- p(f().m).", "?- p#0(Ref(f(), m.0))"},
        {"?- p((X)).", "?- p#0(X)"},
        {"?- p(a b).", "null ok=0 | line 1 parse error near 'b' : comma between xpaths missing"},
        // Operands: aggregates, F-Logic and XPath-like paths and written terms mix, and "*"
        // binds more tightly than "+" whichever of them stand around it.
        {"?- X = (count{Y ; p(Y)}) + 1.", "?- =#7(X, (count{p#0(Y)} + 1))"},
        {"?- count{Y ; p(Y)} = X.", "?- =#7(count{p#0(Y)}, X)"},
        {"?- X = (o.m) * 2.", "?- =#7(X, (Ref(o, m.0) * 2))"},
        {"?- X = (o).", "?- =#7(X, o)"},
        {"?- (o.m) isa c.", "?- Mol(Ref(o, m.0), isa1 c)"},
        {"?- X = o.m * 2 + 1.", "?- =#7(X, ((Ref(o, m.0) * 2) + 1))"},
        {"?- X = o.m + 2 * 3.", "?- =#7(X, (Ref(o, m.0) + (2 * 3)))"},
        {"?- X = count{Y ; p(Y)} * 2 + 1.", "?- =#7(X, ((count{p#0(Y)} * 2) + 1))"},
        {"?- X = 1 + count{Y ; p(Y)} * 2 - 3.", "?- =#7(X, ((1 + (count{p#0(Y)} * 2)) - 3))"},
        {"?- X = //a * 2 + o.m.", "?- =#7(X, ((PRef(root^0, a/2) * 2) + Ref(o, m.0)))"},
        {"?- X = 2 - o.m - //a.", "?- =#7(X, ((2 - Ref(o, m.0)) - PRef(root^0, a/2)))"},
        {"?- X = (2 + 3 * 4) * 5.", "?- =#7(X, ((2 + (3 * 4)) * 5))"},
        {"?- X = (//a * 2 + o.m) * 3.", "?- =#7(X, (((PRef(root^0, a/2) * 2) + Ref(o, m.0)) * 3))"},
        {"?- X = 2 * (count{Y ; p(Y)} + o.m).", "?- =#7(X, (2 * (count{p#0(Y)} + Ref(o, m.0))))"},
        {"?- (o.m + 1) * 2 = X.", "?- =#7(((Ref(o, m.0) + 1) * 2), X)"},
        {"?- X = ((o.m)) + (count{Y ; p(Y)}).", "?- =#7(X, (Ref(o, m.0) + count{p#0(Y)}))"},
        {"?- //a * 2 + 1 = X.", "?- =#7(((PRef(root^0, a/2) * 2) + 1), X)"},
        {"?- o.m * 2 + 1 = X.", "?- =#7(((Ref(o, m.0) * 2) + 1), X)"},
        {"?- a + o.m * 2 = X.", "?- =#7((a + (Ref(o, m.0) * 2)), X)"},
        // An is-a test takes the filter block after it; "!f()" needs a second "()".
        {"?- X/a isa c [d].", "?- PMol(PRef(X, a/1), isa1 c, [PRef(self^1, d/1)])"},
        {"?- X/m!f() -> R.", "null ok=0 | line 1 parse error near '->' : invalid rule body"},
        {"?- X/m!a:b()() -> R.", "?- PRef(PRef(X, m/1), PRef(a, b()/0.0)/8) ->1 R"},
    };
    expectShapes(std::begin(cases), std::end(cases));
}

TEST(PevoGrammar, TheClauseAfterARejectedOneParses) {
    ParserHarness harness(makePevoParser);
    EXPECT_EQ(harness.transcript("?- X/a[b, c].\n?- X/a[b c d].\n?- //a/b -> X.\n\n?- p(\n"),
              "null ok=0\nnull ok=0\n?- root/descendant::a/b -> X.\nnull ok=0\n"
              "line 1 parse error near ',' : invalid expression after filter term\n"
              "line 2 parse error near 'c' : 'and' between filter terms missing\n"
              "line 2 parse error near 'd' : 'and' between filter terms missing\n"
              "line 6 parse error near '' : incomplete flogic path expression\n");
}

TEST(PevoGrammar, DeepNestingOverflowsTheStackWithAReport) {
    ParserHarness harness(makePevoParser);
    language_test::expectDeepNestingRejected(harness);
}

// Step chains grow the tree without growing the parser's stack: a million steps, or steps with
// filters, are refused with the stack limit's message, and the next clause parses.
TEST(PevoGrammar, StepChainsDeeperThanTheLimitAreRefusedLikeDeepNesting) {
    std::string steps = "X", filters = "X";
    for (int i = 0; i < 1000000; ++i) steps += "/a";
    for (int i = 0; i < 2 * GrammarSupport::maxDepth; ++i) filters += "/a[b]";
    for (const std::string& path : {steps, filters}) {
        ParserHarness harness(makePevoParser);
        const std::string transcript = harness.transcript("?- " + path + " -> V.\np(a).");
        EXPECT_EQ(transcript.substr(0, 16), "null ok=0\np(a).\n") << path.substr(0, 12);
        EXPECT_NE(transcript.find(" : parser stack overflow\n"), std::string::npos)
            << path.substr(0, 12);
    }
}

}  // namespace

// Ground facts read straight into a program's fact list against the same texts read clause by
// clause through the grammar: generated texts of facts of every shape, spread over lines and
// comments and now and then broken, give the same symbols in the same order, the same reports
// and the same program.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/clib_list.h"
#include "language/FProgram.h"
#include "language/FactList.h"
#include "language/ParserTestSupport.h"
#include "support/ChannelCapture.h"

namespace {

using language_test::ParserHarness;

// A text of `count` clauses: mostly ground facts of every shape, some facts that are not
// ground, rules and queries; tokens parted by blanks, line ends and comments; a few clauses
// broken by a dropped or a stray token. The arguments, hosts and results are constants, and
// now and then function terms and lists of them, nested, written token by token so that the
// separators and strays fall among their tokens too.
std::string generatedText(unsigned seed, int count) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto plain = [&]() -> std::string {
        switch (pick(12)) {
            case 0:
                return std::to_string(pick(1000) - 500);
            case 1:
                return "+" + std::to_string(pick(9));
            case 2:
                return pick(2) == 0 ? "2147483647" : "99999999999";
            case 3:
                return "\"s" + std::to_string(pick(5)) + "\"";
            case 4:
                return "\"say \\\"hi\\\"\"";
            case 5:
                return "#" + std::to_string(pick(100)) + ".5";
            case 6:
                return "strlen";
            default:
                return "c" + std::to_string(pick(40));
        }
    };
    // A term's tokens, nested at most `depth` levels more.
    auto term = [&](auto& self, std::vector<std::string>& out, int depth) -> void {
        const int kind = depth > 0 ? pick(10) : 9;
        if (kind == 0 || kind == 1) {
            out.push_back(kind == 0 ? "f" : "g" + std::to_string(pick(3)));
            out.push_back("(");
            const int n = 1 + pick(3);
            for (int k = 0; k < n; ++k) {
                if (k > 0) out.push_back(",");
                self(self, out, depth - 1);
            }
            out.push_back(")");
        } else if (kind == 2) {
            out.push_back("[");
            const int n = pick(4);
            for (int k = 0; k < n; ++k) {
                if (k > 0) out.push_back(",");
                self(self, out, depth - 1);
            }
            if (n > 0 && pick(4) == 0) {
                out.push_back("|");
                self(self, out, depth - 1);
            }
            out.push_back("]");
        } else {
            out.push_back(plain());
        }
    };
    auto constants = [&](std::vector<std::string>& out, int n) {
        for (int k = 0; k < n; ++k) {
            if (k > 0) out.push_back(",");
            term(term, out, pick(3) == 0 ? 3 : 0);
        }
    };
    const char* const separators[] = {
        " ", " ", " ", "", "\n", "\n  ", " % a line comment\n", "/* a comment */", "\n\n", "\t"};
    const char* const strays[] = {"$",   "X",   "f(a)", "[]", "{}",     "*->", "=>",   ".", ",",
                                  ";",   "(",   ")",    "[",  "]",      "->",  "->>",  ":", "@",
                                  "not", "1.5", "|",    "f(", "(f(a))", "g()", "[a|X]"};
    std::string text;
    for (int i = 0; i < count; ++i) {
        std::vector<std::string> tokens;
        switch (pick(10)) {
            case 0: {
                tokens.push_back(pick(4) == 0 ? "strlen" : "p" + std::to_string(pick(3)));
                const int arity = pick(4);
                if (arity > 0 || pick(4) == 0) {
                    tokens.push_back("(");
                    constants(tokens, arity);
                    tokens.push_back(")");
                }
                break;
            }
            case 1:
                tokens = {"q", "(", "X", ")", ":-", "p1", "(", "X", ")"};
                break;
            case 2:
                tokens = {"?-", "X", "[", "m0", "->", "Y", "]"};
                break;
            default: {
                if (pick(3) == 0)
                    term(term, tokens, 3);
                else
                    tokens.push_back("o" + std::to_string(pick(60)));
                const bool isa = pick(3) == 0;
                if (isa) {
                    tokens.push_back(pick(3) == 0 ? "::" : ":");
                    tokens.push_back("k" + std::to_string(pick(4)));
                }
                if (!isa || pick(2) == 0) {
                    tokens.push_back("[");
                    const int values = pick(8) == 0 ? 0 : 1 + pick(3);
                    for (int v = 0; v < values; ++v) {
                        if (v > 0) tokens.push_back(";");
                        tokens.push_back("m" + std::to_string(pick(4)));
                        if (pick(4) == 0) {
                            tokens.push_back("@");
                            tokens.push_back("(");
                            constants(tokens, pick(3));
                            tokens.push_back(")");
                        }
                        if (pick(2) == 0) {
                            tokens.push_back("->");
                            term(term, tokens, 3);
                        } else {
                            tokens.push_back("->>");
                            if (pick(2) == 0) {
                                term(term, tokens, 3);
                            } else {
                                tokens.push_back("{");
                                constants(tokens, pick(4));
                                tokens.push_back("}");
                            }
                        }
                    }
                    tokens.push_back("]");
                }
            }
        }
        if (pick(8) == 0) {
            const std::size_t at = static_cast<std::size_t>(pick(static_cast<int>(tokens.size())));
            if (pick(2) == 0)
                tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(at));
            else
                tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(at),
                              strays[pick(std::size(strays))]);
        }
        for (const std::string& token : tokens) {
            text += token;
            // A name runs on into the next one without a separator; so does a number.
            text += pick(3) == 0 ? separators[pick(std::size(separators))] : " ";
        }
        // A clause end before a blank takes the blank along: the next clause begins right
        // behind it, on the same line.
        text += pick(6) == 0   ? ". % after the clause\n"
                : pick(6) == 0 ? ".\n\n"
                : pick(3) == 0 ? ". "
                               : ".\n";
    }
    return text;
}

// What one reading of a text left: the program's text, every clause's line and origin, the
// symbol table, the reports, and the ok flag of every call.
struct Reading {
    std::string program;
    std::string places;
    std::string symbols;
    std::string reports;
    std::string oks;
};

std::string printedProgram(const FProgram& program, SymTab* names) {
    OutputChannel channel;
    ChannelCapture capture(channel);
    program.print(channel, names, nullptr);
    return capture.text();
}

Reading read(const std::string& text, bool ground) {
    ParserHarness harness;
    ErrorCapture errors;
    auto parser = Ref<FLogicParser>::make();
    parser->setInputString(text);
    auto program = Ref<FProgram>::adopt(new FProgram(new clib_list<FRule*>, harness.table()));
    Reading reading;
    FactList::Ground fact;
    while (!parser->atEnd()) {
        int ok = -1;
        bool groundRead = false;
        const auto rule =
            Ref<FRule>::adopt(ground ? parser->parse(harness.table(), &ok, fact, &groundRead)
                                     : parser->parse(harness.table(), &ok));
        // A call that read a run of facts counts as the calls reading each would.
        for (std::size_t k = groundRead ? fact.facts() : 1; k > 0; --k)
            reading.oks += std::to_string(ok);
        if (groundRead) {
            EXPECT_EQ(rule.get(), nullptr);
            program->appendGround(fact);
        } else if (rule != nullptr) {
            program->appendClause(rule.get());
        }
    }
    parser.reset();
    reading.program = printedProgram(*program, harness.table());
    auto place = [&](const FRule* rule) {
        reading.places += rule->getLabel() + ":" + std::to_string(rule->getLine()) + " ";
    };
    program->forEachClause(
        [&](FRule* rule) {
            place(rule);
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            auto rule = Ref<FRule>::adopt(facts.clause(i));
            place(rule.get());
            rule.reset();
            return true;
        });
    program.reset();
    std::ostringstream symbols;
    harness.table()->print(symbols);
    reading.symbols = symbols.str();
    reading.reports = errors.text();
    return reading;
}

void expectSameReading(const std::string& text) {
    SCOPED_TRACE(text);
    const Reading whole = read(text, false);
    const Reading ground = read(text, true);
    EXPECT_EQ(ground.oks, whole.oks);
    EXPECT_EQ(ground.reports, whole.reports);
    EXPECT_EQ(ground.symbols, whole.symbols);
    EXPECT_EQ(ground.program, whole.program);
    EXPECT_EQ(ground.places, whole.places);
}

}  // namespace

TEST(GroundFactReading, FactsOfEveryShapeReadAsTheGrammarReadsThem) {
    expectSameReading(
        "p(a). p. p(1, -3, +4, \"s\", \"say \\\"hi\\\"\", #2.5). o[m -> v]. o:c. o::c.\n"
        "o[a -> x;\n b ->> {y, z}]. o:c[m@(a, 1) -> v; n ->> w]. 1[m -> 2]. \"s\":c.\n"
        "o[m -> v]./* after */\no[m -> v]. % after\no[m -> 99999999999]. strlen(a).\n"
        "p(). o[]. o:c[]. o[m ->> {}]. o[m *-> v]. o[m@() -> v]. f(a)[m -> v]. o[m -> v].x.\n"
        "o[m -> v$]. o[m -> v n -> w]. o[m ->\n]. ?- o[m -> X]. q(X) :- p(X).\no[m -> v]. "
        "o[m -> v]. o:c. o[n -> v]. o:c. p(o). o[m -> v]\n");
}

TEST(GroundFactReading, FactsOfFunctionTermsAndListsReadAsTheGrammarReadsThem) {
    expectSameReading(
        "p(a, f(b)). p(a, f(b)). p([a, b, c]). p([a | t], []). p([f(x), [1, \"s\", -3], #2.5]).\n"
        "q(g(h(k(1)), \"x\", [y])). o[m -> f(x); n ->> {[a, b], g(1), c}]. f(a)[m -> v].\n"
        "f(a):c. g(1):c[m@(h(2), [z]) -> [w]]. o[k@(f(b)) ->> {f(b), f(c)}]. [a][n -> 2].\n"
        "f(a)::c. o:f(a). o[f(a) -> b]. o[m(a) -> b]. p(f(X)). p(f()). p((f(a))). p([a|X]).\n"
        "p([a, b | [c]]). p(t, cons(a, nil)). p(f(g(h(i(j(k)))))). p(f(a).m). p([a].m).\n"
        "p(f(a) [m -> v]). p(f(99999999999)). p(f(a), [b]) :- q. o[m -> [a, b]]. p(strlen(a)).\n"
        "p(f(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v, w, x, y, z)).\n");
}

TEST(GroundFactReading, GeneratedTextsReadAsTheGrammarReadsThem) {
    for (unsigned seed = 1; seed <= 500; ++seed) {
        expectSameReading(generatedText(seed, 20));
        if (testing::Test::HasFailure()) break;
    }
}

TEST(GroundFactReading, LongListsReadAsTheGrammarReadsThem) {
    // Lists around the depth the compact road takes and beyond it, up to one the grammar
    // refuses as too deep.
    for (int length : {10, 990, 1010, 2500, 3100}) {
        std::string list = "[";
        for (int k = 0; k < length; ++k) list += (k > 0 ? ", e" : "e") + std::to_string(k % 7);
        expectSameReading("p(a, " + list + "]). o[m -> " + list + " | t]]. q(b).\n");
    }
}

TEST(GroundFactReading, FlatFactsOfNamesAndIntegersReadAsTheGrammarReadsThem) {
    // Integers around the 32-bit bound, written with leading zeros too, names among them,
    // built-in and changing predicates, and argument counts around what a fact may hold.
    std::string wide = "w(";
    for (int k = 0; k < 256; ++k) wide += (k > 0 ? ", " : "") + std::to_string(k);
    expectSameReading(
        "r(0, 1, 2147483647). r(2147483648, 1). r(4294967296). r(1, 99999999999).\n"
        "r(00000000002147483647). r(0000000002147483648). r(0000000001, 0). r(a, 7, b).\n"
        "s(a, b). r(1, 2, 3). s(1). strlen(a, 1). strlen(1). r(a, f(1)). r(1, [2]).\n"
        "r(1, 2) :- s(1). r(1 2). r(1,, 2). r(, 1). r(1,). r(1, 2)) . r((1), 2). q(X, 1).\n"
        "not(1, 2). div(1). r(1, 2).m. r(1, 2)[m -> v]. r(1, 2):c. r(1,\n 2). r(a)(1).\n" +
        wide + "). " + wide.substr(0, wide.size() - 5) + ").\n");
}

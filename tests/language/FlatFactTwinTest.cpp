// The flat fact reader against the general roads: random consults, mostly facts of names and
// integers (predicates and set-valued methods) among other clauses, read with facts taken flat, by
// the token reader and by the grammar give the same program, symbols, places and reports.
#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/clib_list.h"
#include "language/FParser.h"
#include "language/FProgram.h"
#include "language/FactList.h"
#include "language/ParserTestSupport.h"
#include "support/ChannelCapture.h"
#include "support/RoadTwin.h"

namespace {

using language_test::ParserHarness;
using road_twin::Dice;
using road_twin::Road;
using FactRoad = FLogicParser::FactRoad;

// What one reading of a text left, one text: each call's ok flag, the program, every clause's
// line and origin, the symbol table and the reports.
// `runs`, when given, counts the facts read behind another in the same call.
std::string reading(const std::string& text, FactRoad road, std::size_t* runs = nullptr) {
    ParserHarness harness;
    ErrorCapture errors;
    auto parser = Ref<FLogicParser>::make();
    parser->useFactRoad(road);
    parser->setInputString(text);
    auto program = Ref<FProgram>::make(new clib_list<FRule*>, harness.table());
    std::string oks;
    FactList::Ground fact;
    while (!parser->atEnd()) {
        int ok = -1;
        bool groundRead = false;
        auto rule = Ref<FRule>::adopt(parser->parse(harness.table(), &ok, fact, &groundRead));
        // A call that read a run of facts counts as the calls reading each would.
        for (std::size_t k = groundRead ? fact.facts() : 1; k > 0; --k) oks += std::to_string(ok);
        if (groundRead) {
            if (runs != nullptr) *runs += fact.facts() - 1;
            program->appendGround(fact);
        } else if (rule) {
            program->appendClause(rule.get());
        }
    }
    parser.reset();
    std::string out = "oks: " + oks + "\n";
    {
        OutputChannel channel;
        ChannelCapture capture(channel);
        program->print(channel, harness.table(), nullptr);
        out += capture.text();
    }
    auto place = [&](const FRule* rule) {
        out += rule->getLabel() + ":" + std::to_string(rule->getLine()) + " ";
    };
    program->forEachClause(
        [&](FRule* rule) {
            place(rule);
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            const auto rule = Ref<FRule>::adopt(facts.clause(i));
            place(rule.get());
            return true;
        });
    program.reset();
    std::ostringstream symbols;
    harness.table()->print(symbols);
    return out + "\n" + symbols.str() + errors.text();
}

// A consult: runs of facts of names and integers (the flat reader's), of one predicate or
// changing, or of integers alone, now and then with a sign, leading zeros, an integer beyond 32
// bits, a built-in predicate, a string, a float, a function term or a list, spread over lines and
// comments; rules, queries and broken clauses among them.
std::string randomConsult(Dice& dice) {
    const std::vector<std::string> predicates = {"p", "q", "edge", "r2", "strlen", "not", "div"};
    auto constant = [&]() -> std::string {
        switch (dice.below(16)) {
            case 0:
                return "-" + std::to_string(dice.below(100));
            case 1:
                return "+" + std::to_string(dice.below(10));
            case 2:
                return dice.oneIn(2) ? "2147483647" : "2147483648";
            case 3:
                return "000" + std::to_string(dice.below(50));
            case 4:
                return "99999999999";
            case 5:
                return "\"s" + std::to_string(dice.below(3)) + "\"";
            case 6:
                return "#" + std::to_string(dice.below(9)) + ".5";
            case 7:
                return "f(" + std::to_string(dice.below(5)) + ")";
            case 8:
                return "[a, " + std::to_string(dice.below(5)) + "]";
            case 9:
            case 10:
            case 11:
                return "n" + std::to_string(dice.below(30));
            default:
                return std::to_string(dice.below(1000));
        }
    };
    const std::vector<std::string> between = {" ", " ", "", "\n", " /* c */ ", " % c\n"};
    std::string text;
    std::string predicate = dice.pick(predicates);
    // A third of the consults are plain facts of integers, one a line, as files of numbers are
    // written.
    const bool numbers = dice.oneIn(3);
    for (int clause = dice.between(5, 40); clause > 0; --clause) {
        if (dice.oneIn(6)) predicate = dice.pick(predicates);
        if (numbers && !dice.oneIn(15)) {
            text += predicate + "(";
            for (int k = dice.between(1, 4); k > 0; --k)
                text += std::to_string(dice.below(100000)) + (k > 1 ? ", " : "");
            text += ").\n";
            continue;
        }
        switch (dice.below(20)) {
            case 0:
                text += "h(X) :- " + predicate + "(X, 1).\n";
                continue;
            case 1:
                text += "?- " + predicate + "(X).\n";
                continue;
            case 2:
                text += predicate + "(1,, 2).\n";
                continue;
            case 3:
                text += predicate + "(1 2).\n";
                continue;
            case 4:
                text += predicate + "(X, 3).\n";
                continue;
            case 5:
                text += "o[m -> " + constant() + "].\n";
                continue;
            default:
                break;
        }
        text += predicate;
        const int arity = dice.oneIn(10) ? 0 : dice.between(1, 5);
        if (arity > 0 || dice.oneIn(3)) {
            text += "(" + dice.pick(between);
            for (int k = 0; k < arity; ++k) {
                if (k > 0) text += "," + dice.pick(between);
                // Mostly plain names and integers.
                text += dice.oneIn(3) ? constant() : std::to_string(dice.below(500));
            }
            text += dice.pick(between) + ")";
        }
        text += dice.oneIn(4) ? ". " : ".\n";
    }
    return text;
}

// A file of numbers: runs of facts over integers written without blanks, one a line or several,
// whose predicate or arity changes now and then, broken by facts the run does not take (a blank
// within, a sign, leading zeros, an integer beyond 32 bits or of eleven digits, a variable, a
// built-in, a missing or glued clause end), rules, queries and comments. `many` makes it long
// enough to span many reads of the input and blocks of facts.
std::string randomNumberFile(Dice& dice, bool many) {
    const std::vector<std::string> predicates = {"p", "p", "p", "q", "pp", "p_1", "strlen", "div"};
    const std::vector<std::string> between = {"\n", "\n",   "\n",  "\n",   " ",
                                              "\t", "\n\n", " \n", "\n   "};
    std::string text;
    std::string predicate = "p";
    int arity = dice.between(1, 4);
    int at = dice.below(1000);
    const int clauses = many ? dice.between(2000, 9000) : dice.between(1, 60);
    for (int clause = 0; clause < clauses; ++clause) {
        if (dice.oneIn(many ? 500 : 12)) predicate = dice.pick(predicates);
        if (dice.oneIn(many ? 700 : 15)) arity = dice.between(1, 4);
        std::string fact = predicate + "(";
        const int broken = dice.oneIn(many ? 300 : 8) ? dice.between(1, 10) : 0;
        for (int k = 0; k < arity; ++k) {
            if (k > 0) fact += broken == 1 && k == 1 ? ", " : ",";
            // Integers of every length up to ten digits, most of them short.
            const int value = dice.oneIn(3)   ? dice.below(100000)
                              : dice.oneIn(5) ? dice.below(std::numeric_limits<int>::max())
                                              : at + k;
            if (broken == 2 && k == 0)
                fact += "-" + std::to_string(value);
            else if (broken == 3 && k == 0)
                fact += "00" + std::to_string(value);
            else if (broken == 4 && k == 0)
                fact += dice.oneIn(2) ? "2147483648" : "2147483647";
            else if (broken == 5 && k == 0)
                fact += "X";
            else if (broken == 6 && k == 0)
                fact += "n" + std::to_string(value % 7);
            else if (broken == 10 && k == 0)
                fact += dice.oneIn(2) ? "12345678901" : "9999999999";
            else
                fact += std::to_string(value);
        }
        at += dice.oneIn(10) ? dice.below(5000) : 1;
        fact += ")";
        if (broken == 7)
            fact += ".x";
        else if (broken == 8)
            fact = "h(X) :- " + fact;
        else if (broken == 9)
            fact = "?- " + fact;
        // Comments end a block; a long file has few of them.
        const bool comment = dice.oneIn(many ? 400 : 10);
        text += fact + (broken == 7 ? "" : ".") +
                (comment ? (dice.oneIn(2) ? " % c\n" : "\n/* c */ ") : dice.pick(between));
    }
    // The last clause end sometimes stands at the very end of the input.
    if (dice.oneIn(3)) text += "p(1,2).";
    return text;
}

// 400 random consults `make` writes from `seed`, read by the flat road and by `other`: the same
// reading each time.
void expectFlatAs(FactRoad other, unsigned seed, std::string (*make)(Dice&)) {
    EXPECT_EQ(road_twin::expectTwins(seed, 400, make,
                                     [other](const std::string& text, Road road) {
                                         return reading(
                                             text, road == Road::Chosen ? FactRoad::Flat : other);
                                     }),
              400);
}

TEST(FlatFactTwin, FilesOfNumbersReadInBlocksAsTheGrammarReadsThem) {
    std::size_t runs = 0;
    EXPECT_EQ(road_twin::expectTwins(
                  9223, 300, [](Dice& dice) { return randomNumberFile(dice, false); },
                  [&](const std::string& text, Road road) {
                      return reading(text,
                                     road == Road::Chosen ? FactRoad::Flat : FactRoad::Grammar,
                                     road == Road::Chosen ? &runs : nullptr);
                  }),
              300);
    // The blocks were read: most facts came behind another in the same call.
    EXPECT_GT(runs, 3000U) << runs;
}

TEST(FlatFactTwin, LongFilesOfNumbersReadInBlocksAsTheTokenReaderReadsThem) {
    std::size_t runs = 0;
    EXPECT_EQ(road_twin::expectTwins(
                  9233, 6, [](Dice& dice) { return randomNumberFile(dice, true); },
                  [&](const std::string& text, Road road) {
                      return reading(text, road == Road::Chosen ? FactRoad::Flat : FactRoad::Tokens,
                                     road == Road::Chosen ? &runs : nullptr);
                  }),
              6);
    EXPECT_GT(runs, 10000U) << runs;
}

TEST(FlatFactTwin, RandomConsultsReadFlatAsTheGrammarReadsThem) {
    expectFlatAs(FactRoad::Grammar, 9203, randomConsult);
}

TEST(FlatFactTwin, RandomConsultsReadFlatAsTheTokenReaderReadsThem) {
    expectFlatAs(FactRoad::Tokens, 9213, randomConsult);
}

// A consult of set-valued facts h[m ->> {v}]: runs of one host, names and integers mostly, now
// and then a constant the one-pass reader leaves to the others (a sign, an integer beyond 32
// bits, a string, a function term, an integer or string method), another arrow, more values or
// arguments, spread over lines and comments; predicate facts, rules and broken clauses among them.
std::string randomSetValueConsult(Dice& dice) {
    auto constant = [&]() -> std::string {
        switch (dice.below(14)) {
            case 0:
                return "-" + std::to_string(dice.below(9));
            case 1:
                return dice.oneIn(2) ? "2147483647" : "2147483648";
            case 2:
                return "00" + std::to_string(dice.below(9));
            case 3:
                return "\"s" + std::to_string(dice.below(3)) + "\"";
            case 4:
                return "f(a" + std::to_string(dice.below(3)) + ")";
            case 5:
            case 6:
                return std::to_string(dice.below(40));
            default:
                return "n" + std::to_string(dice.below(30));
        }
    };
    const std::vector<std::string> methods = {"e", "e", "e", "link", "l2", "7", "\"m\""};
    const std::vector<std::string> between = {"", "", "", " ", "\n", " /* c */ "};
    std::string text;
    std::string host = constant();
    std::string method = "e";
    for (int clause = dice.between(5, 40); clause > 0; --clause) {
        if (dice.oneIn(4)) host = constant();
        if (dice.oneIn(6)) method = dice.pick(methods);
        switch (dice.below(24)) {
            case 0:
                text += "p(" + host + ", " + constant() + ").\n";
                continue;
            case 1:
                text += "X[" + method + " ->> {Y}] :- Y[" + method + " ->> {X}].\n";
                continue;
            case 2:
                text += host + "[" + method + " ->> {" + constant() + "}\n";
                continue;
            case 3:
                text += host + "[" + method + " -> " + constant() + "].\n";
                continue;
            case 4:
                text += host + "[" + method + " ->> {" + constant() + ", " + constant() + "}].\n";
                continue;
            case 5:
                text += host + "[" + method + "@(1) ->> {" + constant() + "}].\n";
                continue;
            case 6:
                text += host + "[" + method + " ->> " + constant() + "].\n";
                continue;
            case 7:
                text += host + " : c[" + method + " ->> {" + constant() + "}].\n";
                continue;
            default:
                break;
        }
        text += host + dice.pick(between) + "[" + dice.pick(between) + method +
                (dice.oneIn(3) ? " ->> " : "->>") + "{" + dice.pick(between) + constant() +
                dice.pick(between) + "}]" + (dice.oneIn(4) ? ". " : ".\n");
    }
    return text;
}

TEST(FlatFactTwin, SetValueFactsReadFlatAsTheGrammarReadsThem) {
    expectFlatAs(FactRoad::Grammar, 9243, randomSetValueConsult);
}

TEST(FlatFactTwin, SetValueFactsReadFlatAsTheTokenReaderReadsThem) {
    expectFlatAs(FactRoad::Tokens, 9253, randomSetValueConsult);
}

TEST(FlatFactTwin, EachRoadReadsWhatItTakes) {
    // A fact of integers, one of names, one with a function term: the flat and the token
    // roads give all three back as ground facts, the grammar none.
    const std::string text = "p(1, 2). q(a, 3). r(f(a)).\n";
    for (const FactRoad road : {FactRoad::Flat, FactRoad::Tokens, FactRoad::Grammar}) {
        ParserHarness harness;
        auto parser = Ref<FLogicParser>::make();
        parser->useFactRoad(road);
        parser->setInputString(text);
        FactList::Ground fact;
        int ground = 0;
        while (!parser->atEnd()) {
            int ok = -1;
            bool read = false;
            Ref<FRule>::adopt(parser->parse(harness.table(), &ok, fact, &read)).reset();
            if (read) ++ground;
        }
        parser.reset();
        EXPECT_EQ(ground, road == FactRoad::Grammar ? 0 : 3);
    }
}

}  // namespace

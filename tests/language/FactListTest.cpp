// Programs that keep their facts compact against the same programs kept whole: the same clauses
// in the same order, the same text, and the same trees once made whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "language/FProgram.h"
#include "language/FactList.h"
#include "language/ParserTestSupport.h"
#include "support/ChannelCapture.h"

namespace {

using language_test::ParserHarness;

// Facts of every shape the parser gives, among rules, queries and facts that are kept whole.
const char* const mixedText = R"(p(a). p(b, c). t.
q(X) :- p(X).
r(1, -3, "s", "say \"hi\"", #12, a). r(1, -3, "s", "say \"hi\"", #12, a). x(2.5).
o1[m -> v1]. o2[n ->> {x, y}]. o1:k. o3[m -> 3]. o4[m@(a) -> v]. o5[m *-> v].
o7[m -> v; n -> w]. o8[m -> "a b"]. o9[s ->> {x}]. o9[s ->> {}]. o9::k. o9:k[m -> v].
o9[m@(a) ->> {x}]. o9[s *->> {x}]. o9[m => c].
p(c), p(d).
w(f(a)). w((a)). w(nil). w([a, b]). w(f(X)). w([a | X]). w(f(a).m).
o10[m -> f(x); n ->> {[a], g(1, [b | c])}]. f(a):k. [a][m@(h(b)) -> c]. f(a)::k. o11:f(a).
o12[f(a) -> b]. f(a)[m -> v]. g([])[m ->> f(b)].
s :- q(a), not p(e).
?- p(X).
1 < 2.
u(a, b, c, d, e, f, g, h, i, j, k, l).
)";

std::string printed(const FProgram& program, SymTab* names) {
    OutputChannel channel;
    ChannelCapture capture(channel);
    program.print(channel, names, nullptr);
    return capture.text();
}

// Both programs built from the same parsed clauses: one appends them whole, one compacts facts.
struct Twins {
    Ref<FProgram> whole;
    Ref<FProgram> compact;
    std::vector<Ref<FRule>> clauses;
};

Twins parseTwins(ParserHarness& harness, FParser* parser) {
    Twins twins{Ref<FProgram>::make(new clib_list<FRule*>, harness.table()),
                Ref<FProgram>::make(new clib_list<FRule*>, harness.table()),
                {}};
    while (!parser->atEnd()) {
        int ok = 0;
        auto rule = Ref<FRule>::adopt(parser->parse(harness.table(), &ok));
        EXPECT_EQ(ok, 1);
        if (!rule) continue;
        twins.whole->append(rule.get());
        twins.compact->appendClause(rule.get());
        twins.clauses.push_back(std::move(rule));
    }
    return twins;
}

void release(Twins& twins) {
    twins.clauses.clear();
    twins.whole.reset();
    twins.compact.reset();
}

// The compact program walks the same clauses in the same order, gives the same text, and made
// whole is deep-equal to the whole one.
void expectTwinsAgree(ParserHarness& harness, Twins& twins) {
    std::vector<std::string> walked;
    twins.compact->forEachClause(
        [&](FRule* rule) {
            walked.push_back(harness.print(rule));
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            auto rule = Ref<FRule>::adopt(facts.clause(i));
            walked.push_back(harness.print(rule.get()));
            rule.reset();
            return true;
        });
    ASSERT_EQ(walked.size(), twins.clauses.size());
    for (std::size_t i = 0; i < walked.size(); ++i)
        EXPECT_EQ(walked[i], harness.print(twins.clauses[i].get()));

    const std::string text = printed(*twins.whole, harness.table());
    EXPECT_EQ(printed(*twins.compact, harness.table()), text);
    auto copy = Ref<FProgram>::adopt(static_cast<FProgram*>(twins.compact->clone()));
    EXPECT_EQ(printed(*copy, harness.table()), text);

    // Made whole: the same clauses, one by one.
    ASSERT_EQ(twins.compact->getRules()->length(), twins.whole->getRules()->length());
    EXPECT_FALSE(twins.compact->hasCompactFacts());
    EXPECT_TRUE(twins.compact->deepEqual(*twins.whole));
    EXPECT_TRUE(copy->deepEqual(*twins.whole));
    EXPECT_EQ(printed(*twins.compact, harness.table()), text);
    std::size_t i = 0;
    for (FRule* rule : *twins.compact->getRules()) {
        EXPECT_EQ(rule->getLine(), twins.clauses[i]->getLine());
        EXPECT_EQ(rule->getLabel(), twins.clauses[i]->getLabel());
        EXPECT_EQ(rule->getFlag(), twins.clauses[i]->getFlag());
        ++i;
    }
}

}  // namespace

TEST(FactList, OnlyOnePredicateOrMoleculeOfGroundTermsIsKept) {
    ParserHarness harness;
    auto parser = Ref<FLogicParser>::make();
    parser->setInputString(mixedText);
    Twins twins = parseTwins(harness, parser.get());
    parser.reset();
    std::vector<std::string> kept;
    for (const Ref<FRule>& rule : twins.clauses)
        if (FactList::holds(*rule)) kept.push_back(harness.print(rule.get()));
    EXPECT_EQ(kept, (std::vector<std::string>{"p(a).",
                                              "p(b,c).",
                                              "t.",
                                              "r(1,-3,\"s\",\"say \\\"hi\\\"\",#12,a).",
                                              "r(1,-3,\"s\",\"say \\\"hi\\\"\",#12,a).",
                                              "o1[m -> v1].",
                                              "o2[n ->> {x, y}].",
                                              "o1:k.",
                                              "o3[m -> 3].",
                                              "o4[m@(a) -> v].",
                                              "o7[m -> v; n -> w].",
                                              "o8[m -> \"a b\"].",
                                              "o9[s ->> {x}].",
                                              "o9::k.",
                                              "o9:k[m -> v].",
                                              "o9[m@(a) ->> {x}].",
                                              "w(f(a)).",
                                              "w(nil).",
                                              "w([a,b]).",
                                              "o10[m -> f(x); n ->> {[a], g(1,[b|c])}].",
                                              "f(a):k.",
                                              "[a][m@(h(b)) -> c].",
                                              "f(a)[m -> v].",
                                              "g(nil)[m ->> {f(b)}].",
                                              "u(a,b,c,d,e,f,g,h,i,j,k,l)."}));
    EXPECT_TRUE(twins.compact->hasCompactFacts());
    release(twins);
}

TEST(FactList, CompactProgramsAgreeWithWholeOnes) {
    ParserHarness harness;
    ErrorCapture errors;
    auto parser = Ref<FLogicParser>::make();
    parser->setInputString(mixedText);
    Twins twins = parseTwins(harness, parser.get());
    parser.reset();
    expectTwinsAgree(harness, twins);
    release(twins);
    EXPECT_EQ(errors.text(), "");
}

TEST(FactList, ExampleProgramsKeptCompactAgreeWithWholeOnes) {
    int files = 0;
    for (const auto& program : language_test::examplePrograms()) {
        ++files;
        SCOPED_TRACE(program.filename().string());
        ParserHarness harness;
        ErrorCapture errors;
        auto parser = Ref<FLogicParser>::make();
        ASSERT_EQ(parser->open(program.string()), 1);
        Twins twins = parseTwins(harness, parser.get());
        parser.reset();
        expectTwinsAgree(harness, twins);
        release(twins);
        EXPECT_EQ(errors.text(), "");
    }
    EXPECT_EQ(files, 6);
}

namespace {

// The facts of the text read as the consult reads them, each ground fact without a parse tree,
// into a new program.
FProgram* readGround(ParserHarness& harness, const std::string& text) {
    auto parser = Ref<FLogicParser>::make();
    parser->setInputString(text);
    auto* program = new FProgram(new clib_list<FRule*>, harness.table());
    FactList::Ground fact;
    while (!parser->atEnd()) {
        int ok = 0;
        bool groundRead = false;
        auto rule = Ref<FRule>::adopt(parser->parse(harness.table(), &ok, fact, &groundRead));
        EXPECT_EQ(ok, 1);
        if (groundRead) program->appendGround(fact);
        if (rule != nullptr) program->appendClause(rule.get());
    }
    parser.reset();
    return program;
}

// The symbols of every fact's arguments (a molecule's host and result), in order.
std::vector<std::vector<FSymbol>> factArguments(const FProgram& program) {
    std::vector<std::vector<FSymbol>> out;
    program.forEachClause([](FRule*) { return true; },
                          [&](const FactList& facts, std::size_t i) {
                              if (facts.isMolecule(i))
                                  out.push_back({facts.host(i), facts.result(i)});
                              else
                                  out.emplace_back(facts.args(i), facts.args(i) + facts.arity(i));
                              return true;
                          });
    return out;
}

const FactList* onlyFactList(const FProgram& program) {
    const FactList* list = nullptr;
    program.forEachClause([](FRule*) { return true; },
                          [&](const FactList& facts, std::size_t) {
                              list = &facts;
                              return false;
                          });
    return list;
}

}  // namespace

TEST(FactList, EachDistinctGroundTermIsStoredOnceWhateverRoadReadIt) {
    // A list shared by a thousand facts, its tail shared with another list, a term shared by
    // a nested one, by a host and a value: ten distinct terms in all.
    std::string text;
    for (int k = 0; k < 1000; ++k) text += "p(a" + std::to_string(k) + ", [a, b, c]).\n";
    text +=
        "q(f(b)). r(g(f(b)), [a, b, c]). o[m -> [b, c]]. f(b)[n -> f(b)]. s([x, a, b, c]).\n"
        "s([a, b]). s(f(c)). s(f(b, b)).\n";
    const std::size_t distinct = 3 + 1 + 1 + 1 + 2 + 1 + 1;
    for (const bool ground : {true, false}) {
        SCOPED_TRACE(ground ? "read as ground facts" : "read as clauses");
        ParserHarness harness;
        ErrorCapture errors;
        Twins twins{};
        Ref<FProgram> program;
        if (ground) {
            program = Ref<FProgram>::adopt(readGround(harness, text));
        } else {
            auto parser = Ref<FLogicParser>::make();
            parser->setInputString(text);
            twins = parseTwins(harness, parser.get());
            parser.reset();
            program = twins.compact.another();
        }
        const FactList* facts = onlyFactList(*program);
        ASSERT_NE(facts, nullptr);
        ASSERT_NE(facts->termTable(), nullptr);
        EXPECT_EQ(facts->termTable()->size(), distinct);
        const auto args = factArguments(*program);
        ASSERT_EQ(args.size(), 1008u);
        // The same term is the same symbol, a term of the table; the symbols of other terms
        // differ.
        for (int k = 1; k < 1000; ++k) EXPECT_EQ(args[k][1], args[0][1]);
        EXPECT_TRUE(GroundTermTable::isTerm(args[0][1]));
        EXPECT_EQ(args[1001][1], args[0][1]);     // r(.., [a, b, c])
        EXPECT_EQ(args[1000][0], args[1003][0]);  // q(f(b)) and the host f(b)
        EXPECT_EQ(args[1003][0], args[1003][1]);  // f(b)[n -> f(b)]
        EXPECT_NE(args[1002][1], args[0][1]);     // [b, c]
        EXPECT_NE(args[1006][0], args[1000][0]);  // f(c)
        // [b, c] is the tail of [a, b, c]; f(b) the argument of g(f(b)).
        const GroundTermTable& table = *facts->termTable();
        EXPECT_EQ(table.args(args[0][1])[1], args[1002][1]);
        EXPECT_EQ(table.args(args[1001][0])[0], args[1000][0]);
        EXPECT_EQ(printed(*program, harness.table()).substr(0, 32),
                  "p(a0,[a,b,c]).\np(a1,[a,b,c]).\np(");
        program.reset();
        if (!ground) {
            expectTwinsAgree(harness, twins);
            release(twins);
        }
        EXPECT_EQ(errors.text(), "");
    }
}

TEST(FactList, FactsWithTermsTakenFromAnotherTableKeepTheirText) {
    // Two programs read apart have tables of their own; facts taken from one into the other
    // bring their terms into the other's table, each once.
    ParserHarness harness;
    auto first = Ref<FProgram>::adopt(readGround(harness, "p(f(a), [x]). p(g([x]), h)."));
    auto second =
        Ref<FProgram>::adopt(readGround(harness, "q([x], g([x])). q(k, f(a)). q(z, [y])."));
    const FactList* into = onlyFactList(*first);
    ASSERT_NE(into, nullptr);
    const GroundTermTable* table = into->termTable();
    ASSERT_EQ(table->size(), 3u);
    second->forEachClause([](FRule*) { return true; },
                          [&](const FactList& facts, std::size_t i) {
                              first->appendFact(facts, i);
                              return true;
                          });
    EXPECT_EQ(printed(*first, harness.table()),
              "p(f(a),[x]).\np(g([x]),h).\nq([x],g([x])).\nq(k,f(a)).\nq(z,[y]).\n");
    EXPECT_EQ(onlyFactList(*first)->termTable(), table);
    EXPECT_EQ(table->size(), 4u);
    // A copy shares the terms.
    auto copy = Ref<FProgram>::adopt(static_cast<FProgram*>(first->clone()));
    EXPECT_EQ(printed(*copy, harness.table()), printed(*first, harness.table()));
    copy.reset();
    first.reset();
}

TEST(FactList, FactsTakenIntoAnotherProgramKeepTheirPlaces) {
    ParserHarness harness;
    auto parser = Ref<FLogicParser>::make();
    parser->setInputString("p(a). q(X) :- p(X). p(b). p(c).");
    Twins twins = parseTwins(harness, parser.get());
    parser.reset();
    auto other = Ref<FProgram>::make(new clib_list<FRule*>, harness.table());
    std::string order;
    twins.compact->forEachClause(
        [&](FRule* rule) {
            other->append(rule);
            order += "R";
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            other->appendFact(facts, i, "label", 0, 1);
            order += "F";
            return order.size() < 3;  // the walk ends where the visitor says so
        });
    EXPECT_EQ(order, "FRF");
    EXPECT_EQ(printed(*other, harness.table()), "p(a).\nq(X) :- p(X).\np(b).\n");
    ASSERT_EQ(other->getRules()->length(), 3);
    EXPECT_EQ(other->getRules()->head()->getLabel(), "label");
    EXPECT_EQ(other->getRules()->head()->getFlag(), 1);
    other.reset();
    release(twins);
}

namespace {

// A program of many facts of every compact form, with line gaps, repeated and changing
// predicates, arities from 0 to 12, and constants whose numbers jump far both ways.
std::string generatedFacts(unsigned seed, int count) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto constant = [&]() -> std::string {
        switch (pick(7)) {
            case 0:
                return std::to_string(static_cast<std::int32_t>(random()));
            case 1:
                return pick(2) == 0 ? "2147483647" : "-2147483648";
            case 2:
                return "\"s" + std::to_string(pick(50)) + "\"";
            case 3:
                return "#" + std::to_string(pick(1000)) + ".5";
            case 4:
                return "a" + std::to_string(pick(3));
            default:
                return "c" + std::to_string(random() % 100000);
        }
    };
    std::string text;
    for (int i = 0; i < count; ++i) {
        text.append(static_cast<std::size_t>(pick(4) == 0 ? pick(40) : 0), '\n');
        switch (pick(8)) {
            case 0:
                text += "o" + std::to_string(i) + "[m" + std::to_string(pick(3)) + " -> " +
                        constant() + "].";
                break;
            case 1:
                text += constant() + "[s ->> {" + constant() + "}].";
                break;
            case 2:
                text += "o" + std::to_string(pick(100)) + (pick(2) == 0 ? ":" : "::") + "k" +
                        std::to_string(pick(3)) + ".";
                break;
            case 3:
                text += "q(X) :- p" + std::to_string(pick(3)) + "(X).";
                break;
            case 4:
            case 5: {
                // A molecule of several parts: a class relation, values with arguments, sets.
                text += "o" + std::to_string(pick(100));
                const int isa = pick(3);
                if (isa != 0) text += (isa == 1 ? ":k" : "::k") + std::to_string(pick(3));
                const int values = isa != 0 && pick(4) == 0 ? 0 : 1 + pick(4);
                for (int v = 0; v < values; ++v) {
                    text += v == 0 ? "[" : "; ";
                    text += "m" + std::to_string(pick(3));
                    const int args = pick(3) == 0 ? 1 + pick(3) : 0;
                    for (int k = 0; k < args; ++k) text += (k == 0 ? "@(" : ", ") + constant();
                    if (args > 0) text += ")";
                    if (pick(2) == 0) {
                        text += " -> " + constant();
                    } else {
                        const int results = 1 + pick(4);
                        for (int k = 0; k < results; ++k)
                            text += (k == 0 ? " ->> {" : ", ") + constant();
                        text += "}";
                    }
                }
                if (values > 0) text += "]";
                text += ".";
                break;
            }
            default: {
                const int arity = pick(4) == 0 ? pick(13) : pick(3);
                text += "p" + std::to_string(pick(3));
                if (arity > 0) {
                    text += "(";
                    for (int k = 0; k < arity; ++k) text += (k > 0 ? ", " : "") + constant();
                    text += ")";
                }
                text += ".";
            }
        }
        text += pick(3) == 0 ? " " : "\n";
    }
    return text;
}

}  // namespace

TEST(FactList, ManyGeneratedFactsReadInAnyOrderAgreeWithTheirClauses) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        ParserHarness harness;
        ErrorCapture errors;
        auto parser = Ref<FLogicParser>::make();
        // The third program's records fill more than one block.
        parser->setInputString(generatedFacts(seed, seed == 3 ? 16000 : 3000));
        Twins twins = parseTwins(harness, parser.get());
        parser.reset();

        // Each fact read alone, in a shuffled order, against its clause read in program order.
        std::vector<std::string> inOrder;
        std::vector<std::pair<const FactList*, std::size_t>> facts;
        twins.compact->forEachClause([](FRule*) { return true; },
                                     [&](const FactList& list, std::size_t i) {
                                         facts.emplace_back(&list, i);
                                         auto rule = Ref<FRule>::adopt(list.clause(i));
                                         inOrder.push_back(harness.print(rule.get()) + " @" +
                                                           std::to_string(rule->getLine()));
                                         rule.reset();
                                         return true;
                                     });
        ASSERT_GT(facts.size(), 2000u);
        std::vector<std::size_t> order(facts.size());
        for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
        std::shuffle(order.begin(), order.end(), std::mt19937(seed));
        for (std::size_t k : order) {
            auto rule = Ref<FRule>::adopt(facts[k].first->clause(facts[k].second));
            EXPECT_EQ(harness.print(rule.get()) + " @" + std::to_string(rule->getLine()),
                      inOrder[k]);
        }

        // Taken over into another program with other origins, lines and flags, every third
        // fact from a new origin.
        auto other = Ref<FProgram>::make(new clib_list<FRule*>, harness.table());
        std::mt19937 random(seed);
        std::vector<std::tuple<std::string, int, int>> places;
        for (const auto& [list, i] : facts) {
            const std::string origin =
                random() % 3 == 0 ? "file" + std::to_string(random() % 5) : "same";
            const int line =
                random() % 2 == 0 ? static_cast<int>(random() % 1000000) : list->line(i) + 1;
            const int flag = static_cast<int>(random() % 32);
            other->appendFact(*list, i, origin, line, flag);
            places.emplace_back(origin, line, flag);
        }
        std::size_t k = 0;
        other->forEachClause([](FRule*) { return true; },
                             [&](const FactList& list, std::size_t i) {
                                 EXPECT_EQ(list.origin(i), std::get<0>(places[k]));
                                 EXPECT_EQ(list.line(i), std::get<1>(places[k]));
                                 EXPECT_EQ(list.flag(i), std::get<2>(places[k]));
                                 auto rule = Ref<FRule>::adopt(list.clause(i));
                                 const std::string text = harness.print(rule.get());
                                 EXPECT_EQ(text + inOrder[k].substr(inOrder[k].rfind(" @")),
                                           inOrder[k]);
                                 rule.reset();
                                 ++k;
                                 return true;
                             });
        EXPECT_EQ(k, facts.size());
        other.reset();

        expectTwinsAgree(harness, twins);
        release(twins);
        EXPECT_EQ(errors.text(), "");
    }
}

TEST(FactList, AMoleculeFactTellsItsPartsAsWritten) {
    ParserHarness harness;
    auto parser = Ref<FLogicParser>::make();
    parser->setInputString("o9:k[m@(a, b) -> v; s ->> {x, y}; m -> w]. o1[m -> v1]. o2::k.");
    Twins twins = parseTwins(harness, parser.get());
    parser.reset();
    std::vector<std::string> parts;
    std::vector<FactList::Atom> atoms;
    SymTab* names = harness.table();
    auto name = [&](const FSymbol& symbol) { return names->giveName(symbol); };
    twins.compact->forEachClause(
        [](FRule*) { return true; },
        [&](const FactList& facts, std::size_t i) {
            facts.atoms(i, atoms);
            for (const FactList::Atom& atom : atoms) {
                std::string text = std::to_string(atom.form) + " " + name(atom.host);
                if (atom.form == FactList::Member || atom.form == FactList::Subclass) {
                    text += " " + name(atom.cls);
                } else {
                    text += " " + name(atom.method) + " (";
                    for (int k = 0; k < atom.argCount; ++k) text += " " + name(atom.args[k]);
                    text += " ) {";
                    for (int k = 0; k < atom.resultCount; ++k) text += " " + name(atom.results[k]);
                    text += " }";
                }
                parts.push_back(text);
            }
            return true;
        });
    EXPECT_EQ(parts,
              (std::vector<std::string>{"3 o9 k", "1 o9 m ( a b ) { v }", "2 o9 s ( ) { x y }",
                                        "1 o9 m ( ) { w }", "1 o1 m ( ) { v1 }", "4 o2 k"}));
    release(twins);
}

namespace {

// A program's walk by rules and the relations its compact facts write, as text: "R" per
// whole clause, the relation where the first fact writing it stands.
std::string writeText(const FactList::Write& write) {
    return std::to_string(write.form) + "/" + std::to_string(write.symbol.getValue()) + "." +
           std::to_string(write.symbol.getType()) + "." + std::to_string(write.symbol.getArity()) +
           "/" + std::to_string(write.number) + "/" + std::to_string(write.host.getValue()) + "." +
           std::to_string(write.host.getType());
}

std::vector<std::string> walkByWrites(const FProgram& program) {
    std::vector<std::string> walked;
    program.forEachRuleAndWrite(
        [&](FRule*) {
            walked.push_back("R");
            return true;
        },
        [&](const FactList::Write& write) {
            walked.push_back(writeText(write));
            return true;
        });
    return walked;
}

// The same walk found by decoding every fact and keeping each relation the first time a fact
// writes it.
std::vector<std::string> walkByDecoding(const FProgram& program) {
    std::vector<std::string> walked;
    std::set<std::string> seen;
    std::vector<FactList::Atom> atoms;
    auto note = [&](const FactList::Write& write) {
        const std::string text = writeText(write);
        if (seen.insert(text).second) walked.push_back(text);
    };
    program.forEachClause(
        [&](FRule*) {
            walked.push_back("R");
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            if (facts.form(i) == FactList::Predicate) {
                note({FactList::Predicate, facts.predicate(i), facts.arity(i), FSymbol(), 0});
                return true;
            }
            facts.atoms(i, atoms);
            for (const FactList::Atom& atom : atoms) {
                if (atom.form == FactList::Member)
                    note({FactList::Member, atom.cls, 0, FSymbol(), 0});
                else if (atom.form == FactList::Subclass)
                    note({FactList::Subclass, atom.cls, 0, atom.host, 0});
                else
                    note({atom.form, atom.method, atom.argCount, FSymbol(), 0});
            }
            return true;
        });
    return walked;
}

}  // namespace

TEST(FactList, TheRelationsFactsWriteAreThoseEachFactDecodedWrites) {
    for (unsigned seed : {0u, 4u, 5u, 6u}) {
        SCOPED_TRACE(seed);
        ParserHarness harness;
        ErrorCapture errors;
        auto parser = Ref<FLogicParser>::make();
        parser->setInputString(seed == 0 ? std::string(mixedText) + "o9::k. o8::k. o9::k2."
                                         : generatedFacts(seed, 4000));
        Twins twins = parseTwins(harness, parser.get());
        parser.reset();
        const std::vector<std::string> expected = walkByDecoding(*twins.compact);
        ASSERT_GT(expected.size(), 10u);
        EXPECT_EQ(walkByWrites(*twins.compact), expected);
        // Each relation counts the facts (a molecule's parts each) that write it.
        const FactList* list = nullptr;
        std::map<std::string, std::size_t> decoded;
        std::vector<FactList::Atom> atoms;
        twins.compact->forEachClause(
            [](FRule*) { return true; },
            [&](const FactList& facts, std::size_t i) {
                list = &facts;
                if (facts.form(i) == FactList::Predicate) {
                    ++decoded[writeText(
                        {FactList::Predicate, facts.predicate(i), facts.arity(i), FSymbol(), 0})];
                    return true;
                }
                facts.atoms(i, atoms);
                for (const FactList::Atom& atom : atoms) {
                    if (atom.form == FactList::Member)
                        ++decoded[writeText({FactList::Member, atom.cls, 0, FSymbol(), 0})];
                    else if (atom.form == FactList::Subclass)
                        ++decoded[writeText({FactList::Subclass, atom.cls, 0, atom.host, 0})];
                    else
                        ++decoded[writeText({atom.form, atom.method, atom.argCount, FSymbol(), 0})];
                }
                return true;
            });
        ASSERT_NE(list, nullptr);
        std::map<std::string, std::size_t> counted;
        for (const FactList::Write& write : list->writes()) {
            counted[writeText(write)] = write.facts;
            if (write.form == FactList::Predicate) {
                EXPECT_EQ(list->factsWriting(write.symbol, write.number), write.facts);
            }
        }
        EXPECT_EQ(counted, decoded);

        // Taken over fact by fact into another program, and copied whole.
        auto other = Ref<FProgram>::make(new clib_list<FRule*>, harness.table());
        twins.compact->forEachClause(
            [&](FRule* rule) {
                other->append(rule);
                return true;
            },
            [&](const FactList& facts, std::size_t i) {
                other->appendFact(facts, i);
                return true;
            });
        EXPECT_EQ(walkByWrites(*other), expected);
        auto copy = Ref<FProgram>::adopt(static_cast<FProgram*>(twins.compact->clone()));
        EXPECT_EQ(walkByWrites(*copy), expected);
        copy.reset();
        other.reset();

        // Made whole, a program's facts write nothing compact.
        twins.compact->getRules();
        for (const std::string& step : walkByWrites(*twins.compact)) EXPECT_EQ(step, "R");
        release(twins);
        EXPECT_EQ(errors.text(), "");
    }
}

TEST(FactList, ACopyAndItsListGoOnAppendingApart) {
    // Facts of two integers, enough to fill many chunks, then a copy: both lists go on
    // appending facts of their own and each reads back exactly what it was given.
    const FSymbol predicate(InternalName(7, InternalName::Predicate, 2));
    auto ground = [&](int i, int salt) {
        FactList::Ground fact;
        fact.symbol = predicate;
        fact.args = {FSymbol(InternalName(i * 7919 + salt, InternalName::Integer, -1)),
                     FSymbol(InternalName(i % 1000 - salt, InternalName::Integer, -1))};
        fact.origin = salt == 0 ? "f" : "g";
        fact.line = i + 1;
        return fact;
    };
    auto expectFacts = [&](const FactList& list, int shared, int salt, int more) {
        ASSERT_EQ(list.size(), std::size_t(shared + more));
        for (int i = 0; i < shared + more; ++i) {
            const FactList::Ground fact = ground(i, i < shared ? 0 : salt);
            const auto at = std::size_t(i);
            ASSERT_EQ(list.predicate(at), predicate) << i;
            EXPECT_EQ(list.args(at)[0], fact.args[0]) << i;
            EXPECT_EQ(list.args(at)[1], fact.args[1]) << i;
            EXPECT_EQ(list.line(at), fact.line) << i;
            EXPECT_EQ(list.origin(at), fact.origin) << i;
        }
    };
    for (const int shared : {0, 1, 40000, 200000}) {
        SCOPED_TRACE(shared);
        FactList list;
        for (int i = 0; i < shared; ++i) ASSERT_TRUE(list.add(ground(i, 0), 0));
        FactList copy(list);
        for (int i = shared; i < shared + 30000; ++i) {
            ASSERT_TRUE(list.add(ground(i, 1), 0));
            ASSERT_TRUE(copy.add(ground(i, 2), 0));
        }
        expectFacts(list, shared, 1, 30000);
        expectFacts(copy, shared, 2, 30000);
        FactList again(copy);
        expectFacts(again, shared, 2, 30000);
    }
}

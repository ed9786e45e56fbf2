// Programs that keep their facts compact against the same programs kept whole: the same clauses
// in the same order, the same text, and the same trees once made whole.
#include <gtest/gtest.h>

#include <string>
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
w(f(a)). w((a)). w(nil). w([a, b]).
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
    FProgram* whole;
    FProgram* compact;
    std::vector<FRule*> clauses;
};

Twins parseTwins(ParserHarness& harness, FParser* parser) {
    Twins twins{new FProgram(new clib_list<FRule*>, harness.table()),
                new FProgram(new clib_list<FRule*>, harness.table()),
                {}};
    while (!parser->atEnd()) {
        int ok = 0;
        FRule* rule = parser->parse(harness.table(), &ok);
        EXPECT_EQ(ok, 1);
        if (rule == nullptr) continue;
        twins.whole->append(rule);
        twins.compact->appendClause(rule);
        twins.clauses.push_back(rule);
    }
    return twins;
}

void release(Twins& twins) {
    for (FRule* rule : twins.clauses) decRef(rule);
    decRef(twins.whole);
    decRef(twins.compact);
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
            FRule* rule = facts.clause(i);
            walked.push_back(harness.print(rule));
            decRef(rule);
            return true;
        });
    ASSERT_EQ(walked.size(), twins.clauses.size());
    for (std::size_t i = 0; i < walked.size(); ++i)
        EXPECT_EQ(walked[i], harness.print(twins.clauses[i]));

    const std::string text = printed(*twins.whole, harness.table());
    EXPECT_EQ(printed(*twins.compact, harness.table()), text);
    FProgram* copy = static_cast<FProgram*>(twins.compact->clone());
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
    decRef(copy);
}

}  // namespace

TEST(FactList, OnlyOnePredicateOrMoleculeOfPlainConstantsIsKept) {
    ParserHarness harness;
    auto* parser = new FLogicParser();
    parser->setInputString(mixedText);
    Twins twins = parseTwins(harness, parser);
    decRef(parser);
    std::vector<std::string> kept;
    for (FRule* rule : twins.clauses)
        if (FactList::holds(*rule)) kept.push_back(harness.print(rule));
    EXPECT_EQ(kept, (std::vector<std::string>{
                        "p(a).", "p(b,c).", "t.", "r(1,-3,\"s\",\"say \\\"hi\\\"\",#12,a).",
                        "r(1,-3,\"s\",\"say \\\"hi\\\"\",#12,a).", "o1[m -> v1].", "o1:k.",
                        "o3[m -> 3].", "o8[m -> \"a b\"].", "o9[s ->> {x}].", "o9::k.", "w(nil).",
                        "u(a,b,c,d,e,f,g,h,i,j,k,l)."}));
    EXPECT_TRUE(twins.compact->hasCompactFacts());
    release(twins);
}

TEST(FactList, CompactProgramsAgreeWithWholeOnes) {
    ParserHarness harness;
    ErrorCapture errors;
    auto* parser = new FLogicParser();
    parser->setInputString(mixedText);
    Twins twins = parseTwins(harness, parser);
    decRef(parser);
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
        auto* parser = new FLogicParser();
        ASSERT_EQ(parser->open(program.string()), 1);
        Twins twins = parseTwins(harness, parser);
        decRef(parser);
        expectTwinsAgree(harness, twins);
        release(twins);
        EXPECT_EQ(errors.text(), "");
    }
    EXPECT_EQ(files, 5);
}

TEST(FactList, FactsTakenIntoAnotherProgramKeepTheirPlaces) {
    ParserHarness harness;
    auto* parser = new FLogicParser();
    parser->setInputString("p(a). q(X) :- p(X). p(b). p(c).");
    Twins twins = parseTwins(harness, parser);
    decRef(parser);
    auto* other = new FProgram(new clib_list<FRule*>, harness.table());
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
    decRef(other);
    release(twins);
}

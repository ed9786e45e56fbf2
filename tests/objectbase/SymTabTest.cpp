// SymTab: the symbol rules and their warnings, fresh names, the built-ins, copies and printing.
#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "SymbolErrorCapture.h"
#include "objectbase/SymTab.h"

namespace {

using Names = std::vector<std::string>;

// A table as its owners make it: constructed, then loaded with the built-ins.
SymTab* makeTable() {
    auto* table = new SymTab();
    table->initBuiltinSymbols();
    return table;
}

class SymTabTest : public SymbolErrorCapture {
  protected:
    void SetUp() override {
        SymbolErrorCapture::SetUp();
        table = Ref<SymTab>::adopt(makeTable());
    }
    void TearDown() override {
        table.reset();
        SymbolErrorCapture::TearDown();
    }
    Ref<SymTab> table;
};

TEST_F(SymTabTest, BuiltinTable) {
    auto empty = Ref<SymTab>::make();
    EXPECT_EQ(empty->nextId(), 1);
    EXPECT_EQ(empty->giveName(FSymbol(1, 1, 0)), "NULL");
    empty.reset();

    struct Row {
        const char* name;
        int kind;
        int arity;
    };
    // The built-ins in the order they are entered, ids 1 to 40.
    const Row rows[] = {
        {"get", 1, 0},      {"url", 1, 0},        {"nil", 1, 0},       {"cons", 1, 2},
        {"parse", 1, 0},    {"parse", 1, 1},      {"parse", 1, 2},     {"parse", 1, 3},
        {"parse", 1, 5},    {"references", 1, 0}, {"ordering", 1, 0},  {"xml", 1, 0},
        {"sgml", 1, 0},     {"prolog", 1, 0},     {"dtd", 1, 0},       {"tag", 1, 0},
        {"node", 1, 0},     {"attribute", 1, 0},  {"string", 1, 0},    {"numeric", 1, 0},
        {"literal", 1, 0},  {"object", 1, 0},     {"\"->\"", 2, 0},    {"\"->>\"", 2, 0},
        {"\"=>\"", 2, 0},   {"\"=>>\"", 2, 0},    {"\"*->\"", 2, 0},   {"\"*->>\"", 2, 0},
        {"\"@->>\"", 2, 0}, {"\"@*->>\"", 2, 0},  {"\"@=>>\"", 2, 0},  {"self", 1, 0},
        {"root", 1, 0},     {"text()", 1, 0},     {"namespace", 1, 0}, {"xlink", 1, 0},
        {"dbxlink", 1, 0},  {"type", 1, 0},       {"href", 1, 0},      {"transparent", 1, 0}};
    EXPECT_EQ(table->nextId(), 41);
    for (int id = 1; id <= 40; ++id) {
        const Row& row = rows[id - 1];
        const SymTabEntry* entry = table->entryOf(id);
        ASSERT_NE(entry, nullptr) << id;
        EXPECT_EQ(entry->getName(), row.name) << id;
        EXPECT_EQ(table->GetFSymbol(row.name, row.kind, row.arity),
                  FSymbol(id, row.kind, row.arity))
            << id;
    }
    EXPECT_EQ(table->giveName(builtinSymbol::Arrow), "\"->\"");
    EXPECT_EQ(table->GetFSymbol("parse", 1, 5), builtinSymbol::Parse5);
    // Entering them a second time changes nothing.
    table->initBuiltinSymbols();
    EXPECT_EQ(table->nextId(), 41);
    EXPECT_TRUE(reported().empty());
}

TEST_F(SymTabTest, NumbersAreEncodedNotEntered) {
    EXPECT_EQ(table->GetFSymbol("42", 3, 0), FSymbol(42, 3, -1));
    EXPECT_EQ(table->GetFSymbol("#2.5", 4, 0), FSymbol(std::bit_cast<std::int32_t>(2.5f), 4, -1));
    // A whole float literal stays a float.
    EXPECT_EQ(table->GetFSymbol("2.0", 4, 0), FSymbol(std::bit_cast<std::int32_t>(2.0f), 4, -1));
    EXPECT_EQ(table->nextId(), 41);
    EXPECT_EQ(table->GetName(FSymbol(42, 3, -1)), "42");
    EXPECT_EQ(table->GetName(table->GetFSymbol("#2.5", 4, 0)), "#2.5");
    // Floats are written so that reading the text back gives the same value.
    const FSymbol tenth = table->GetFSymbol("#0.1", 4, 0);
    EXPECT_EQ(table->GetFSymbol(table->GetName(tenth), 4, 0), tenth);
    // Literals beyond the float range become infinities.
    EXPECT_EQ(table->GetFSymbol("#1e39", 4, 0).asFloat(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(table->GetName(table->GetFSymbol("-1e300", 4, 0)), "#-inf");
    EXPECT_TRUE(reported().empty());
}

TEST_F(SymTabTest, IntegersOutOfRangeAreReportedNotWrapped) {
    EXPECT_EQ(table->GetFSymbol("2147483647", 3, 0).getValue(), 2147483647);
    EXPECT_EQ(table->GetFSymbol("-2147483648", 3, 0).getValue(), -2147483647 - 1);
    EXPECT_TRUE(reported().empty());
    EXPECT_EQ(table->GetFSymbol("2147483648", 3, 0).getValue(), 2147483647);
    EXPECT_EQ(reported(), Names{"E:IntegerOutOfRange"});
    EXPECT_EQ(table->GetFSymbol("-99999999999999999999999", 3, 0).getValue(), -2147483647 - 1);
    EXPECT_EQ(reported(), Names{"E:IntegerOutOfRange"});
    // Like atoi otherwise: leading blanks and sign, the leading digits, 0 without digits.
    EXPECT_EQ(SymTab::readInteger("  +12abc"), 12);
    EXPECT_EQ(SymTab::readInteger("x"), 0);
    EXPECT_TRUE(reported().empty());
}

TEST_F(SymTabTest, ArityRulesAndTheirReports) {
    const FSymbol text = table->GetFSymbol("\"hello\"", 2, 1);
    EXPECT_EQ(text, FSymbol(41, 2, 0));
    EXPECT_EQ(reported(), Names{"W:ArityNotZero"});
    EXPECT_EQ(table->GetFSymbol("X", 5, 3), FSymbol(42, 5, 0));
    EXPECT_EQ(reported(), Names{"W:ArityNotZero"});
    EXPECT_EQ(table->GetFSymbol("7", 3, 1), FSymbol(7, 3, -1));
    EXPECT_EQ(reported(), Names{"W:ArityNotZero"});
    // A negative arity is reported, and the symbol is entered with it all the same.
    EXPECT_EQ(table->GetFSymbol("q", 1, -2), FSymbol(43, 1, -2));
    EXPECT_EQ(reported(), Names{"E:NegativeArity"});
    // Kinds that are no symbol kinds are reported by the symbol they produce.
    EXPECT_EQ(table->GetFSymbol("r", 8, 0), InternalName(44, 8, 0));
    EXPECT_EQ(reported(), Names{"W:NoSymbolType"});
}

TEST_F(SymTabTest, DontCareVariables) {
    const FSymbol first = table->GetFSymbol("_", 5, 0);
    const FSymbol second = table->GetFSymbol("_", 5, 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.getType(), 6);
    EXPECT_EQ(table->giveName(first), "_#41");
    EXPECT_EQ(table->giveName(second), "_#42");
    const FSymbol y = table->GetFSymbol("_Y", 5, 0);
    EXPECT_EQ(y.getType(), 6);
    EXPECT_EQ(table->GetFSymbol("_Y", 5, 0), y);
    EXPECT_TRUE(table->isAnonymous(y));
    EXPECT_FALSE(table->isAnonymous(table->GetFSymbol("Y", 5, 0)));
    EXPECT_TRUE(reported().empty());
}

TEST_F(SymTabTest, FreshNames) {
    const FSymbol x = table->newSymbol(5, 0);
    EXPECT_EQ(x, FSymbol(41, 5, 0));
    EXPECT_EQ(table->giveName(x), "X41");
    const FSymbol q = table->createNewSymbol("q", 0, 2);
    EXPECT_EQ(q, FSymbol(42, 0, 2));
    EXPECT_EQ(table->giveName(q), "q_p2_42");
    EXPECT_EQ(table->giveName(table->createNewSymbol("rule", 1, 1)), "rule_f1_43");
    // A taken candidate is skipped.
    table->GetFSymbol("f0_45", 1, 0);
    EXPECT_EQ(table->giveName(table->newSymbol(1, 0)), "f0_46");
    EXPECT_TRUE(reported().empty());
    const FSymbol wrong = table->createNewSymbol("", 7, 1);
    EXPECT_EQ(reported(), Names{"E:WrongSymbolType"});
    EXPECT_EQ(wrong.getType(), 1);
    EXPECT_EQ(table->giveName(wrong), "f1_46");
}

TEST_F(SymTabTest, NamesOfUnknownIdentifiers) {
    EXPECT_EQ(table->GetName(InternalName(101, 8, 0)), "NULL");
    EXPECT_EQ(reported(), (Names{"W:NoSymbolType", "W:SymbolNotFound"}));
    EXPECT_EQ(table->GetName(FSymbol(77, 1, 0)), "NULL");
    EXPECT_EQ(reported(), Names{"W:SymbolNotFound"});
    // The flag is part of the identity: the symbol "get" has arity 0.
    EXPECT_EQ(table->giveName(FSymbol(1, 1, 1)), "NULL");
    EXPECT_EQ(table->giveName(InternalName(101, 8, 0)), "NULL");
    EXPECT_TRUE(reported().empty());
}

TEST_F(SymTabTest, KeysIncludeKindAndArityAndResetReturnsToTheBuiltins) {
    const FSymbol p = table->GetFSymbol("p", 1, 2);
    EXPECT_EQ(p, FSymbol(41, 1, 2));
    EXPECT_EQ(table->GetFSymbol("p", 1, 2), p);
    EXPECT_EQ(table->GetFSymbol("p", 0, 2), FSymbol(42, 0, 2));
    EXPECT_EQ(table->lookup("p", 0, 3), nullptr);
    EXPECT_EQ(table->entryOf(42), table->lookup("p", 0, 2));
    table->reset();
    EXPECT_EQ(table->nextId(), 41);
    EXPECT_EQ(table->GetFSymbol("get", 1, 0), FSymbol(1, 1, 0));
    EXPECT_EQ(table->lookup("p", 1, 2), nullptr);
    EXPECT_EQ(table->GetFSymbol("p", 0, 2), FSymbol(41, 0, 2));
    EXPECT_TRUE(reported().empty());
}

TEST_F(SymTabTest, CopiesAreIndependent) {
    table->GetFSymbol("a", 1, 0);
    auto copy = Ref<SymTab>::make(*table);
    table.reset();
    table = Ref<SymTab>::adopt(makeTable());
    // The copy outlives its original.
    EXPECT_EQ(copy->giveName(FSymbol(41, 1, 0)), "a");
    EXPECT_EQ(copy->nextId(), 42);
    EXPECT_EQ(copy->GetFSymbol("b", 1, 0), FSymbol(42, 1, 0));
    EXPECT_EQ(table->GetFSymbol("c", 1, 0), FSymbol(41, 1, 0));
    EXPECT_EQ(copy->lookup("c", 1, 0), nullptr);

    // Copying symbols of kinds that are no symbol kinds repeats none of their reports.
    table->GetFSymbol("r", 8, 0);
    EXPECT_EQ(reported(), Names{"W:NoSymbolType"});
    auto second = Ref<SymTab>::make(*table);
    EXPECT_TRUE(reported().empty());
    EXPECT_EQ(second->giveName(InternalName(42, 8, 0)), "r");
    second.reset();

    auto assigned = Ref<SymTab>::make();
    *assigned = *copy;
    *assigned = *assigned;
    EXPECT_EQ(assigned->giveName(FSymbol(42, 1, 0)), "b");
    EXPECT_EQ(assigned->nextId(), 43);
    copy.reset();
    EXPECT_EQ(assigned->giveName(FSymbol(41, 1, 0)), "a");
    assigned.reset();
}

TEST_F(SymTabTest, PrintAndShellIdentity) {
    auto small = Ref<SymTab>::make();
    small->GetFSymbol("p", 0, 2);
    small->GetFSymbol("\"s\"", 2, 0);
    small->GetFSymbol("a", 1, 0);
    std::ostringstream out;
    small->print(out);
    EXPECT_EQ(out.str(), "1 : p pr 2\n3 : a f 0\n2 : \"s\" z 0\nNextEntry : 4\n");
    std::vector<std::string> texts;
    small->forEachSymbol([&](const FSymbol&, const std::string& text) { texts.push_back(text); });
    EXPECT_EQ(texts, (Names{"p", "\"s\"", "a"}));
}

// The table against an ordered map of the same keys, over enough symbols to grow its index
// many times: every key keeps the id it got first, ids name their own text, kind and arity only,
// and a copy answers the same.
TEST_F(SymTabTest, ManyKeysKeepTheirIdsAgainstAnOrderedTwin) {
    std::map<std::tuple<int, int, std::string>, std::int32_t> twin;
    std::mt19937 random{7u};
    for (int step = 0; step < 60000; ++step) {
        // Few texts under several kinds and arities, so that keys differ by kind or arity only;
        // their lengths, 2 to 21 characters, lie on both sides of what an entry holds in itself.
        const std::uint32_t number = random() % 20000u;
        const std::string text = "n" + std::to_string(number) + std::string(number % 17u, 'x');
        const int kind = random() % 3 == 0 ? InternalName::Predicate : InternalName::Function;
        const int arity = int(random() % 3u);
        const FSymbol symbol = table->GetFSymbol(text, kind, arity);
        const auto [at, added] = twin.try_emplace({kind, arity, text}, symbol.getValue());
        ASSERT_EQ(symbol.getValue(), at->second) << text;
        if (added) {
            ASSERT_EQ(symbol.getValue(), table->nextId() - 1);
        }
    }
    auto copy = Ref<SymTab>::make(*table);
    for (const auto& [key, id] : twin) {
        const auto& [kind, arity, text] = key;
        EXPECT_EQ(table->giveName(FSymbol(id, kind, arity)), text);
        // The same id under another arity names nothing.
        EXPECT_EQ(table->giveName(FSymbol(id, kind, arity + 1)), "NULL");
        const SymTabEntry* entry = copy->lookup(text, kind, arity);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry, copy->entryOf(id));
        EXPECT_EQ(copy->GetFSymbol(text, kind, arity), FSymbol(id, kind, arity));
    }
    EXPECT_EQ(copy->lookup("n20001", InternalName::Function, 0), nullptr);
    EXPECT_EQ(copy->nextId(), table->nextId());
}

// Room made ahead for a run of fresh names changes no id and no name: every key entered before
// and during the run is found again, and a name taken ahead of the run is skipped.
TEST_F(SymTabTest, RoomMadeAheadKeepsKeysAndFreshNames) {
    std::vector<std::pair<std::string, FSymbol>> entered;
    for (int i = 0; i < 100; ++i) {
        const std::string text = "before" + std::to_string(i);
        entered.emplace_back(text, table->GetFSymbol(text, InternalName::Function, 0));
    }
    table->reserve(20000);
    const std::int32_t first = table->nextId();
    // A user's name that a fresh name of the run would otherwise take.
    const std::string taken = "f0_" + std::to_string(first + 500);
    entered.emplace_back(taken, table->GetFSymbol(taken, InternalName::Function, 0));
    for (int i = 0; i < 30000; ++i) {
        const FSymbol fresh = table->newSymbol(InternalName::Function, 0);
        const std::string text = table->giveName(fresh);
        ASSERT_NE(text, taken);
        entered.emplace_back(text, fresh);
    }
    table->reserve(10);
    for (const auto& [text, symbol] : entered) {
        EXPECT_EQ(table->GetFSymbol(text, InternalName::Function, 0), symbol) << text;
    }
    EXPECT_EQ(table->lookup("f0_" + std::to_string(table->nextId() + 1), InternalName::Function, 0),
              nullptr);
    EXPECT_TRUE(reported().empty());
}

// Fresh function names mixed with names a user writes, some of the fresh names' own form (of
// numbers already handed out, the next ones, later ones, other arities), over enough symbols to
// grow the index and the ids many times: every key keeps one id, in the table and in a copy, and
// each fresh name is the first "f<arity>_<n>" from the next id on that no entered key holds.
TEST_F(SymTabTest, FreshNamesAndWrittenNamesAgreeWithAnOrderedTwin) {
    // Names far ahead of the fresh ones: never, late, from the start. Once a fresh name steps
    // over one, the fresh names that follow are all one number beyond their ids.
    for (const auto& [seed, aheadFrom] : {std::pair{1u, 1000000}, {2u, 60000}, {3u, 0}}) {
        auto names = Ref<SymTab>::adopt(makeTable());
        std::map<std::tuple<int, int, std::string>, std::int32_t> twin;
        auto enterWritten = [&](const std::string& text, int arity) {
            const FSymbol symbol = names->GetFSymbol(text, InternalName::Function, arity);
            const auto [at, added] =
                twin.try_emplace({InternalName::Function, arity, text}, symbol.getValue());
            ASSERT_EQ(symbol.getValue(), at->second) << text;
            if (added) {
                ASSERT_EQ(symbol.getValue(), names->nextId() - 1) << text;
            }
        };
        for (int i = 1; i <= 40; ++i) {
            const SymTabEntry* entry = names->entryOf(i);
            twin.emplace(
                std::tuple{entry->getKind(), entry->getArity(), std::string(entry->getName())}, i);
        }
        std::mt19937 random{seed};
        for (int step = 0; step < 90000; ++step) {
            const unsigned pick = random() % 100;
            const int arity = random() % 4 == 0 ? int(random() % 10) : 0;
            if (pick < 70) {
                std::int32_t number = names->nextId();
                auto text = [&] {
                    return "f" + std::to_string(arity) + "_" + std::to_string(number);
                };
                while (twin.count({InternalName::Function, arity, text()}) != 0) ++number;
                const std::int32_t id = names->nextId();
                const FSymbol fresh = names->newSymbol(InternalName::Function, arity);
                ASSERT_EQ(fresh, FSymbol(id, InternalName::Function, std::int8_t(arity)));
                ASSERT_EQ(names->giveName(fresh), text()) << step;
                twin.emplace(std::tuple{int(InternalName::Function), arity, text()}, id);
            } else if (pick < 80) {
                enterWritten("w" + std::to_string(random() % 30000), arity);
            } else {
                // A name of the fresh form: of a number handed out, or its own (the next id);
                // now and then of one ahead, which the fresh names step over when they reach it.
                const std::int32_t next = names->nextId();
                std::int32_t number = std::int32_t(random() % std::uint32_t(next)) + 1;
                if (pick == 99 && step >= aheadFrom) number = next + std::int32_t(random() % 500);
                enterWritten("f" + std::to_string(arity) + "_" + std::to_string(number), arity);
            }
            if (step == 45000) names->reserve(50000);
        }
        auto copy = Ref<SymTab>::make(*names);
        for (const auto& [key, id] : twin) {
            const auto& [kind, arity, text] = key;
            const FSymbol symbol(id, std::uint8_t(kind), std::int8_t(arity));
            ASSERT_EQ(names->giveName(symbol), text);
            const SymTabEntry* entry = names->lookup(text, kind, arity);
            ASSERT_NE(entry, nullptr) << text;
            EXPECT_EQ(entry, names->entryOf(id));
            EXPECT_EQ(names->GetFSymbol(text, kind, arity), symbol) << text;
            EXPECT_EQ(copy->GetFSymbol(text, kind, arity), symbol) << text;
            // Another arity is another key.
            if (kind == InternalName::Function && arity < 9 && text[0] == 'f') {
                EXPECT_EQ(names->lookup(text, kind, arity + 1) == nullptr,
                          twin.count({kind, arity + 1, text}) == 0)
                    << text;
            }
        }
        EXPECT_EQ(copy->nextId(), names->nextId());
        const std::string ahead = "f0_" + std::to_string(names->nextId());
        EXPECT_EQ(names->lookup(ahead, InternalName::Function, 0) == nullptr,
                  twin.count({InternalName::Function, 0, ahead}) == 0);
        EXPECT_EQ(names->lookup("f0_0", InternalName::Function, 0), nullptr);
        EXPECT_EQ(names->lookup("f0_01", InternalName::Function, 0), nullptr);
    }
    EXPECT_TRUE(reported().empty());
}

// Texts of every length from none to twenty characters that differ in a single character, at
// its first, middle or last place, are all distinct keys found again: the hash reads a text's
// last characters in pieces that depend on its length, none beyond its end.
TEST_F(SymTabTest, TextsDifferingInOneCharacterAreDistinctKeys) {
    std::map<std::string, std::int32_t> ids;
    for (std::size_t length = 0; length <= 20; ++length) {
        const std::string base(length, 'k');
        std::vector<std::string> texts{base};
        for (std::size_t at : {std::size_t{0}, length / 2, length == 0 ? 0 : length - 1}) {
            if (at >= length) continue;
            std::string changed = base;
            changed[at] = 'q';
            texts.push_back(changed);
        }
        for (const std::string& text : texts) {
            const std::int32_t id = table->GetFSymbol(text, InternalName::Function, 0).getValue();
            const auto [place, added] = ids.try_emplace(text, id);
            EXPECT_EQ(place->second, id) << '"' << text << '"';
            if (added) {
                EXPECT_EQ(id, table->nextId() - 1) << '"' << text << '"';
            }
        }
    }
    for (const auto& [text, id] : ids)
        EXPECT_EQ(table->giveName(FSymbol(id, InternalName::Function, 0)), text);
}

TEST(SymTabEntryOrder, KindThenArityThenName) {
    EXPECT_LT(SymTabEntry("z", 0, 5), SymTabEntry("a", 1, 0));
    EXPECT_LT(SymTabEntry("z", 1, -1), SymTabEntry("a", 1, 0));
    EXPECT_LT(SymTabEntry("a", 1, 0), SymTabEntry("b", 1, 0));
    EXPECT_EQ(compare(SymTabEntry("a", 1, 0), SymTabEntry("a", 1, 0)), 0);
    std::ostringstream out;
    out << SymTabEntry("\"->\"", 2, 0);
    EXPECT_EQ(out.str(), "\"->\" z 0");
}

// Texts short enough to lie in the entry and longer ones keep their characters through copies,
// moves and assignments, and compare by their characters whatever their length.
TEST(SymTabEntryText, ShortAndLongTextsSurviveCopiesAndMoves) {
    const std::vector<std::string> texts{"",
                                         "a",
                                         "twelve chars",
                                         "thirteen char",
                                         std::string("nul\0inside", 10),
                                         std::string(300, 'y')};
    for (const std::string& text : texts) {
        SymTabEntry entry(text, 1, 2);
        EXPECT_EQ(entry.getName(), text);
        SymTabEntry copied(entry);
        EXPECT_EQ(copied.getName(), text);
        EXPECT_EQ(copied, entry);
        SymTabEntry moved(std::move(copied));
        EXPECT_EQ(moved.getName(), text);
        SymTabEntry assigned("something else entirely", 0, 0);
        assigned = moved;
        EXPECT_EQ(assigned.getName(), text);
        assigned = SymTabEntry("short", 0, 0);
        EXPECT_EQ(assigned.getName(), "short");
        assigned = std::move(moved);
        EXPECT_EQ(assigned.getName(), text);
        EXPECT_EQ(assigned.getKind(), 1);
        EXPECT_EQ(assigned.getArity(), 2);
    }
    EXPECT_LT(SymTabEntry("twelve chars", 1, 0), SymTabEntry("twelve charsz", 1, 0));
    EXPECT_LT(SymTabEntry("thirteen char", 1, 0), SymTabEntry("thirteen chas", 1, 0));
}

// Kinds and arities of any 32-bit value are kept exactly, with short and long texts alike, and
// order entries as small ones do.
TEST(SymTabEntryText, AnyKindAndArityIsKeptWithAnyText) {
    const std::vector<std::int32_t> values{0,
                                           1,
                                           -1,
                                           255,
                                           256,
                                           32767,
                                           32768,
                                           -32768,
                                           -32769,
                                           70000,
                                           -70000,
                                           1 << 30,
                                           std::numeric_limits<std::int32_t>::min()};
    std::vector<SymTabEntry> entries;
    for (const char* text : {"f", "thirteen char"})
        for (std::int32_t kind : values)
            for (std::int32_t arity : values) {
                SymTabEntry entry(text, kind, arity);
                EXPECT_EQ(entry.getName(), text);
                EXPECT_EQ(entry.getKind(), kind);
                EXPECT_EQ(entry.getArity(), arity);
                SymTabEntry copied(entry);
                EXPECT_EQ(copied.getKind(), kind);
                EXPECT_EQ(copied.getArity(), arity);
                entries.push_back(std::move(copied));
                EXPECT_EQ(entries.back().getKind(), kind);
                EXPECT_EQ(entries.back().getArity(), arity);
                EXPECT_EQ(entries.back().getName(), text);
            }
    for (const SymTabEntry& a : entries)
        for (const SymTabEntry& b : entries) {
            const int expected =
                a.getKind() != b.getKind() ? (a.getKind() < b.getKind() ? -1 : 1)
                : a.getArity() != b.getArity()
                    ? (a.getArity() < b.getArity() ? -1 : 1)
                    : (a.getName() < b.getName() ? -1 : (a.getName() > b.getName() ? 1 : 0));
            EXPECT_EQ(compare(a, b), expected);
        }
}

// textOfKey answers an entry's text for the kind and arity a symbol of it holds (a byte and a
// signed byte), whether the text lies in the entry or outside it, and nothing for another key.
TEST(SymTabEntryText, TextOfTheKeyASymbolHolds) {
    const std::vector<std::int32_t> kinds{0, 1, 2, 7};
    const std::vector<std::int32_t> arities{0, 1, -1, 127, 128, 200, -129, 256};
    for (const char* text : {"f", "thirteen char"})
        for (std::int32_t kind : kinds)
            for (std::int32_t arity : arities) {
                const SymTabEntry entry(text, kind, arity);
                for (std::int32_t askedKind : kinds)
                    for (std::int32_t askedArity : {0, 1, -1, 127, -128, -56, -127, 72}) {
                        const bool held =
                            askedKind == kind && askedArity == static_cast<std::int8_t>(arity);
                        std::string_view found;
                        EXPECT_EQ(entry.textOfKey(askedKind, askedArity, found), held)
                            << text << ' ' << kind << ' ' << arity;
                        if (held) {
                            EXPECT_EQ(found, text);
                        }
                    }
            }
}

// A table whose keys have kinds and arities beyond the entry's small fields finds each again.
TEST(SymTabLookup, LargeAritiesAreDistinctKeys) {
    auto table = Ref<SymTab>::make();
    table->initBuiltinSymbols();
    const FSymbol small = table->GetFSymbol("p", InternalName::Predicate, 3);
    const FSymbol large = table->GetFSymbol("p", InternalName::Predicate, 65539);
    EXPECT_NE(small.getValue(), large.getValue());
    EXPECT_EQ(table->lookup("p", InternalName::Predicate, 65539)->getArity(), 65539);
    EXPECT_EQ(table->lookup("p", InternalName::Predicate, 3)->getArity(), 3);
    EXPECT_EQ(table->GetFSymbol("p", InternalName::Predicate, 65539).getValue(), large.getValue());
}

}  // namespace

// Entries never move while the table grows: the pointers entryOf and lookup gave out early stay
// the entries of their ids, in a table of one clause's few variables as in one of a large
// document, and in a copy made along the way.
TEST(SymTabGrowth, EntriesStayWhereTheyAreAsTheTableGrows) {
    auto table = Ref<SymTab>::make();
    const FSymbol x = table->GetFSymbol("X", InternalName::Variable, 0);
    const FSymbol y = table->GetFSymbol("Y", InternalName::Variable, 0);
    EXPECT_EQ(x.getValue(), 1);
    EXPECT_EQ(y.getValue(), 2);
    EXPECT_EQ(table->GetFSymbol("X", InternalName::Variable, 0), x);
    std::vector<const SymTabEntry*> early;
    for (std::int32_t id = 1; id < table->nextId(); ++id) early.push_back(table->entryOf(id));
    Ref<SymTab> copy;
    for (int i = 0; i < 100000; ++i) {
        table->GetFSymbol("name" + std::to_string(i), InternalName::Function, i % 3);
        if (i == 1000) copy = Ref<SymTab>::make(*table);
    }
    EXPECT_EQ(table->nextId(), 100003);
    for (std::size_t i = 0; i < early.size(); ++i)
        EXPECT_EQ(table->entryOf(std::int32_t(i) + 1), early[i]);
    EXPECT_EQ(early[0]->getName(), "X");
    EXPECT_EQ(early[1]->getName(), "Y");
    for (int i : {0, 5, 6, 7, 8, 21, 22, 999, 65535, 99999}) {
        const std::string name = "name" + std::to_string(i);
        const SymTabEntry* entry = table->lookup(name, InternalName::Function, i % 3);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(entry, table->entryOf(i + 3));
        EXPECT_EQ(entry->getName(), name);
    }
    ASSERT_NE(copy.get(), nullptr);
    EXPECT_EQ(copy->nextId(), 1004);
    EXPECT_EQ(copy->giveName(FSymbol(1003, InternalName::Function, 1000 % 3)), "name1000");
    EXPECT_EQ(copy->lookup("name1001", InternalName::Function, 1001 % 3), nullptr);
    int visited = 0;
    copy->forEachSymbol([&visited](const FSymbol& symbol, const std::string& text) {
        ++visited;
        if (symbol.getValue() == 2) {
            EXPECT_EQ(text, "Y");
        }
    });
    EXPECT_EQ(visited, 1003);
    copy.reset();
    table->reset();
    EXPECT_EQ(table->lookup("name5", InternalName::Function, 2), nullptr);
}

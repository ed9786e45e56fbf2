// A fresh object made in one step agrees with the symbol table's fresh symbol named through
// getOrCreateName: the same symbols, the same names, the same answers, among written names,
// strings and bindings made ahead of the counters.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/SymTab.h"

namespace {

using namespace objectbase_test;

class FreshObjectTest : public TwoManagersTest {
  protected:
    // A fresh object in both managers: `plain` names the table's fresh symbol, `other` makes it
    // in one step.
    InternalName fresh() {
        InternalName a;
        InternalName b;
        const int made =
            plain->getOrCreateName(plain->giveSymTab()->newSymbol(InternalName::Function, 0), a);
        EXPECT_EQ(other->makeFreshObject(b), made);
        EXPECT_EQ(a, b);
        return a;
    }
    // `count` fresh objects in both managers: `plain` one at a time in two steps, `other` in one
    // call for them all.
    std::vector<InternalName> freshRun(std::size_t count) {
        std::vector<InternalName> made(count);
        for (InternalName& name : made)
            plain->getOrCreateName(plain->giveSymTab()->newSymbol(InternalName::Function, 0), name);
        std::vector<InternalName> run(count);
        other->makeFreshObjects(run.data(), count);
        EXPECT_EQ(run, made);
        return made;
    }
    // The symbol's name in both managers, made when it has none.
    InternalName named(const std::string& text, int kind) {
        InternalName a;
        InternalName b;
        const int made = plain->getOrCreateName(plain->giveSymTab()->GetFSymbol(text, kind, 0), a);
        EXPECT_EQ(other->getOrCreateName(other->giveSymTab()->GetFSymbol(text, kind, 0), b), made);
        EXPECT_EQ(a, b) << text;
        return a;
    }
    void bind(const FSymbol& symbol, const InternalName& name) {
        EXPECT_EQ(plain->registerName(symbol, name), other->registerName(symbol, name));
    }
    // Every name made agrees in its symbol and the symbol's name.
    void expectAlike(const std::vector<InternalName>& names) {
        EXPECT_EQ(plain->giveSymTab()->nextId(), other->giveSymTab()->nextId());
        for (const InternalName& name : names) {
            FSymbol a;
            FSymbol b;
            ASSERT_EQ(plain->giveSymbol(name, a), other->giveSymbol(name, b)) << name;
            EXPECT_EQ(a, b) << name;
            InternalName back;
            InternalName otherBack;
            EXPECT_EQ(plain->giveInternalName(a, back), other->giveInternalName(b, otherBack));
            EXPECT_EQ(back, otherBack) << name;
            std::string text;
            std::string otherText;
            EXPECT_EQ(plain->giveName(name, text), other->giveName(name, otherText));
            EXPECT_EQ(text, otherText) << name;
        }
        EXPECT_EQ(dumped(plain), dumped(other));
    }
};

// Fresh objects one at a time and in runs, over several pages of both maps, broken now and then
// by a written name, a string (whose shape its page must keep apart), a binding of the next fresh
// symbol before it is made, or a binding of the next object number to another symbol.
TEST_F(FreshObjectTest, FreshObjectsAmongOtherNamesAgreeWithTheTwoStepMaking) {
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random{seed};
        std::vector<InternalName> names;
        InternalName last = fresh();
        names.push_back(last);
        for (int step = 0; step < 6000; ++step) {
            const unsigned pick = random() % (seed == 1 ? 1000 : 100);
            if (pick < 6) {
                names.push_back(
                    named("w" + std::to_string(random() % 500), InternalName::Function));
            } else if (pick < 9) {
                names.push_back(
                    named("\"s" + std::to_string(random() % 500) + "\"", InternalName::String));
            } else if (pick == 9) {
                // The fresh symbol that comes next has a name before it is made.
                const FSymbol next(plain->giveSymTab()->nextId(), InternalName::Function, 0);
                bind(next, names[random() % names.size()]);
            } else if (pick == 10) {
                // The object number that comes next, if only fresh objects come between, is some
                // symbol's name before the counter hands it out.
                const InternalName ahead(last.getValue() + 1, InternalName::Object, 0);
                const std::string text = "r" + std::to_string(step);
                const FSymbol symbol =
                    plain->giveSymTab()->GetFSymbol(text, InternalName::Function, 0);
                ASSERT_EQ(other->giveSymTab()->GetFSymbol(text, InternalName::Function, 0), symbol);
                bind(symbol, ahead);
                names.push_back(ahead);
            } else if (pick < 30) {
                // A run, which may reach over pages of the maps and over the bindings made ahead.
                const std::vector<InternalName> run = freshRun(1 + random() % 1500);
                names.insert(names.end(), run.begin(), run.end());
                last = run.back();
            } else {
                last = fresh();
                names.push_back(last);
            }
        }
        expectAlike(names);
        plain->clear();
        other->clear();
        // After a clear the counters start again, and so do the maps' pages.
        std::vector<InternalName> again;
        for (int i = 0; i < 3000; ++i) again.push_back(fresh());
        for (const InternalName& name : freshRun(2500)) again.push_back(name);
        expectAlike(again);
    }
}

}  // namespace

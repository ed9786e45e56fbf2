// Tests of recording equalities (choice of the representative, refusals) and of lexical forms.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "foundation/ErrorHandler.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/SymTab.h"

namespace {

using namespace objectbase_test;

class MainMemOMEqualityTest : public ObjectManagerTest {
  protected:
    InternalName rep(const InternalName& name) {
        InternalName found;
        return om->isPendingEquality(name, found) ? found : name;
    }
    std::string lastMessage() { return centralErrorHandler().getError().getMessage(); }
};

TEST_F(MainMemOMEqualityTest, NumbersAndStringsAreNeverReplaced) {
    EXPECT_EQ(om->equate(obj("3"), obj("4"), 0), 0);
    EXPECT_EQ(lastMessage(),
              "Number 3 is equated to 4. This would lead to an inconsistent OM. \n"
              "Equality is not applied.");
    EXPECT_EQ(centralErrorHandler().getError().getName(), "Invalid Equality");
    EXPECT_EQ(om->equate(obj("\"x\""), obj("\"y\""), 0), 0);
    EXPECT_EQ(lastMessage().rfind("String \"x\" is equated to \"y\".", 0), 0u);
    // A string and a number: the number would survive, so the string is refused, first.
    EXPECT_EQ(om->equate(obj("\"s\""), obj("7"), 0), 0);
    EXPECT_EQ(lastMessage().rfind("String \"s\" is equated to 7.", 0), 0u);
    EXPECT_EQ(om->pendingEqualityCount(), 0);

    // An object equated with a number: the number is the representative.
    InternalName o = obj("o"), seven = obj("7");
    EXPECT_EQ(om->equate(o, seven, 0), 1);
    EXPECT_EQ(rep(o), seven);
    // Force decides only between names that are neither: a forced equality keeps the number.
    InternalName p = obj("p");
    EXPECT_EQ(om->equate(seven, p, 1), 1);
    EXPECT_EQ(rep(p), seven);
}

// How the pending map stays flat under many equalities is checked against a model below.
TEST_F(MainMemOMEqualityTest, NothingNewIsNotRecordedAndForceMakesTheSecondSurvive) {
    InternalName o1 = obj("o1"), o2 = obj("o2"), o3 = obj("o3");
    EXPECT_EQ(om->equate(o1, o1, 0), 0);
    EXPECT_EQ(om->equate(o1, om->giveSymTab()->GetFSymbol("f", 1, 0), 0), 0);
    EXPECT_EQ(om->pendingEqualityCount(), 0);
    EXPECT_EQ(om->equate(o2, o1, 0), 1);
    EXPECT_EQ(om->equate(o1, o2, 0), 0);
    EXPECT_EQ(om->equate(o1, o3, 1), 1);
    for (const InternalName& name : {o1, o2}) EXPECT_EQ(rep(name), o3);
}

TEST_F(MainMemOMEqualityTest, RepresentativeRanking) {
    InternalName named = obj("named"), a = obj("a");
    InternalName term, shortPath, longPath;
    om->getFunctionObject(om->giveSymTab()->GetFSymbol("f", 1, 1), &a, 1, term);
    om->getOrCreateScalarValue(a, a, nullptr, 0, 0, shortPath);
    om->getOrCreateScalarValue(shortPath, a, nullptr, 0, 0, longPath);

    // A symbol-named object beats a function-term object, which beats a path object; of two
    // path objects the one with the shorter chain of path hosts survives.
    EXPECT_EQ(om->equate(term, named, 0), 1);
    EXPECT_EQ(rep(term), named);
    EXPECT_EQ(om->equate(longPath, shortPath, 0), 1);
    EXPECT_EQ(rep(longPath), shortPath);
    EXPECT_EQ(om->equate(shortPath, term, 0), 1);
    EXPECT_EQ(rep(shortPath), named);
    EXPECT_EQ(rep(longPath), named);
}

TEST_F(MainMemOMEqualityTest, FunctionTermsRankByArgumentCountThenAge) {
    SymTab* symbols = om->giveSymTab();
    InternalName a = obj("a"), b = obj("b");
    InternalName ab[] = {a, b};
    InternalName fa, fb, gab, path;
    om->getFunctionObject(symbols->GetFSymbol("f", 1, 1), &a, 1, fa);
    om->getFunctionObject(symbols->GetFSymbol("f", 1, 1), &b, 1, fb);
    om->getFunctionObject(symbols->GetFSymbol("g", 1, 2), ab, 2, gab);
    // Fewer arguments survive, in either order of the call.
    EXPECT_EQ(om->equate(gab, fb, 0), 1);
    EXPECT_EQ(rep(gab), fb);
    // Of two terms with as many arguments, the older (smaller) one survives.
    EXPECT_EQ(om->equate(fb, fa, 0), 1);
    EXPECT_EQ(rep(fb), fa);
    EXPECT_EQ(rep(gab), fa);
    // A function term beats an object made for a scalar path.
    om->getOrCreateScalarValue(b, a, nullptr, 0, 0, path);
    EXPECT_EQ(om->equate(fa, path, 0), 1);
    EXPECT_EQ(rep(path), fa);
}

TEST_F(MainMemOMEqualityTest, PathObjectsWithEqualChainsKeepTheOlder) {
    InternalName a = obj("a"), b = obj("b"), m = obj("m");
    InternalName am, bm;
    om->getOrCreateScalarValue(a, m, nullptr, 0, 0, am);
    om->getOrCreateScalarValue(b, m, nullptr, 0, 0, bm);
    ASSERT_LT(am.getValue(), bm.getValue());
    EXPECT_EQ(om->equate(bm, am, 0), 1);
    EXPECT_EQ(rep(bm), am);
}

// Random equalities among plain objects agree with a union-find model: names of one class share
// one representative (the smallest), and the pending map never holds a chain.
TEST_F(MainMemOMEqualityTest, PendingMapAgreesWithAModel) {
    constexpr int Count = 300;
    std::vector<InternalName> names;
    for (int i = 0; i < Count; ++i) {
        std::string text = std::to_string(i);
        text.insert(text.begin(), 'n');
        names.push_back(obj(text));
    }
    std::vector<int> parent(Count);
    for (int i = 0; i < Count; ++i) parent[i] = i;
    std::function<int(int)> root = [&](int i) { return parent[i] == i ? i : root(parent[i]); };
    std::mt19937 rng(5);
    for (int step = 0; step < 400; ++step) {
        int x = rng() % Count, y = rng() % Count;
        om->equate(names[x], names[y], 0);
        int rx = root(x), ry = root(y);
        parent[std::max(rx, ry)] = std::min(rx, ry);
        for (int i = 0; i < Count; ++i) {
            InternalName r = rep(names[i]);
            ASSERT_EQ(r, names[root(i)]) << step << " " << i;
            InternalName further;
            ASSERT_FALSE(om->isPendingEquality(r, further));
        }
    }
}

TEST_F(MainMemOMEqualityTest, LexicalForms) {
    EXPECT_EQ(lex(obj("42")), "42");
    EXPECT_EQ(lex(obj("#2.5")), "#2.5");
    EXPECT_EQ(lex(obj("#1234567.9")), "#1234567.9");  // more digits than a plain stream writes
    EXPECT_EQ(lex(builtinObject::Nil), "[]");
    EXPECT_EQ(lex(builtinObject::Nil, 0, 2), "]");
    EXPECT_EQ(lex(obj("b"), 0, 2), "|b]");
    EXPECT_EQ(lex(obj("7"), 0, 2), "|7]");
    EXPECT_EQ(lex(builtinObject::SetArrow, 1), "\"->>\"");

    InternalName tricky = obj("\"a\tb\"c\"");
    EXPECT_EQ(lex(tricky), "\"a\tb\"c\"");
    EXPECT_EQ(lex(tricky, 1), "\"a\\tb\\\"c\"");

    InternalName setName(3, InternalName::SetName, 1);
    std::string out = "x";
    EXPECT_EQ(om->giveLexicalForm(setName, out), 0);
    EXPECT_EQ(out, "x");
    EXPECT_EQ(lex(InternalName(5, InternalName::Object, -2)), "");
    EXPECT_EQ(lex(om->giveSymTab()->GetFSymbol("p", 0, 2)), "p");
}

TEST_F(MainMemOMEqualityTest, MadeObjectsThatContainThemselvesStillPrint) {
    SymTab* symbols = om->giveSymTab();
    FSymbol f = symbols->GetFSymbol("f", 1, 1), g = symbols->GetFSymbol("g", 1, 1),
            h = symbols->GetFSymbol("h", 1, 1);
    InternalName b = obj("b"), c = obj("c");
    InternalName fc, gb, hgb;
    om->getFunctionObject(f, &c, 1, fc);  // f's frame is older than g's
    om->getFunctionObject(g, &b, 1, gb);
    InternalName fFrame;
    ASSERT_EQ(om->giveInternalName(f, fFrame), 1);
    MainMemParamFrame* fRows = om->getParamFrame(fFrame);

    // The row applying g(b) = f(g(b)) leaves behind does not define g(b).
    fRows->insertResult(&gb, 1, gb);
    om->addRelation(fFrame, gb);
    EXPECT_EQ(lex(gb), "g(b)");

    // A cycle through two terms ends at the repeated object instead of recursing forever.
    om->getFunctionObject(h, &gb, 1, hgb);
    fRows->insertResult(&hgb, 1, gb);
    EXPECT_EQ(lex(gb), "f(h())");
    EXPECT_EQ(lex(fc), "f(c)");
}

TEST_F(MainMemOMEqualityTest, ShowEquivAndLookupOfUnknownNames) {
    testing::internal::CaptureStdout();
    om->showEquiv();
    InternalName out = InternalName::UndefinedObject;
    EXPECT_EQ(om->lookupName("stranger", out, -1), 0);
    EXPECT_EQ(out, InternalName::UndefinedObject);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "MainMemOM::showEquiv not implemented yet"
              "if we come here, something bad happened in MainMemOM.cc\n");
}

}  // namespace

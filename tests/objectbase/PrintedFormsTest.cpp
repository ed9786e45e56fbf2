// The printed forms of names: symbols, numbers, function terms, lists and path objects as a walk
// writes them, and the same forms made once while they are kept, over random nested terms.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/PrintedForms.h"
#include "objectbase/SymTab.h"

namespace {

using namespace objectbase_test;

class PrintedFormsTest : public ObjectManagerTest {
  protected:
    InternalName term(const FSymbol& function, std::vector<InternalName> args) {
        InternalName out;
        om->getFunctionObject(function, args.data(), int(args.size()), out);
        return out;
    }
    InternalName cons(const InternalName& head, const InternalName& tail) {
        return term(builtinSymbol::Cons, {head, tail});
    }
    InternalName path(const InternalName& host, const std::string& method) {
        InternalName value;
        om->getOrCreateScalarValue(host, obj(method), nullptr, 0, 0, value);
        return value;
    }
    static std::string written(PrintedForms& forms, const InternalName& name, int quote = 1,
                               int style = 0) {
        std::string out;
        forms.write(name, out, quote, style);
        return out;
    }
};

TEST_F(PrintedFormsTest, NamesNumbersAndStrings) {
    PrintedForms forms(*om);
    EXPECT_EQ(written(forms, obj("alpha")), "alpha");
    EXPECT_EQ(written(forms, num(42)), "42");
    EXPECT_EQ(written(forms, builtinObject::Nil), "[]");
    InternalName text;
    om->internName(text, "two words", InternalName::String);
    EXPECT_EQ(written(forms, text, 0), "two words");
    EXPECT_EQ(written(forms, text, 1), "\"two words\"");
    // Set names have no printed form.
    std::string out;
    EXPECT_EQ(forms.write(setName(5), out, 1, 0), 0);
    EXPECT_EQ(out, "");
}

TEST_F(PrintedFormsTest, FunctionTermsListsAndPaths) {
    PrintedForms forms(*om);
    const FSymbol f = function("f", 2);
    const InternalName a = obj("a");
    const InternalName b = obj("b");
    EXPECT_EQ(written(forms, term(f, {a, b})), "f(a,b)");
    EXPECT_EQ(written(forms, term(f, {term(f, {a, a}), b})), "f(f(a,a),b)");
    EXPECT_EQ(written(forms, cons(a, cons(b, builtinObject::Nil))), "[a,b]");
    EXPECT_EQ(written(forms, cons(a, b)), "[a|b]");
    EXPECT_EQ(written(forms, cons(a, term(f, {a, b}))), "[a|f(a,b)]");
    const InternalName p = path(a, "m");
    EXPECT_EQ(written(forms, p), "a.m");
    EXPECT_EQ(written(forms, p, 1, 1), "(a.m)");
    EXPECT_EQ(written(forms, path(p, "n")), "a.m.n");
}

TEST_F(PrintedFormsTest, MethodTextsCarryTheAtOfTheirTypes) {
    PrintedForms forms(*om);
    std::string scratch;
    const InternalName m = obj("m");
    for (bool kept : {false, true}) {
        forms.keep(kept);
        for (int type = 0; type <= 8; ++type) {
            const bool at = type == 2 || type == 5 || type == 8;
            EXPECT_EQ(forms.methodText(m, type, scratch), at ? "@m" : "m") << type << kept;
        }
    }
    forms.keep(false);
    EXPECT_FALSE(forms.keeping());
}

TEST_F(PrintedFormsTest, ALongListIsWrittenWithoutDeepCalls) {
    InternalName list = builtinObject::Nil;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        list = cons(num(i % 10), list);
        expected = (i == 0 ? "" : ",") + expected;
        expected = std::to_string(i % 10) + expected;
    }
    expected = "[" + expected + "]";
    PrintedForms walked(*om);
    PrintedForms kept(*om);
    kept.keep(true);
    EXPECT_EQ(written(walked, list), expected);
    EXPECT_EQ(written(kept, list), expected);
    kept.keep(false);
}

// Random terms, lists and paths nested in each other, every one written by a walk and again
// while forms are kept (twice, the second time from what was kept), in every style.
TEST_F(PrintedFormsTest, KeptFormsAreTheWalkedOnes) {
    std::mt19937 random(7);
    const FSymbol functions[] = {function("f", 1), function("g", 2), function("h", 3)};
    std::vector<InternalName> names;
    for (int i = 0; i < 8; ++i) names.push_back(obj("o" + std::to_string(i)));
    for (int i = 0; i < 4; ++i) names.push_back(num(i));
    names.push_back(builtinObject::Nil);
    for (int step = 0; step < 600; ++step) {
        auto any = [&] { return names[random() % names.size()]; };
        switch (random() % 4) {
            case 0: {
                const FSymbol& fn = functions[random() % 3];
                std::vector<InternalName> args;
                for (int i = 0; i < fn.getArity(); ++i) args.push_back(any());
                names.push_back(term(fn, args));
                break;
            }
            case 1:
            case 2:
                names.push_back(cons(any(), any()));
                break;
            default:
                names.push_back(path(any(), "p" + std::to_string(random() % 3)));
        }
    }
    PrintedForms walked(*om);
    PrintedForms kept(*om);
    kept.keep(true);
    for (int round = 0; round < 2; ++round)
        for (const InternalName& name : names)
            for (int style = 0; style <= 2; ++style)
                for (int quote = 0; quote <= 1; ++quote)
                    ASSERT_EQ(written(kept, name, quote, style),
                              written(walked, name, quote, style))
                        << round << " " << style << " " << quote;
    kept.keep(false);
}

}  // namespace

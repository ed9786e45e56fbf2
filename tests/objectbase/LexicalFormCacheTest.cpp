// Tests of the printed forms kept while a save writes: the same text, and the same answer, as
// the forms made afresh, for shared list tails, paths, cycles and equalities between saves; and
// of the forms of terms asked after a farewell stopped the index they are found through.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objectbase/FSymbol.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"

namespace {

using namespace objectbase_test;

class LexicalFormCacheTest : public ObjectManagerTest {
  protected:
    struct Form {
        std::string text;
        int result = 0;
        bool operator==(const Form&) const = default;
    };
    // Every form of the names in every style and quoting, in the order given.
    std::vector<Form> forms(const std::vector<InternalName>& names, bool reversed = false) {
        std::vector<Form> made(names.size() * 6);
        for (std::size_t k = 0; k < names.size(); ++k) {
            const std::size_t i = reversed ? names.size() - 1 - k : k;
            for (int quote = 0; quote <= 1; ++quote) {
                for (int style = 0; style <= 2; ++style) {
                    Form& form = made[i * 6 + std::size_t(quote * 3 + style)];
                    form.text = "<";  // what the caller had is kept
                    form.result = om->giveLexicalForm(names[i], form.text, quote, style);
                }
            }
        }
        return made;
    }
    // The forms made afresh, then kept, asked forwards and backwards (the first question of a
    // name makes its form, the next ones find it), each order in a keeping of its own.
    void expectKeptFormsAgree(const std::vector<InternalName>& names) {
        const std::vector<Form> fresh = forms(names);
        for (bool reversed : {false, true}) {
            om->keepForms(true);
            EXPECT_EQ(forms(names, reversed), fresh) << (reversed ? "backwards" : "forwards");
            EXPECT_EQ(forms(names, !reversed), fresh) << "asked again";
            om->keepForms(false);
        }
        EXPECT_EQ(forms(names), fresh) << "after the keeping";
    }
    InternalName term(const FSymbol& function, std::vector<InternalName> args) {
        InternalName made;
        EXPECT_EQ(om->getFunctionObject(function, args.data(), int(args.size()), made), 1);
        return made;
    }
    InternalName cons(const InternalName& head, const InternalName& tail) {
        return term(builtinSymbol::Cons, {head, tail});
    }
    // The prefix lists of a list of `length` elements, as a rule builds them: each the head
    // before the one before it, all sharing their tails.
    std::vector<InternalName> prefixLists(const InternalName& head, int length) {
        std::vector<InternalName> lists{builtinObject::Nil};
        for (int i = 0; i < length; ++i) lists.push_back(cons(head, lists.back()));
        return lists;
    }
};

TEST_F(LexicalFormCacheTest, ConstantsTermsListsAndPaths) {
    const InternalName a = obj("a"), b = obj("b"), text = obj("\"a\tb\"c\""), m = obj("m");
    const FSymbol f = function("f", 2), g = function("g", 1);
    InternalName path, pathWithArguments, setPath;
    ASSERT_EQ(om->getOrCreateScalarValue(a, m, nullptr, 0, 0, path), 1);
    ASSERT_EQ(om->getOrCreateScalarValue(path, m, &b, 1, 0, pathWithArguments), 1);
    ASSERT_EQ(om->getOrCreateScalarValue(b, a, nullptr, 0, 3, setPath), 1);
    const InternalName inner = cons(b, cons(text, builtinObject::Nil));
    const InternalName list = cons(a, cons(term(g, {path}), cons(inner, builtinObject::Nil)));
    const InternalName improper = cons(a, cons(b, text));
    const InternalName termTail = cons(obj("7"), term(g, {a}));
    const InternalName pathTail = cons(a, path);
    expectKeptFormsAgree({a,
                          text,
                          obj("42"),
                          obj("-3"),
                          obj("#2.5"),
                          builtinObject::Nil,
                          builtinObject::SetArrow,
                          pred("p", 2),
                          InternalName(3, InternalName::SetName, 1),
                          term(f, {a, text}),
                          term(f, {term(g, {b}), list}),
                          list,
                          inner,
                          improper,
                          termTail,
                          pathTail,
                          path,
                          pathWithArguments,
                          setPath,
                          term(g, {pathWithArguments}),
                          cons(setPath, builtinObject::Nil)});
}

TEST_F(LexicalFormCacheTest, SharedTailsLongerThanAFormHoldsInline) {
    const std::vector<InternalName> lists = prefixLists(obj("abc"), 300);
    const InternalName longest = lists.back();
    std::vector<InternalName> names = lists;
    const FSymbol f = function("f", 3);
    names.push_back(term(f, {longest, lists[150], longest}));
    names.push_back(cons(longest, cons(lists[299], lists[200])));
    names.push_back(term(f, {obj("\"s\""), term(f, {longest, longest, longest}), obj("1")}));
    expectKeptFormsAgree(names);
    // Written whole: each list holds every element once.
    om->keepForms(true);
    std::string text;
    om->giveLexicalForm(longest, text, 1, 0);
    om->keepForms(false);
    EXPECT_EQ(text.size(), 1 + 300 * 4);
}

TEST_F(LexicalFormCacheTest, MadeObjectsThatContainThemselves) {
    SymTab* symbols = om->giveSymTab();
    FSymbol f = symbols->GetFSymbol("f", 1, 1), g = symbols->GetFSymbol("g", 1, 1),
            h = symbols->GetFSymbol("h", 1, 1);
    InternalName b = obj("b"), c = obj("c");
    InternalName fc = term(f, {c}), gb = term(g, {b});
    InternalName fFrame;
    ASSERT_EQ(om->giveInternalName(f, fFrame), 1);
    MainMemParamFrame* fRows = om->getParamFrame(fFrame);
    // g(b) = f(h(g(b))): each form of the cycle leaves the inner occurrence of its own object
    // empty, so each reads differently from where it is begun.
    InternalName hgb = term(h, {gb});
    fRows->insertResult(&hgb, 1, gb);
    om->addRelation(fFrame, gb);
    const InternalName outer = term(function("k", 2), {hgb, gb});
    const InternalName list = cons(gb, cons(hgb, cons(gb, builtinObject::Nil)));
    EXPECT_EQ(lex(gb), "f(h())");
    EXPECT_EQ(lex(hgb), "h(f())");
    expectKeptFormsAgree({gb, hgb, fc, outer, list, cons(outer, list)});
    expectKeptFormsAgree({outer, list, hgb, gb});
}

TEST_F(LexicalFormCacheTest, EqualitiesBetweenSavesAreSeenByTheNextSave) {
    const InternalName a = obj("a"), b = obj("b"), c = obj("c");
    const FSymbol f = function("f", 2);
    const std::vector<InternalName> lists = prefixLists(b, 300);
    const InternalName fb = term(f, {b, lists.back()}), fc = term(f, {c, a});
    const std::vector<InternalName> names{a, b, c, fb, fc, lists[1], lists[150], lists.back()};
    expectKeptFormsAgree(names);

    // A save, then equalities merge objects and terms, then the next save.
    om->keepForms(true);
    const std::vector<Form> first = forms(names);
    om->keepForms(false);
    ASSERT_EQ(om->equate(b, c, 0), 1);
    ASSERT_EQ(om->equate(lists.back(), a, 0), 1);
    ASSERT_EQ(om->equate(fb, fc, 0), 1);
    EXPECT_EQ(om->applyEqualities(), 1);
    const std::vector<Form> fresh = forms(names);
    EXPECT_NE(fresh, first);
    om->keepForms(true);
    EXPECT_EQ(forms(names), fresh);
    om->keepForms(false);
    expectKeptFormsAgree(names);
}

TEST_F(LexicalFormCacheTest, KeepingsNest) {
    const std::vector<InternalName> lists = prefixLists(obj("x"), 40);
    const std::vector<Form> fresh = forms(lists);
    om->keepForms(true);
    om->keepForms(true);
    EXPECT_EQ(forms(lists), fresh);
    om->keepForms(false);
    // Still kept: the outer keeping goes on.
    EXPECT_EQ(forms(lists, true), fresh);
    om->keepForms(false);
    EXPECT_EQ(forms(lists), fresh);
}

// The first form of a made object builds the index of who holds each name, a walk over the whole
// base; a farewell stops that walk, in the log of values stored under methods with arguments or
// in the values and function rows the log leaves out. The forms asked once the farewell is taken
// are whole: the next read of the index goes on where the walk stopped.
TEST_F(LexicalFormCacheTest, FormsAfterAFarewellStoppedTheIndexAreWhole) {
    for (const bool logged : {true, false}) {
        SCOPED_TRACE(logged ? "stopped in the log" : "stopped in the walk over the frames");
        TearDown();
        SetUp();
        const InternalName a = obj("a"), m = obj("m"), k = obj("k");
        const FSymbol g = function("g", 2);
        const std::vector<InternalName> lists = prefixLists(a, 40);
        std::vector<InternalName> terms;
        std::vector<std::string> expected;
        for (int i = 0; i < 6000; ++i) {
            const InternalName host = obj("o" + std::to_string(i));
            const std::size_t length = std::size_t(i) % lists.size();
            terms.push_back(term(g, {host, lists[length]}));
            ASSERT_EQ(om->insertMethodValue(host, m, logged ? &k : nullptr, logged ? 1 : 0, 0,
                                            terms.back()),
                      1);
            std::string list = "[";
            for (std::size_t e = 0; e < length; ++e) list += e == 0 ? "a" : ",a";
            expected.push_back("g(o" + std::to_string(i) + "," + list + "])");
        }
        controlEvents::record(controlEvents::Shutdown);
        lex(terms.back());  // whatever it finds: the program would be ending
        controlEvents::takeFarewell();
        controlEvents::clearInterrupt();
        controlEvents::takeCutShort();
        for (std::size_t i = 0; i < terms.size(); ++i) ASSERT_EQ(lex(terms[i]), expected[i]) << i;
    }
}

}  // namespace

// Paths: print forms of both dialects, lengths, relative starts, equality and order of steps.
#include <gtest/gtest.h>

#include "ParseTreeTestSupport.h"

using language_test::TreeBuilder;

TEST(Path, FLogicPrintForms) {
    TreeBuilder b;
    Reference* path = b.step(b.step(b.cnst("o"), b.cnst("a")), b.cnst("b"));
    path->setMethResult(b.scalarResult(0, b.var("R")));
    EXPECT_EQ(b.text(path), "o.a.b -> R");
    EXPECT_EQ(b.text(b.step(b.cnst("o"), b.var("M.n"), {}, 3)), "o!(M.n)");
    Reference* inherited = b.step(b.cnst("o"), b.cnst("m"));
    inherited->setMethResult(b.scalarResult(3, b.cnst("v")));
    EXPECT_EQ(b.text(inherited), "o.m *-> v");
    Reference* parenthesised = b.step(b.cnst("o"), b.cnst("m"));
    parenthesised->setParenthesized();
    EXPECT_EQ(b.text(parenthesised), "(o.m)");
}

TEST(Path, PevoPrintForms) {
    TreeBuilder b;
    EXPECT_EQ(b.text(b.pevoStep(b.cnst("doc"), b.cnst("title"), 2)), "doc/descendant::title");
    EXPECT_EQ(b.text(b.pevoStep(b.cnst("e"), b.cnst("id"), 6)), "e/@id");
    EXPECT_EQ(b.text(b.pevoStep(b.cnst("e"), b.cnst("text"), 8)), "e!text()");
    EXPECT_EQ(b.text(b.pevoStep(b.cnst("e"), b.cnst("m"), 1, 0)), "e:m");
    EXPECT_EQ(b.text(b.pevoStep(b.pevoStep(b.cnst("e"), b.cnst("a"), 3), b.cnst("b"), 4)),
              "e/parent::a/ancestor::b");
    // A Pevo step answers as a Reference.
    EXPECT_EQ(b.pevoStep(b.cnst("e"), b.cnst("m"), 1)->className(), "Reference");
}

TEST(Path, LengthsAndRelativeStarts) {
    TreeBuilder b;
    Reference* three = b.step(b.step(b.step(b.cnst("o"), b.cnst("a")), b.cnst("b")), b.cnst("c"));
    EXPECT_EQ(three->pathLength(), 4);
    EXPECT_EQ(b.var("X")->pathLength(), 1);
    EXPECT_EQ(b.arith(b.num(1), "+", b.num(2))->pathLength(), -1);

    Reference* relative = b.pevoStep(b.pevoStep(b.self(), b.cnst("a"), 1), b.cnst("b"), 1);
    EXPECT_EQ(relative->startKind(), 1);
    EXPECT_EQ(three->startKind(), 2);
    relative->replaceStart(b.cnst("doc"));
    EXPECT_EQ(b.text(relative), "doc/a/b");
    EXPECT_EQ(relative->startKind(), 2);

    ArithmeticExpr* expr = b.arith(b.num(1), "+", b.pevoStep(b.self(), b.cnst("price"), 6));
    EXPECT_EQ(expr->startKind(), 1);
    expr->replaceStart(b.var("E"));
    EXPECT_EQ(b.text(expr), "1 + E/@price");
    EXPECT_EQ(expr->startKind(), 2);
}

TEST(Path, EqualityAndOrderIncludeTheHost) {
    TreeBuilder b;
    Reference* x = b.step(b.var("X"), b.cnst("a"), {b.cnst("b")});
    Reference* sameAsX = b.step(b.var("X"), b.cnst("a"), {b.cnst("b")});
    Reference* y = b.step(b.var("Y"), b.cnst("a"), {b.cnst("b")});
    EXPECT_TRUE(x->deepEqual(*sameAsX));
    EXPECT_EQ(x->compare(*sameAsX), 0);
    EXPECT_FALSE(x->deepEqual(*y));
    EXPECT_NE(x->compare(*y), 0);
    EXPECT_EQ(x->compare(*y), -y->compare(*x));
    EXPECT_FALSE(x->deepEqual(*b.step(b.var("X"), b.cnst("a"), {b.cnst("b")}, 1)));
    EXPECT_FALSE(x->deepEqual(*b.step(b.var("X"), b.cnst("a"), {})));
    // Different axes are different steps.
    EXPECT_NE(
        b.pevoStep(b.cnst("e"), b.cnst("m"), 1)->compare(*b.pevoStep(b.cnst("e"), b.cnst("m"), 2)),
        0);
    EXPECT_EQ(b.varNames(b.step(b.var("X"), b.var("M"), {b.var("A"), b.var("X")})), "X,M,A");
}

TEST(Path, CopiesAndParseTimeObjectsLiveApart) {
    TreeBuilder b;
    Reference* path;
    {
        // Parse-time objects released right after use, as the grammar does.
        auto application = Ref<MethAppl>::make(b.cnst("m"), nullptr, 0);
        auto step = Ref<MethRef>::make(application.get(), 0);
        application.reset();
        path = b.own(new Reference(b.cnst("o"), step.get()));
    }
    path->setMethResult(b.scalarResult(0, b.var("R")));
    auto* copy = b.own(static_cast<Reference*>(path->clone()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(b.text(copy), "o.m -> R");
    EXPECT_NE(copy->getMethResult(), path->getMethResult());
    copy->setHost(b.cnst("other"));
    copy->setMethResult(nullptr);
    EXPECT_EQ(b.text(path), "o.m -> R");
}

TEST(Path, NullHostIsReported) {
    TreeBuilder b;
    ErrorCapture errors(6);
    Reference* step = b.step(nullptr, b.cnst("m"));
    EXPECT_NE(errors.text().find("CPathConstructor"), std::string::npos);
    EXPECT_EQ(b.text(step), ".m");
}

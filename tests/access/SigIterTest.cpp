// Tests of the signature iterators: inherited signatures, generalised result types, specialised
// argument types, rows handed out once, misuse, and walks that are repeated or pass over a
// signature without result types.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "AccessTestSupport.h"
#include "access/EnhSigIter.h"

using namespace access_test;

namespace {

class SigIterTest : public AccessTest {
  protected:
    void SetUp() override {
        AccessTest::SetUp();
        c = object("c");
        d = object("d");
        e = object("e");
        m = object("m");
        t = object("t");
        u = object("u");
        v = object("v");
    }

    // Every row of the signature atom, sorted.
    Rows rows(int type, Row pattern) {
        const auto it = Ref<Iterator>::adopt(access->makeSigIter(
            MethodType(type), pattern.data(), static_cast<int>(pattern.size()), nullptr));
        Rows found = drain(it.get());
        std::sort(found.begin(), found.end());
        return found;
    }
    void signature(const InternalName& cls, Row args, const InternalName& result, int type = 6) {
        access->insertValue(cls, m, args.data(), static_cast<int>(args.size()), MethodType(type),
                            result);
    }

    InternalName c, d, e, m, t, u, v;
};

}  // namespace

TEST_F(SigIterTest, SignaturesAreInheritedDownwardsWithGeneralisedResults) {
    signature(c, {}, t);
    access->insertClassRelation(c, d, IsaRelation::Subclass);
    access->insertClassRelation(t, u, IsaRelation::Subclass);
    access->insertClassRelation(e, c, IsaRelation::Subclass);

    EXPECT_TRUE(rows(6, {d, m, Free}).empty());
    EXPECT_EQ(rows(6, {e, m, Free}), (Rows{{e, m, t}, {e, m, u}}));
    EXPECT_EQ(rows(6, {c, m, u}), (Rows{{c, m, u}}));
    EXPECT_TRUE(rows(6, {c, m, v}).empty());
    EXPECT_EQ(rows(6, {c, Free, Free}), (Rows{{c, m, t}, {c, m, u}}));
    EXPECT_TRUE(rows(7, {c, m, Free}).empty());  // another arrow

    // The class free: every object as a candidate.
    EXPECT_EQ(rows(6, {Free, m, t}), (Rows{{c, m, t}, {e, m, t}}));
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(SigIterTest, ArgumentTypesMatchTheirSubclasses) {
    const InternalName a = object("a"), b = object("b"), z = object("z");
    signature(c, {a}, t);
    access->insertClassRelation(b, a, IsaRelation::Subclass);
    EXPECT_EQ(rows(6, {c, m, b, Free}), (Rows{{c, m, b, t}}));
    EXPECT_EQ(rows(6, {c, m, Free, Free}), (Rows{{c, m, a, t}}));
    EXPECT_TRUE(rows(6, {c, m, z, Free}).empty());
}

TEST_F(SigIterTest, EachRowOnceAcrossClassesAndResultSets) {
    signature(c, {}, t);
    signature(d, {}, t);
    access->insertClassRelation(c, d, IsaRelation::Subclass);
    EXPECT_EQ(rows(6, {c, m, Free}), (Rows{{c, m, t}}));

    const InternalName t1 = object("t1"), t2 = object("t2"), top = object("top");
    set<InternalName> results;
    results.insert(t1);
    results.insert(t2);
    access->insertSet(e, m, nullptr, 0, MethodType::SetSignature, results);
    access->insertClassRelation(t1, top, IsaRelation::Subclass);
    access->insertClassRelation(t2, top, IsaRelation::Subclass);
    EXPECT_EQ(rows(7, {e, m, Free}), (Rows{{e, m, t1}, {e, m, t2}, {e, m, top}}));
}

TEST_F(SigIterTest, MisuseIsReported) {
    const Row bound{c, m, Free};
    const Row freeClass{Free, m, Free};
    auto basic =
        Ref<BasicLeftSigIter>::make(MethodType::ScalarSignature, freeClass.data(), 3, access);
    EXPECT_FALSE(basic->first());
    EXPECT_EQ(lastError(), "6/116");
    EXPECT_EQ(centralErrorHandler().getError().getWhere(), "BasicLeftSigIter::BasicLeftSigIter");
    basic.reset();
    centralErrorHandler().reset();
    auto right = Ref<EnhRightSigIter>::make(MethodType::ScalarSignature, bound.data(), 3, access);
    EXPECT_FALSE(right->first());
    EXPECT_EQ(centralErrorHandler().getError().getWhere(), "EnhRightSigIter::EnhRightSigIter");
    right.reset();

    signature(c, {}, t);
    auto it = Ref<Iterator>::adopt(
        access->makeSigIter(MethodType::ScalarSignature, bound.data(), 3, nullptr));
    ASSERT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(0), Free);
    EXPECT_EQ(lastError(), "6/109");
    EXPECT_EQ(centralErrorHandler().getError().getName(), "InvaliddUse");
}

TEST_F(SigIterTest, AWalkCanBeRepeated) {
    signature(c, {}, t);
    access->insertClassRelation(t, u, IsaRelation::Subclass);
    const Row pattern{c, m, Free};
    auto basic =
        Ref<BasicLeftSigIter>::make(MethodType::ScalarSignature, pattern.data(), 3, access);
    const Rows once = drain(basic.get());
    EXPECT_EQ(once.size(), 1u);
    EXPECT_EQ(drain(basic.get()), once);
    basic.reset();

    const auto enhanced = Ref<Iterator>::adopt(
        access->makeSigIter(MethodType::ScalarSignature, pattern.data(), 3, nullptr));
    const Rows first = drain(enhanced.get());
    EXPECT_EQ(first, (Rows{{c, m, t}, {c, m, u}}));
    EXPECT_EQ(drain(enhanced.get()), first);
}

TEST_F(SigIterTest, ASignatureWithoutResultTypesIsPassedOver) {
    // d's declared result set is empty; c's signature below it still answers.
    access->insertClassRelation(c, d, IsaRelation::Subclass);
    access->insertSet(d, m, nullptr, 0, MethodType::SetSignature, set<InternalName>());
    signature(c, {}, t, 7);
    const InternalName n = object("n");
    access->insertSet(c, n, nullptr, 0, MethodType::SetSignature, set<InternalName>());
    access->insertValue(d, n, nullptr, 0, MethodType::SetSignature, u);
    // c < d in name order: c's own empty signature for n comes first and must not end the walk.
    const Row own{c, n, Free};
    auto stored =
        Ref<Iterator>::adopt(access->makeRefIter(MethodType::SetSignature, own.data(), 3, nullptr));
    ASSERT_EQ(drain(stored.get()).size(), 1u);
    stored.reset();
    EXPECT_EQ(rows(7, {c, n, Free}), (Rows{{c, n, u}}));
    EXPECT_EQ(rows(7, {c, m, Free}), (Rows{{c, m, t}}));
}

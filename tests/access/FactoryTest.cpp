// Tests of the iterator factories of the access layer and of the lookup cascade: the class each
// pattern gets, the refusals, and old iterators handed back across patterns and stages.
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "AccessTestSupport.h"
#include "access/EnhIsaIter.h"
#include "access/EnhSigIter.h"
#include "access/FuncOrPredIter.h"
#include "access/IsaIterator.h"
#include "access/RefIter.h"

using namespace access_test;

namespace {

template <class T>
bool is(Iterator* it) {
    return it != nullptr && typeid(*it) == typeid(T);
}

class FactoryTest : public AccessTest {
  protected:
    void SetUp() override {
        AccessTest::SetUp();
        a = object("a");
        b = object("b");
        c = object("c");
        m = object("m");
        access->insertClassRelation(a, b, IsaRelation::Member);
        access->insertClassRelation(b, c, IsaRelation::Subclass);
        access->insertValue(a, m, nullptr, 0, MethodType::Scalar, integer(1));
        access->insertValue(b, m, nullptr, 0, MethodType::Scalar, integer(2));
    }

    InternalName a, b, c, m;
};

}  // namespace

TEST_F(FactoryTest, WrongKindsAndTypesAreRefused) {
    // makeEnhIsaIter consumes the old iterator; the leak checker would see it otherwise.
    Iterator* old = access->makeEnhIsaIter(a, Free, IsaRelation::Member, nullptr);
    EXPECT_EQ(access->makeEnhIsaIter(a, Free, IsaRelation(4), old), nullptr);
    EXPECT_EQ(lastError(), "6/21");
    errors.clear();

    // makeIsaIter and makeRefIter leave the old iterator with the caller.
    old = access->makeIsaIter(a, Free, IsaRelation::Member, nullptr);
    EXPECT_EQ(access->makeIsaIter(a, Free, IsaRelation(0), old), nullptr);
    EXPECT_EQ(lastError(), "6/21");
    const InternalName tuple[3] = {a, m, Free};
    EXPECT_EQ(access->makeRefIter(MethodType(9), tuple, 3, old), nullptr);
    EXPECT_EQ(lastError(), "6/20");
    // Still the caller's alone: its handle releases it.
    EXPECT_EQ(Ref<Iterator>::adopt(old)->refCount(), 1);

    // Only signature types make signature iterators; the old one is released.
    old = access->makeRefIter(MethodType::Scalar, tuple, 3, nullptr);
    EXPECT_EQ(access->makeSigIter(MethodType::Scalar, tuple, 3, old), nullptr);
}

TEST_F(FactoryTest, OldIteratorsAreRetargetedOnlyWhenTheirClassFits) {
    // A LeftRefIter handed back for a pattern with a free host becomes a RightRefIter that
    // finds the rows (re-targeting it would report 6/8 and yield nothing).
    const InternalName bound[3] = {a, m, Free};
    const InternalName freeHost[3] = {Free, m, Free};
    Iterator* it = access->makeRefIter(MethodType::Scalar, bound, 3, nullptr);
    ASSERT_TRUE(is<LeftRefIter>(it));
    Iterator* same = access->makeRefIter(MethodType::Scalar, bound, 3, it);
    EXPECT_EQ(same, it);
    it = access->makeRefIter(MethodType::Scalar, freeHost, 3, same);
    EXPECT_TRUE(is<RightRefIter>(it));
    EXPECT_EQ(drain(it), (Rows{{a, m, integer(1)}, {b, m, integer(2)}}));
    EXPECT_EQ(lastError(), "0/0");

    // Across families the old iterator is replaced with the UnknownIterType report.
    it = access->makeIsaIter(a, Free, IsaRelation::Member, it);
    EXPECT_TRUE(is<LeftSpecIsaIter>(it));
    EXPECT_EQ(lastError(), "6/22");
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Got pointer of  unknown iterator type to reinitialise, given pointer is deleted "
              "and new pointer of known type is created");
    centralErrorHandler().reset();
    it = access->makeIsaIter(Free, b, IsaRelation::Member,
                             it);  // same family, other member: no report
    EXPECT_TRUE(is<RightSpecIsaIter>(it));
    EXPECT_EQ(drain(it), (Rows{{a, b}}));
    EXPECT_EQ(lastError(), "0/0");
    it = access->makeEnhIsaIter(Free, c, IsaRelation::Member, it);
    EXPECT_EQ(lastError(), "6/22");
    EXPECT_EQ(drain(it), (Rows{{a, c}}));
    it = access->makeEnhIsaIter(a, Free, IsaRelation::Member, it);
    EXPECT_EQ(drain(it), (Rows{{a, b}, {a, c}}));

    // Predicates and function terms share one class.
    const FSymbol p = symbol("p", InternalName::Predicate, 1);
    access->insertPredicate(p, &a, 1);
    it = access->makeFuncOrPredIter(p, &a, 1, it);
    EXPECT_TRUE(is<FuncOrPredIter>(it));
    EXPECT_EQ(drain(it), (Rows{{a}}));
    auto again = Ref<Iterator>::adopt(access->makeFunctionIter(p, &a, 1, Free, it));
    EXPECT_EQ(again, it);
    EXPECT_EQ(again->columns(), 3);
}

TEST_F(FactoryTest, LookupOwnsTheOldIteratorThroughEveryStage) {
    const InternalName method[3] = {a, m, Free};
    const InternalName signature[3] = {b, m, Free};
    access->insertValue(c, m, nullptr, 0, MethodType::ScalarSignature, b);
    access->insertValue(c, m, nullptr, 0, MethodType::InheritableScalar, integer(7));

    // Each lookup takes the old iterator over; the handle is rebound to what it answers.
    Ref<Iterator> it;
    auto lookup = [&](MethodType type, const InternalName* pattern) {
        return it.renew([&](Iterator* old) { return access->lookup(type, pattern, 3, old); });
    };

    // Outside a phase a method atom ends at the stored values, re-targeting a fitting old one.
    Iterator* const first = lookup(MethodType::Scalar, method);
    EXPECT_TRUE(is<LeftRefIter>(first));
    EXPECT_EQ(lookup(MethodType::Scalar, method), first);
    EXPECT_EQ(drain(it.get()), (Rows{{a, m, integer(1)}}));

    // Signature stage, then back: every hand-over is clean under the sanitizers.
    EXPECT_TRUE(is<EnhLeftSigIter>(lookup(MethodType::ScalarSignature, signature)));
    EXPECT_EQ(drain(it.get()), (Rows{{b, m, b}, {b, m, c}}));
    EXPECT_TRUE(is<LeftRefIter>(lookup(MethodType::Scalar, method)));

    // Inside a phase the inherited stage answers and the old iterator is released.
    ASSERT_EQ(access->beginPhase(0, 0), 1);
    const InternalName inherits[3] = {b, m, Free};
    access->insertValue(b, object("n"), nullptr, 0, MethodType::Scalar, integer(0));
    ASSERT_NE(lookup(MethodType::InheritableScalar, inherits), nullptr);
    EXPECT_EQ(drain(it.get()), (Rows{{b, m, integer(7)}}));
    // The phase has its fact: later inherited lookups are empty, whatever came in.
    EXPECT_TRUE(lookup(MethodType::Scalar, method)->isA("EmptyIterator"));
    access->endPhase();
    EXPECT_EQ(access->takeNewFacts(), 1);

    // A refused type through the cascade still releases the old iterator.
    EXPECT_EQ(lookup(MethodType(9), method), nullptr);
    EXPECT_EQ(lastError(), "6/20");

    // Both flags cleared: straight to the stored values, signatures included.
    StringArgs bad{"foo"};
    access->methodCall("setAccess", &bad);
    EXPECT_TRUE(is<LeftRefIter>(lookup(MethodType::ScalarSignature, signature)));
    EXPECT_TRUE(drain(it.get()).empty());  // nothing stored at b itself
}

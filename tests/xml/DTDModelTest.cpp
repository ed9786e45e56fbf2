// Tests of the DTD model: entry lists with their merges and look-up, printing, enumerations,
// declarations and the references they hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DTDPoolCount.h"
#include "foundation/Ref.h"
#include "xml/DTDElemSpec.h"
#include "xml/DTDPropSpec.h"
#include "xml/DTDPropSpecList.h"

namespace {

struct Entry {
    std::string name;
    int minimum;
    int maximum;
};

Ref<DTDPropSpecList> listOf(const std::vector<Entry>& entries) {
    auto list = Ref<DTDPropSpecList>::make();
    for (const Entry& e : entries)
        list->append(Ref<DTDPropSpec>::make(e.name, e.minimum, e.maximum));
    return list;
}

std::string bounds(const DTDPropSpecList& list) {
    std::string out;
    for (DTDPropSpec* e : list.entries()) {
        if (!out.empty()) out += " ";
        out += e->getName() + ":" + std::to_string(e->getMinimum()) + "-" +
               std::to_string(e->getMaximum());
    }
    return out;
}

constexpr int many = DTDPropSpec::unbounded;

TEST(DTDPropSpecList, MergesGiveTheBoundsOfSequencesAndChoices) {
    dtdtest::PoolCount pools;
    struct Case {
        const char* what;
        std::vector<Entry> left;
        std::vector<Entry> right;
        bool sequence;
        const char* expected;
    };
    const Case cases[] = {
        {"(a, a)", {{"a", 1, 1}}, {{"a", 1, 1}}, true, "a:2-2"},
        {"(a | b)", {{"a", 1, 1}}, {{"b", 1, 1}}, false, "a:1-1 b:1-1"},
        {"(a | a)", {{"a", 1, 1}}, {{"a", 1, 1}}, false, "a:1-1"},
        {"(a?, a+)", {{"a", 0, 1}}, {{"a", 1, many}}, true, "a:1-1001"},
        {"(a* , a*) keeps the sum", {{"a", 0, many}}, {{"a", 0, many}}, true, "a:0-2000"},
        {"(a? | a+)", {{"a", 0, 1}}, {{"a", 1, many}}, false, "a:0-1000"},
        {"(a+ | a?)", {{"a", 1, many}}, {{"a", 0, 1}}, false, "a:0-1000"},
        {"((a, b) | c): absent from a branch",
         {{"a", 1, 1}, {"b", 1, 1}},
         {{"c", 1, 1}},
         false,
         "a:1-1 b:1-1 c:1-1"},
        {"((a, b) | (b*, c))",
         {{"a", 1, 1}, {"b", 1, 1}},
         {{"b", 0, many}, {"c", 1, 1}},
         false,
         "a:1-1 b:0-1000 c:1-1"},
        {"((a | b)*, a, c?)",
         {{"a", 0, many}, {"b", 0, many}},
         {{"a", 1, 1}, {"c", 0, 1}},
         true,
         "a:1-1001 b:0-1000 c:0-1"},
        {"(a, ()) with nothing on the right", {{"a", 1, 1}}, {}, true, "a:1-1"},
        {"(() | b) into an empty list", {}, {{"b", 1, 1}}, false, "b:1-1"},
    };
    for (const Case& c : cases) {
        const Ref<DTDPropSpecList> left = listOf(c.left);
        if (c.sequence) {
            left->mergeSequence(listOf(c.right));
        } else {
            left->mergeChoice(listOf(c.right));
        }
        EXPECT_EQ(bounds(*left), c.expected) << c.what;
    }
    EXPECT_EQ(pools.inUse(), "");
}

TEST(DTDPropSpecList, SequenceSumsStopAtTheLargestInt) {
    const Ref<DTDPropSpecList> left = listOf({{"a", 2147483000, 2147483000}});
    left->mergeSequence(listOf({{"a", 1000, 1000}}));
    EXPECT_EQ(left->lookup("a")->getMaximum(), 2147483647);
}

TEST(DTDPropSpecList, PrintWritesOneLineAnEntryOnStandardOutput) {
    const Ref<DTDPropSpecList> list = listOf({{"title", 1, 1}, {"para", 0, many}});
    testing::internal::CaptureStdout();
    list->print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "title 1 1\npara 0 1000\n");
}

TEST(DTDPropSpecList, MergesConsumeTheirArgumentAndShareTheEntriesTheyTake) {
    const Ref<DTDPropSpecList> left = listOf({{"a", 1, 1}});
    Ref<DTDPropSpecList> right = listOf({{"a", 1, 1}, {"b", 1, 1}});
    const auto b = Ref<DTDPropSpec>::share(right->lookup("b"));
    left->mergeChoice(std::move(right));  // right is gone: the sanitizers catch a use of it
    EXPECT_EQ(left->lookup("b"), b.get());
    EXPECT_EQ(b->refCount(), 2);
    left->clear();
    EXPECT_EQ(left->size(), 0);
    EXPECT_EQ(b->refCount(), 1);
}

TEST(DTDPropSpecList, CopiesAreDeep) {
    const Ref<DTDPropSpecList> list = listOf({{"a", 1, 1}});
    list->lookup("a")->addEnumValue("x");
    const Ref<DTDPropSpecList> copy = list->copy();
    copy->lookup("a")->setMaximum(5);
    copy->lookup("a")->addEnumValue("y");
    EXPECT_NE(copy->lookup("a"), list->lookup("a"));
    EXPECT_EQ(list->lookup("a")->getMaximum(), 1);
    EXPECT_EQ(list->lookup("a")->getEnumValues()->size(), 1);
    EXPECT_EQ(copy->lookup("a")->getEnumValues()->size(), 2);
}

TEST(DTDElemSpec, HoldsSubclassNamesOnceAndReleasesItsLists) {
    dtdtest::PoolCount pools;
    auto spec = Ref<DTDElemSpec>::make("a", "elements", nullptr, listOf({{"b", 1, 1}}));
    spec->setAttributes(listOf({{"id", 0, 1}}));
    std::string temporary = "zeta";
    spec->addSubclass(temporary);
    temporary = "changed";
    spec->addSubclass("alpha");
    spec->addSubclass(std::string("alpha"));
    auto other = Ref<DTDElemSpec>::make("c", "", nullptr, nullptr);
    other->addSubclass("mid");
    other->addSubclass("zeta");
    spec->addSubclasses(other->getSubclasses());
    std::vector<std::string> names(spec->getSubclasses().begin(), spec->getSubclasses().end());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "mid", "zeta"}));
    other.reset();
    spec.reset();
    EXPECT_EQ(pools.inUse(), "");
}

// Replacing the attribute list: a new list takes the old one's place and the old one goes; the
// list already held, handed in again with a reference of the caller's, stays, held once (neither
// released while held nor kept with the caller's reference too); no list gives an empty one.
TEST(DTDElemSpec, ReplacingItsAttributeListReleasesEachListOnce) {
    dtdtest::PoolCount pools;
    {
        const auto spec = Ref<DTDElemSpec>::make("a", "", nullptr, nullptr);
        spec->setAttributes(listOf({{"id", 0, 1}}));
        const auto first = Ref<DTDPropSpecList>::share(spec->getAttributes());
        EXPECT_EQ(first->refCount(), 2);

        spec->setAttributes(first.another());
        EXPECT_EQ(spec->getAttributes(), first.get());
        EXPECT_EQ(first->refCount(), 2);
        ASSERT_NE(first->lookup("id"), nullptr);
        EXPECT_EQ(first->lookup("id")->getMaximum(), 1);

        spec->setAttributes(Ref<DTDPropSpecList>::share(spec->getAttributes()));
        EXPECT_EQ(first->refCount(), 2);

        spec->setAttributes(listOf({{"lang", 0, 1}}));
        EXPECT_EQ(first->refCount(), 1);
        EXPECT_NE(spec->getAttributes()->lookup("lang"), nullptr);

        spec->setAttributes(nullptr);
        ASSERT_NE(spec->getAttributes(), nullptr);
        EXPECT_EQ(spec->getAttributes()->size(), 0);
    }
    EXPECT_EQ(pools.inUse(), "");
}

}  // namespace

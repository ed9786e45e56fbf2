// Tests of the DTD model: entry lists with their merges and look-up, printing, enumerations,
// declarations and the references they hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DTDPoolCount.h"
#include "xml/DTDElemSpec.h"
#include "xml/DTDPropSpec.h"
#include "xml/DTDPropSpecList.h"

namespace {

struct Entry {
    std::string name;
    int minimum;
    int maximum;
};

DTDPropSpecList* listOf(const std::vector<Entry>& entries) {
    auto* list = new DTDPropSpecList();
    for (const Entry& e : entries) list->append(new DTDPropSpec(e.name, e.minimum, e.maximum));
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
        DTDPropSpecList* left = listOf(c.left);
        DTDPropSpecList* right = listOf(c.right);
        if (c.sequence) {
            left->mergeSequence(right);
        } else {
            left->mergeChoice(right);
        }
        EXPECT_EQ(bounds(*left), c.expected) << c.what;
        decRef(left);
    }
    EXPECT_EQ(pools.inUse(), "");
}

TEST(DTDPropSpecList, SequenceSumsStopAtTheLargestInt) {
    DTDPropSpecList* left = listOf({{"a", 2147483000, 2147483000}});
    left->mergeSequence(listOf({{"a", 1000, 1000}}));
    EXPECT_EQ(left->lookup("a")->getMaximum(), 2147483647);
    decRef(left);
}

TEST(DTDPropSpecList, PrintWritesOneLineAnEntryOnStandardOutput) {
    DTDPropSpecList* list = listOf({{"title", 1, 1}, {"para", 0, many}});
    testing::internal::CaptureStdout();
    list->print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "title 1 1\npara 0 1000\n");
    decRef(list);
}

TEST(DTDPropSpecList, MergesConsumeTheirArgumentAndShareTheEntriesTheyTake) {
    DTDPropSpecList* left = listOf({{"a", 1, 1}});
    DTDPropSpecList* right = listOf({{"a", 1, 1}, {"b", 1, 1}});
    DTDPropSpec* b = right->lookup("b");
    incRef(b);
    left->mergeChoice(right);  // right is gone: the sanitizers catch a use or a double release
    EXPECT_EQ(left->lookup("b"), b);
    EXPECT_EQ(b->refCount(), 2);
    left->clear();
    EXPECT_EQ(left->size(), 0);
    EXPECT_EQ(b->refCount(), 1);
    decRef(b);
    decRef(left);
}

TEST(DTDPropSpecList, CopiesAreDeep) {
    DTDPropSpecList* list = listOf({{"a", 1, 1}});
    list->lookup("a")->addEnumValue("x");
    DTDPropSpecList* copy = list->copy();
    copy->lookup("a")->setMaximum(5);
    copy->lookup("a")->addEnumValue("y");
    EXPECT_NE(copy->lookup("a"), list->lookup("a"));
    EXPECT_EQ(list->lookup("a")->getMaximum(), 1);
    EXPECT_EQ(list->lookup("a")->getEnumValues()->size(), 1);
    EXPECT_EQ(copy->lookup("a")->getEnumValues()->size(), 2);
    decRef(list);
    decRef(copy);
}

TEST(DTDElemSpec, HoldsSubclassNamesOnceAndReleasesItsLists) {
    dtdtest::PoolCount pools;
    DTDPropSpecList* subElements = listOf({{"b", 1, 1}});
    auto* spec = new DTDElemSpec("a", "elements", nullptr, subElements);
    spec->setAttributes(listOf({{"id", 0, 1}}));
    std::string temporary = "zeta";
    spec->addSubclass(temporary);
    temporary = "changed";
    spec->addSubclass("alpha");
    spec->addSubclass(std::string("alpha"));
    auto* other = new DTDElemSpec("c", "", nullptr, nullptr);
    other->addSubclass("mid");
    other->addSubclass("zeta");
    spec->addSubclasses(other->getSubclasses());
    std::vector<std::string> names(spec->getSubclasses().begin(), spec->getSubclasses().end());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "mid", "zeta"}));
    decRef(other);
    decRef(spec);
    EXPECT_EQ(pools.inUse(), "");
}

}  // namespace

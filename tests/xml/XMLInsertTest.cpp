// Insertions of the XML access layer along axis steps: what each axis and method type stores,
// literals wrapped in elements, joined texts, the refusals, arithmetic paths and the structure a
// set insertion leaves for the axis steps.
#include <string>
#include <vector>

#include "xml/XMLAccessTestSupport.h"

namespace xmlaccess_test {
namespace {

using Names = std::vector<InternalName>;
using Texts = std::vector<std::string>;

class XMLInsertTest : public XMLAccessTest {
  protected:
    void SetUp() override {
        XMLAccessTest::SetUp();
        host = object("h");
        title = object("title");
    }
    // Whether the relation holds: 1 instance, 2 subclass, 3 child.
    bool holds(const InternalName& x, const InternalName& cls, int kind) {
        return access->isaTest(x, cls, IsaRelation(kind)) != 0;
    }
    int write(const InternalName& h, const InternalName& m, int type, int axis,
              const InternalName& v) {
        return access->insertXMLValue(h, m, nullptr, 0, MethodType(type), Axis(axis), v);
    }

    InternalName host, title;
    const InternalName textMethod = builtinObject::Text;
};

TEST_F(XMLInsertTest, ALiteralUnderAChildOrDescendantStepIsWrappedInAnElement) {
    const struct {
        int axis;
        int type;
        InternalName literal;
    } cases[] = {{1, 1, string("Axes")}, {2, 1, integer(7)}, {1, 0, string("one")}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        const InternalName h = object("h" + std::to_string(++n));
        // Both facts are new: h[title arrow E] and E[text() arrow literal].
        EXPECT_EQ(write(h, title, c.type, c.axis, c.literal), 2);
        const Names children = step(1, h, title, c.type);
        ASSERT_EQ(children.size(), 1u);
        const InternalName e = children[0];
        EXPECT_NE(e, c.literal);
        EXPECT_EQ(rows(c.type, {e, textMethod, Free}),
                  Texts{text(e) + " text() " + text(c.literal)});
        EXPECT_TRUE(holds(e, title, 1));
        EXPECT_EQ(access->mappedName(e), c.literal);
        EXPECT_TRUE(holds(title, builtinObject::Tag, 1));
        EXPECT_TRUE(holds(title, builtinObject::Node, 2));
        // The element stands among the host's children, its text below it, as in an import.
        EXPECT_EQ(step(3, e), Names{h});
        EXPECT_EQ(step(1, e, Free, c.type), Names{c.literal});
    }
    // text() takes its literal as it is.
    EXPECT_EQ(write(host, textMethod, 1, 1, string("plain")), 1);
    EXPECT_EQ(step(1, host), Names{string("plain")});
}

TEST_F(XMLInsertTest, TextsWrittenWithSetArrowsAreJoinedInTheNameMapping) {
    const InternalName e = object("e");
    EXPECT_EQ(write(e, textMethod, 1, 1, string("Hello, ")), 1);
    EXPECT_EQ(access->mappedName(e), string("Hello, "));
    EXPECT_EQ(write(e, textMethod, 1, 1, string("world")), 1);
    EXPECT_EQ(write(e, textMethod, 1, 1, integer(42)), 1);
    EXPECT_EQ(access->mappedName(e), string("Hello, world42"));
    // A mapped name that is no string is replaced by the text.
    const InternalName f = object("f");
    access->mapName(f, integer(3));
    EXPECT_EQ(write(f, textMethod, 1, 1, string("x")), 1);
    EXPECT_EQ(access->mappedName(f), string("x"));
    // The scalar arrow stores the text and maps nothing.
    const InternalName g = object("g");
    EXPECT_EQ(write(g, textMethod, 0, 1, string("y")), 1);
    EXPECT_FALSE(access->isMapped(g));
}

TEST_F(XMLInsertTest, EachAxisAndMethodTypeStoresWhatItsStepMeans) {
    const InternalName id = object("id");
    const InternalName v = string("b1");
    const struct {
        int axis;
        int type;
        int stored;      // the answer
        int lookupType;  // where the fact is found; -1: nowhere
    } cases[] = {
        // The attribute axis stores the "@" forms; "->", "*->" and "=>" store nothing.
        {6, 1, 1, 2},
        {6, 2, 1, 2},
        {6, 4, 1, 5},
        {6, 5, 1, 5},
        {6, 7, 1, 8},
        {6, 8, 1, 8},
        {6, 0, 0, -1},
        {6, 3, 0, -1},
        {6, 6, 0, -1},
        // Parent, ancestor, self and function application name nothing to store.
        {3, 1, 0, -1},
        {4, 1, 0, -1},
        {7, 0, 0, -1},
        {8, 1, 0, -1},
        // Without an axis the value is stored as it is.
        {0, 1, 1, 1},
    };
    int n = 0;
    for (const auto& c : cases) {
        const InternalName h = object("n" + std::to_string(++n));
        SCOPED_TRACE("axis " + std::to_string(c.axis) + " type " + std::to_string(c.type));
        EXPECT_EQ(write(h, id, c.type, c.axis, v), c.stored);
        for (int type = 0; type <= 8; ++type) {
            EXPECT_EQ(rows(type, {h, id, Free}).size(), type == c.lookupType ? 1u : 0u) << type;
        }
    }
    EXPECT_EQ(errors.text(), "");
}

TEST_F(XMLInsertTest, WrongMethodTypesAreRefused) {
    InternalName result = Free;
    // A set-valued path needs an axis.
    EXPECT_EQ(access->insertXMLPath(host, title, nullptr, 0, MethodType::Set, Axis::None, result),
              0);
    EXPECT_NE(errors.text().find("WrongMetType"), std::string::npos);
    EXPECT_TRUE(rows(1, {host, title, Free}).empty());
    errors.clear();
    EXPECT_EQ(write(host, title, 9, 1, string("x")), 0);
    EXPECT_EQ(write(host, title, -1, 0, string("x")), 0);
    EXPECT_NE(errors.text().find("WrongMetType"), std::string::npos);
}

TEST_F(XMLInsertTest, PathsFindOrMakeTheirValueObject) {
    InternalName first = Free;
    EXPECT_NE(access->insertXMLPath(host, title, nullptr, 0, MethodType::Scalar, Axis::None, first),
              0);
    InternalName again = Free;
    EXPECT_EQ(
        access->insertXMLPath(host, title, nullptr, 0, MethodType::Scalar, Axis::Child, again), 0);
    EXPECT_EQ(again, first);
    // A set-valued step makes a fresh element each time, a child of the host.
    InternalName a = Free;
    InternalName b = Free;
    EXPECT_NE(
        access->insertXMLPath(host, object("para"), nullptr, 0, MethodType::Set, Axis::Child, a),
        0);
    EXPECT_NE(
        access->insertXMLPath(host, object("para"), nullptr, 0, MethodType::Set, Axis::Child, b),
        0);
    EXPECT_NE(a, b);
    EXPECT_EQ(step(1, host, object("para")).size(), 2u);
    EXPECT_TRUE(holds(a, object("para"), 1));
    EXPECT_EQ(errors.text(), "");
}

TEST_F(XMLInsertTest, ArithmeticInARuleHeadComputesUnderTheXMLLayer) {
    const struct {
        int type;
        int left, right, result;
    } cases[] = {{100, 2, 3, 5}, {101, 2, 3, -1}, {102, 4, 3, 12}, {103, 7, 2, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        InternalName result = Free;
        access->insertXMLPath(integer(c.left), integer(c.right), nullptr, 0, ArithmeticOp(c.type),
                              Axis::None, result);
        EXPECT_EQ(result, integer(c.result));
    }
    EXPECT_EQ(errors.text(), "");
}

TEST_F(XMLInsertTest, SiblingStepsWriteUnderTheParent) {
    InternalName child = Free;
    access->insertXMLPath(host, title, nullptr, 0, MethodType::Set, Axis::Child, child);
    const InternalName para = object("para");
    EXPECT_EQ(write(child, para, 1, 5, string("next")), 2);
    EXPECT_EQ(step(1, host, para).size(), 1u);
    EXPECT_EQ(step(5, child, para).size(), 1u);
    InternalName scalar = Free;
    EXPECT_NE(access->insertXMLPath(child, object("note"), nullptr, 0, MethodType::Scalar,
                                    Axis::Sibling, scalar),
              0);
    EXPECT_EQ(value(host, object("note")), scalar);
    // A node without a parent has no siblings.
    EXPECT_EQ(write(host, para, 1, 5, string("none")), 0);
    InternalName none = Free;
    EXPECT_EQ(
        access->insertXMLPath(host, para, nullptr, 0, MethodType::Scalar, Axis::Sibling, none), 0);
    set<InternalName> members;
    members.insert(object("m"));
    EXPECT_EQ(access->insertXMLSet(host, para, nullptr, 0, MethodType::Set, Axis::Sibling, members),
              0);
    EXPECT_TRUE(rows(1, {Free, para, object("m")}).empty());
}

TEST_F(XMLInsertTest, SetMembersBecomeChildrenOfTheHost) {
    const InternalName chapter = object("chapter");
    set<InternalName> members;
    members.insert(object("c1"));
    members.insert(object("c2"));
    EXPECT_NE(
        access->insertXMLSet(host, chapter, nullptr, 0, MethodType::Set, Axis::Child, members), 0);
    for (const InternalName& c : {object("c1"), object("c2")}) {
        EXPECT_TRUE(holds(c, chapter, 1));
        // Not a subclass of the host.
        EXPECT_FALSE(holds(c, host, 2));
        EXPECT_EQ(step(3, c), Names{host});
    }
    EXPECT_EQ(step(5, object("c1")), Names{object("c2")});
    EXPECT_EQ(step(2, host).size(), 2u);
    // Without an axis only the values are stored.
    const InternalName other = object("other");
    EXPECT_NE(
        access->insertXMLSet(other, chapter, nullptr, 0, MethodType::Set, Axis::None, members), 0);
    EXPECT_FALSE(holds(object("c1"), other, 3));
}

}  // namespace
}  // namespace xmlaccess_test

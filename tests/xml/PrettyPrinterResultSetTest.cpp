// The resultSet answer style over document objects: elements and literals between "<result>" and
// "</result>" on the answer stream, and the refusal of queries with more than one variable.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "access/AxisIteratorFactory.h"
#include "foundation/set.h"
#include "objectbase/MainMemOM.h"
#include "shell/DumpTestSupport.h"
#include "shell/KavumExportHandler.h"
#include "shell/PrettyPrinterTestSupport.h"
#include "xml/XMLAxisIteratorFactory.h"

namespace {

using dump_test::reportedNames;
using printer_test::PrettyPrinterTest;

class ResultSetTest : public PrettyPrinterTest {
  protected:
    // d1 holds two para elements: p1 with the attribute lang and the text Hello, p2 empty.
    // The axis steps name an element after the method that links it to its parent.
    ResultSetTest() {
        access->useAxisIterators(&axes);
        p1 = object("p1");
        p2 = object("p2");
        child(object("d1"), "para", p1);
        child(object("d1"), "para", p2);
        members(p1, "lang", 2, {string("\"en\"")});
        members(p1, "text()", 1, {string("\"Hello\"")});
        printer->style("resultSet");
    }
    XMLAxisIteratorFactory axes;
    void members(const InternalName& host, const std::string& method, int type,
                 const std::vector<InternalName>& values) {
        set<InternalName> all;
        for (const InternalName& v : values) all.insert(v);
        om->insertSetMember(host, object(method), nullptr, 0, type, all);
    }
    // A child element as the import links it: an instance of the tag class named after it,
    // an "->>" entry of its parent by that class, and the child relation.
    void child(const InternalName& parent, const std::string& name, const InternalName& element) {
        const InternalName tag = object(name);
        access->insertClassRelation(element, tag, IsaRelation::Member);
        access->insertClassRelation(tag, builtinObject::Tag, IsaRelation::Member);
        access->insertClassRelation(tag, builtinObject::Node, IsaRelation::Subclass);
        members(parent, name, 1, {element});
        access->insertClassRelation(element, parent, IsaRelation::Child);
    }

    InternalName p1;
    InternalName p2;
};

// The printer's own lines go to the answer channel, the values to debugChannel.
TEST_F(ResultSetTest, OneVariableGivesTheElementsOnTheDebugChannel) {
    ChannelCapture debug(debugChannel());
    EXPECT_EQ(output("?- d1[para ->> X].", {{p1}, {p2}}),
              "<result>\n\n\n</result>\n\n% 2 output(s) printed \n");
    EXPECT_EQ(debug.text(), "  <para\n  lang='en'>\n    Hello\n  </para>\n  <para/>\n");
    // Literal values are their text; the limit holds as in every style.
    call("limit", {"1"}, true);
    EXPECT_EQ(output("?- p1[text() ->> X].", {{string("\"a<b\"")}, {string("\"z\"")}}),
              "<result>\n\n</result>\n\n% 1 output(s) printed \n% 2 result(s) all in all\n");
    EXPECT_EQ(debug.text(), "  <para\n  lang='en'>\n    Hello\n  </para>\n  <para/>\na&lt;b");
    EXPECT_EQ(errors.text(), "");
}

// A chain of 20,000 objects, each the only kid of the one before, written from its first: every
// element below the one before, the last one empty, the end tags in reverse. Indentation stops
// deepening at maxIndentLevels, so the text grows with the chain, not with its square.
TEST_F(ResultSetTest, AChainAsDeepAsItIsLongIsWrittenWhole) {
    constexpr int length = 20000;
    std::vector<InternalName> chain;
    for (int i = 0; i <= length; ++i) chain.push_back(object("o" + std::to_string(i)));
    for (int i = 0; i < length; ++i) members(chain[i], "kids", 1, {chain[i + 1]});
    ChannelCapture debug(debugChannel());
    EXPECT_EQ(output("?- X = o0.", {{chain[0]}}),
              "<result>\n\n</result>\n\n% 1 output(s) printed \n");
    const std::string text = debug.text();
    const std::size_t cap = KavumExportHandler::maxIndentLevels;
    std::string expected = "  <object>\n";
    for (std::size_t depth = 1; depth < length; ++depth)
        expected += "  " + std::string(2 * std::min(depth, cap), ' ') + "<kids>\n";
    expected += "  " + std::string(2 * cap, ' ') + "<kids/>\n";
    for (std::size_t depth = length - 1; depth >= 1; --depth)
        expected += "  " + std::string(2 * std::min(depth, cap), ' ') + "</kids>\n";
    expected += "  </object>\n";
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected) << text.substr(0, 400);
    EXPECT_EQ(errors.text(), "");
}

TEST_F(ResultSetTest, TwoVariablesAreRefused) {
    Error::setOutputFilter(1 | 2 | 4 | 8 | 32 | 64);
    EXPECT_EQ(output("?- d1[M ->> X].", {{object("para"), p1}}), "<result>\n");
    EXPECT_EQ(errors.text(),
              "\n*** ERROR : NotAsResultSet\nResult cannot be printed as ResultSet\n"
              "PrettyPrinter(Impl)::makeOutput\n"
              "Only results of single-variable queries printed as result-sets. \n"
              "Error Number: 13\nOrigin Number: 12\n\n");
    // The printer goes on in another style; the debug channel is as it was.
    printer->style("bound");
    ChannelCapture debug(debugChannel());
    EXPECT_EQ(output("?- p(X).", {{p1}}), "X/p1   \n\n% 1 output(s) printed \n");
    EXPECT_EQ(debug.text(), "");
}

}  // namespace

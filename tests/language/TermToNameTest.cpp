// termToName over a main-memory object manager holding facts.
#include <gtest/gtest.h>

#include "ParseTreeTestSupport.h"
#include "foundation/ErrorHandler.h"
#include "language/TermToName.h"
#include "objectbase/MainMemOM.h"

using language_test::TreeBuilder;

namespace {

class TermToNameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        omOwner = Ref<MainMemOM>::make();
        om = omOwner.get();
        centralErrorHandler().reset();
    }
    void TearDown() override { omOwner.reset(); }

    // Terms are named through the object manager's own table, as the shell's program does.
    FunctionTerm* constant(const std::string& text, int kind = InternalName::Function) {
        return b.own(new FunctionTerm(om->giveSymTab()->GetFSymbol(text, kind, 0), nullptr));
    }
    FunctionTerm* function(const std::string& name, std::vector<FTerm*> args) {
        auto* list = new clib_list<FTerm*>;
        for (FTerm* arg : args) list->append(arg);
        return b.own(new FunctionTerm(
            om->giveSymTab()->GetFSymbol(name, InternalName::Function, int(args.size())), list));
    }
    InternalName object(const std::string& text) {
        InternalName name;
        return om->internName(name, text, InternalName::Function);
    }
    InternalName nameOf(const Path* term) {
        InternalName out(7, InternalName::Object, 0);
        return termToName(*om, out, term);
    }

    TreeBuilder b;
    // The fixture holds the manager; the tests borrow it through the plain pointer.
    Ref<MainMemOM> omOwner;
    MainMemOM* om = nullptr;
};

}  // namespace

TEST_F(TermToNameTest, Constants) {
    const InternalName a = object("a");
    const InternalName text = object("\"hello\"");
    EXPECT_EQ(nameOf(constant("a")), a);
    EXPECT_EQ(nameOf(constant("\"hello\"", InternalName::String)), text);
    // Numbers are their own identifiers, floats as well as integers.
    EXPECT_EQ(nameOf(constant("42", InternalName::Integer)), object("42"));
    EXPECT_EQ(nameOf(constant("#2.5", InternalName::Float)), object("#2.5"));
    EXPECT_EQ(nameOf(constant("#2.5", InternalName::Float)).getType(), InternalName::Float);
    EXPECT_EQ(nameOf(constant("unknown")), InternalName::UndefinedObject);
    EXPECT_EQ(nameOf(b.var("X")), InternalName::UndefinedObject);
    EXPECT_EQ(nameOf(nullptr), InternalName::UndefinedObject);
}

TEST_F(TermToNameTest, FunctionTermsWithArguments) {
    const InternalName a = object("a");
    const InternalName one = object("1");
    const InternalName args[] = {a, one};
    InternalName stored;
    ASSERT_EQ(om->getFunctionObject(om->giveSymTab()->GetFSymbol("f", InternalName::Function, 2),
                                    args, 2, stored),
              1);
    EXPECT_EQ(nameOf(function("f", {constant("a"), constant("1", InternalName::Integer)})), stored);
    EXPECT_EQ(nameOf(function("f", {constant("a"), constant("2", InternalName::Integer)})),
              InternalName::UndefinedObject);
    EXPECT_EQ(nameOf(function("g", {constant("a")})), InternalName::UndefinedObject);
}

TEST_F(TermToNameTest, ScalarPaths) {
    const InternalName a = object("a");
    const InternalName m = object("m");
    const InternalName v = object("v");
    const InternalName w = object("w");
    const InternalName s = object("s");
    const InternalName one = object("1");
    ASSERT_EQ(om->insertMethodValue(a, m, nullptr, 0, 0, v), 1);
    ASSERT_EQ(om->insertMethodValue(a, m, &one, 1, 0, w), 1);
    ASSERT_EQ(om->insertMethodValue(a, s, nullptr, 0, 1, v), 1);
    ASSERT_EQ(om->insertMethodValue(v, m, nullptr, 0, 0, w), 1);

    EXPECT_EQ(nameOf(b.step(constant("a"), constant("m"))), v);
    EXPECT_EQ(nameOf(b.step(constant("a"), constant("m"), {constant("1", InternalName::Integer)})),
              w);
    EXPECT_EQ(nameOf(b.step(b.step(constant("a"), constant("m")), constant("m"))), w);
    // A set-valued step has no single identifier.
    EXPECT_EQ(nameOf(b.step(constant("a"), constant("s"), {}, 1)), InternalName::UndefinedObject);
    EXPECT_EQ(nameOf(b.step(constant("a"), constant("n"))), InternalName::UndefinedObject);
    EXPECT_EQ(nameOf(b.mol(constant("a"))), InternalName::UndefinedObject);
}

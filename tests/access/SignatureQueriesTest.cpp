// Tests of the signature queries that the XML export asks: which classes take part in signatures
// and the class an object is exported as.
#include <gtest/gtest.h>

#include <memory>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

const InternalName Free = InternalName::UndefinedObject;

// c[m => r], d :: c with d[m2 => r], e[n =>> s], t[k@(a) => u], r :: top.
class SignatureQueriesTest : public AccessTest {
  protected:
    void SetUp() override {
        AccessTest::SetUp();
        for (const char* name :
             {"c", "d", "e", "t", "r", "s", "u", "a", "top", "q", "m", "m2", "n", "k", "sub"})
            names[name] = object(name);
        signature(6, "c", "m", {}, "r");
        signature(6, "d", "m2", {}, "r");
        signature(7, "e", "n", {}, "s");
        signature(6, "t", "k", {"a"}, "u");
        access->insertClassRelation(at("d"), at("c"), 2);
        access->insertClassRelation(at("r"), at("top"), 2);
        access->insertClassRelation(at("sub"), at("r"), 2);
    }

    InternalName at(const std::string& name) { return names.at(name); }
    void signature(int type, const std::string& cls, const std::string& method,
                   std::vector<std::string> args, const std::string& result) {
        std::vector<InternalName> argNames;
        for (const std::string& arg : args) argNames.push_back(at(arg));
        access->insertValue(at(cls), at(method), argNames.data(), static_cast<int>(argNames.size()),
                            type, at(result));
    }
    // The members of a set the caller owns.
    static Row members(set<InternalName>* classes) {
        std::unique_ptr<set<InternalName>> owned(classes);
        Row row;
        for (auto item = owned->first_item(); item != nullptr; item = owned->next_item(item))
            row.push_back(owned->key(item));
        return row;
    }
    InternalName instance(const std::string& name, std::initializer_list<const char*> classes) {
        const InternalName x = object(name);
        for (const char* cls : classes) access->insertClassRelation(x, at(cls), 1);
        return x;
    }

    std::map<std::string, InternalName> names;
};

}  // namespace

TEST_F(SignatureQueriesTest, ClassesWithSignaturesOfTheirOwn) {
    EXPECT_EQ(access->hasSignatures(at("c")), 1);
    EXPECT_EQ(access->hasSignatures(at("e")), 1);
    EXPECT_EQ(access->hasSignatures(at("t")), 1);
    EXPECT_EQ(access->hasSignatures(at("r")), 0);
    EXPECT_EQ(access->hasSignatures(at("q")), 0);
}

TEST_F(SignatureQueriesTest, ResultAndArgumentTypes) {
    EXPECT_EQ(access->isResultType(at("r")), 1);
    EXPECT_EQ(access->isResultType(at("s")), 1);
    EXPECT_EQ(access->isResultType(at("u")), 1);
    // A declared result also types its superclasses.
    EXPECT_EQ(access->isResultType(at("top")), 1);
    EXPECT_EQ(access->isResultType(at("a")), 0);
    EXPECT_EQ(access->isResultType(at("q")), 0);

    EXPECT_EQ(access->isArgumentType(at("a")), 1);
    EXPECT_EQ(access->isArgumentType(at("u")), 0);
    EXPECT_EQ(access->isArgumentType(at("r")), 0);
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(SignatureQueriesTest, SignatureClassesOfAnObject) {
    const InternalName w = instance("w", {"d"});
    // Through d :: c the object is also an instance of c; both declare signatures.
    const Row classes = members(access->signatureClassesOf(w, 1));
    EXPECT_EQ(classes.size(), 2u);
    EXPECT_NE(std::find(classes.begin(), classes.end(), at("c")), classes.end());
    EXPECT_NE(std::find(classes.begin(), classes.end(), at("d")), classes.end());
    EXPECT_EQ(members(access->signatureClassesOf(at("d"), 2)), Row{at("c")});
    EXPECT_EQ(members(access->signatureClassesOf(instance("plain", {"q"}), 1)), Row{});
}

TEST_F(SignatureQueriesTest, TypeClassOfNoneOneAndSeveral) {
    InternalName out;
    EXPECT_EQ(access->typeClassOf(out, instance("none", {"q"})), builtinObject::Object);
    EXPECT_EQ(access->typeClassOf(out, instance("bare", {})), builtinObject::Object);
    EXPECT_EQ(access->typeClassOf(out, instance("one", {"e", "q"})), at("e"));
    EXPECT_EQ(access->typeClassOf(out, instance("result", {"sub"})), at("r"));
    // The most specific of several.
    EXPECT_EQ(access->typeClassOf(out, instance("several", {"d"})), at("d"));
}

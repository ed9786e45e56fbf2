// Tests of the signature queries that the XML export asks: which classes take part in signatures
// and the class an object is exported as.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

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
        access->insertClassRelation(at("d"), at("c"), IsaRelation::Subclass);
        access->insertClassRelation(at("r"), at("top"), IsaRelation::Subclass);
        access->insertClassRelation(at("sub"), at("r"), IsaRelation::Subclass);
    }

    InternalName at(const std::string& name) { return names.at(name); }
    void signature(int type, const std::string& cls, const std::string& method,
                   std::vector<std::string> args, const std::string& result) {
        std::vector<InternalName> argNames;
        for (const std::string& arg : args) argNames.push_back(at(arg));
        access->insertValue(at(cls), at(method), argNames.data(), static_cast<int>(argNames.size()),
                            MethodType(type), at(result));
    }
    // The members of a set the caller owns.
    static Row members(const std::unique_ptr<set<InternalName>>& owned) {
        Row row;
        for (auto item = owned->first_item(); item != nullptr; item = owned->next_item(item))
            row.push_back(owned->key(item));
        return row;
    }
    InternalName instance(const std::string& name, std::initializer_list<const char*> classes) {
        const InternalName x = object(name);
        for (const char* cls : classes)
            access->insertClassRelation(x, at(cls), IsaRelation::Member);
        return x;
    }

    std::map<std::string, InternalName> names;
};

}  // namespace

TEST_F(SignatureQueriesTest, ClassesWithSignaturesAndTheirResultAndArgumentTypes) {
    // A declared result also types its superclasses (top).
    const struct {
        const char* name;
        int own, result, argument;
    } cases[] = {{"c", 1, 0, 0}, {"e", 1, 0, 0},   {"t", 1, 0, 0}, {"r", 0, 1, 0}, {"s", 0, 1, 0},
                 {"u", 0, 1, 0}, {"top", 0, 1, 0}, {"a", 0, 0, 1}, {"q", 0, 0, 0}};
    for (const auto& each : cases) {
        EXPECT_EQ(access->hasSignatures(at(each.name)), each.own) << each.name;
        EXPECT_EQ(access->isResultType(at(each.name)), each.result) << each.name;
        EXPECT_EQ(access->isArgumentType(at(each.name)), each.argument) << each.name;
    }
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(SignatureQueriesTest, SignatureClassesOfAnObject) {
    const InternalName w = instance("w", {"d"});
    // Through d :: c the object is also an instance of c; both declare signatures.
    Row classes = members(access->signatureClassesOf(w, 1));
    std::sort(classes.begin(), classes.end());
    Row both{at("c"), at("d")};
    std::sort(both.begin(), both.end());
    EXPECT_EQ(classes, both);
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

TEST_F(SignatureQueriesTest, AWalkFindsTheClassesOfEveryObjectAsASingleQueryDoes) {
    // p :: d and d :: p close a cycle, and sub2 :: d: p and sub2 have the same direct
    // superclass, and p lies in the closure of sub2's but is left out of its own.
    for (const char* name : {"p", "sub2"}) names[name] = object(name);
    signature(6, "p", "m", {}, "r");
    access->insertClassRelation(at("p"), at("d"), IsaRelation::Subclass);
    // Stored in the base as it is: the access layer would record the cycle as an equality.
    access->om()->insertIsa(at("d"), at("p"), 2);
    access->insertClassRelation(at("sub2"), at("d"), IsaRelation::Subclass);
    const std::vector<InternalName> objects{instance("w1", {"d"}),
                                            instance("w2", {"d"}),
                                            instance("w3", {"d", "e"}),
                                            instance("w4", {"p"}),
                                            instance("w5", {}),
                                            instance("w6", {"q"}),
                                            at("p"),
                                            at("sub2"),
                                            at("d"),
                                            at("c"),
                                            at("sub"),
                                            at("r")};
    std::vector<Row> single;
    for (const InternalName& x : objects)
        for (int kind : {1, 2}) single.push_back(members(access->signatureClassesOf(x, kind)));
    EXPECT_EQ(single[2 * 7 + 1], (Row{at("c"), at("d"), at("p")})) << "sub2 :: d";

    ASSERT_TRUE(access->openSignatureWalk());
    std::size_t asked = 0;
    for (const InternalName& x : objects)
        for (int kind : {1, 2}) {
            Row walked;
            access->signatureClassesOf(x, kind, walked);
            EXPECT_EQ(walked, single[asked]) << "object " << asked / 2 << " kind " << kind;
            ++asked;
        }
    access->closeSignatureWalk();
}

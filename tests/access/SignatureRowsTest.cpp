// Differential tests of SignatureRows: the rows it reads from the frames are those, in the same
// order, that the signature iterator walks for a lookup with the class bound and every other cell
// free, over inherited signatures, set results, arguments, changes and merged classes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "AccessTestSupport.h"
#include "access/SignatureRows.h"
#include "objectbase/MainMemFrames.h"

using namespace access_test;

namespace {

class SignatureRowsTest : public AccessTest {
  protected:
    void SetUp() override {
        AccessTest::SetUp();
        for (const char* name : {"a", "b", "c", "d", "e", "m", "n", "t", "u", "v", "w", "z"})
            names.push_back(object(name));
    }
    InternalName at(const char* name) { return object(name); }

    // The rows of the iterator road, one after another, flattened.
    Row iteratorRows(MethodType type, const InternalName& cls, const InternalName& method,
                     int argCount) {
        Row pattern(static_cast<std::size_t>(argCount + 3), Free);
        pattern[0] = cls;
        pattern[1] = method;
        auto it =
            Ref<Iterator>::adopt(access->makeSigIter(type, pattern.data(), argCount + 3, nullptr));
        Row flat;
        for (const Row& row : drain(it.get())) flat.insert(flat.end(), row.begin(), row.end());
        it.reset();
        return flat;
    }
    // Every class and method of the fixture, every arrow and up to two arguments: the rows read
    // from the frames (with one reader for all lookups, as a walk keeps it) against the
    // iterator's. Answers the number of rows compared.
    std::size_t expectSameRows() {
        SignatureRows reader(*access);
        std::size_t compared = 0;
        for (const InternalName& cls : names)
            for (const char* method : {"m", "n"})
                for (MethodType type : {MethodType::ScalarSignature, MethodType::SetSignature,
                                        MethodType::AttributeSetSignature})
                    for (int argCount = 0; argCount <= 2; ++argCount) {
                        const Row expected = iteratorRows(type, cls, at(method), argCount);
                        Row read;
                        reader.append(type, cls, at(method), argCount, read);
                        EXPECT_EQ(read, expected)
                            << "class " << cls << " method " << method << " type " << code(type)
                            << " arguments " << argCount;
                        // The same with the class's own entry handed in, as the walk over the
                        // signatures does for a class that declares the signature itself.
                        InternalName own;
                        const MainMemObjFrame* frame = om->getObjFrame(cls);
                        if (frame != nullptr &&
                            frame->lookupMethod(at(method), code(type), argCount, own) != 0) {
                            Row handed;
                            reader.append(type, cls, at(method), argCount, handed, &own);
                            EXPECT_EQ(handed, expected)
                                << "class " << cls << " method " << method << " type " << code(type)
                                << " arguments " << argCount << " own entry";
                        }
                        // The results visited without the rows: the first row's first, and
                        // without arguments, met again or not, the results of every row.
                        Row visited;
                        auto visit = [&](const InternalName& result) {
                            visited.push_back(result);
                            return true;
                        };
                        EXPECT_TRUE(reader.visitResults(type, cls, at(method), argCount,
                                                        SignatureRows::ResultVisit(visit)));
                        const std::size_t width = std::size_t(argCount + 3);
                        EXPECT_EQ(visited.empty(), expected.empty());
                        if (!visited.empty() && !expected.empty()) {
                            EXPECT_EQ(visited.front(), expected[width - 1]);
                        }
                        if (argCount == 0) {
                            Row distinct;
                            for (const InternalName& result : visited)
                                if (std::find(distinct.begin(), distinct.end(), result) ==
                                    distinct.end())
                                    distinct.push_back(result);
                            Row results;
                            for (std::size_t row = 0; row < expected.size(); row += width)
                                results.push_back(expected[row + width - 1]);
                            EXPECT_EQ(distinct, results) << "class " << cls << " method " << method
                                                         << " type " << code(type);
                        }
                        compared += expected.size();
                    }
        return compared;
    }
    void signature(const char* cls, const char* method, Row args, const InternalName& result,
                   MethodType type = MethodType::ScalarSignature) {
        access->insertValue(at(cls), at(method), args.data(), static_cast<int>(args.size()), type,
                            result);
    }
    void signatureSet(const char* cls, const char* method, Row args, Row results,
                      MethodType type = MethodType::SetSignature) {
        set<InternalName> members;
        for (const InternalName& each : results) members.insert(each);
        access->insertSet(at(cls), at(method), args.data(), static_cast<int>(args.size()), type,
                          members);
    }
    void subclass(const char* below, const char* above) {
        access->insertClassRelation(at(below), at(above), IsaRelation::Subclass);
    }

    std::vector<InternalName> names;
};

}  // namespace

TEST_F(SignatureRowsTest, InheritedSignaturesOverSeveralClasses) {
    subclass("a", "b");
    subclass("b", "c");
    subclass("d", "c");
    subclass("t", "u");
    subclass("u", "w");
    signature("c", "m", {}, at("t"));
    signature("b", "m", {}, at("v"));
    signature("a", "m", {}, at("u"));
    signature("d", "n", {}, at("w"));
    signature("b", "n", {at("t")}, at("u"));
    signature("b", "n", {at("v")}, at("t"));
    signature("c", "n", {at("u"), at("t")}, at("t"));
    EXPECT_GT(expectSameRows(), 10u);
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(SignatureRowsTest, SetResultsOfSeveralTypes) {
    subclass("a", "b");
    subclass("t", "u");
    subclass("v", "u");
    signatureSet("b", "m", {}, {at("t"), at("v")});
    // Types with and without classes above them other than themselves.
    subclass("z", "u");
    signatureSet("a", "m", {}, {at("t"), at("w"), at("z")});
    signatureSet("c", "m", {}, {at("e"), at("t")});
    signatureSet("a", "n", {at("t")}, {at("w"), at("t")}, MethodType::AttributeSetSignature);
    signatureSet("b", "n", {}, {}, MethodType::SetSignature);
    signature("a", "n", {at("w")}, at("t"));
    signature("b", "n", {at("v"), at("t")}, at("u"));
    EXPECT_GT(expectSameRows(), 5u);
}

TEST_F(SignatureRowsTest, SignaturesAddedOrRemovedBetweenLookups) {
    subclass("a", "b");
    subclass("t", "u");
    signature("b", "m", {}, at("t"));
    const std::size_t before = expectSameRows();
    signature("a", "m", {}, at("u"));
    signature("a", "n", {at("t")}, at("u"));
    const std::size_t added = expectSameRows();
    EXPECT_GT(added, before);
    om->removeMethodValue(at("b"), at("m"), nullptr, 0, code(MethodType::ScalarSignature), at("t"));
    EXPECT_LT(expectSameRows(), added);
    subclass("u", "w");
    expectSameRows();
}

TEST_F(SignatureRowsTest, EqualityMergingAClass) {
    subclass("a", "b");
    subclass("c", "d");
    subclass("t", "u");
    signature("b", "m", {}, at("t"));
    signature("d", "m", {}, at("v"));
    signature("c", "n", {at("t")}, at("u"));
    expectSameRows();
    int recorded = 0;
    access->equate(at("b"), at("c"), recorded);
    ASSERT_EQ(recorded, 1);
    EXPECT_EQ(access->applyEqualities(), 1);
    EXPECT_GT(expectSameRows(), 3u);
}

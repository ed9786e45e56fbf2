// The classes that take part in signatures, found in one walk for a whole export, against the
// same question asked class by class: over random class hierarchies with signatures of every
// kind they must agree for every object of the base.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "AccessTestSupport.h"
#include "access/SignatureClasses.h"

using namespace access_test;

namespace {

class SignatureClassesTest : public AccessTest {
  protected:
    // n classes k0.. in a random hierarchy, each with a few random signatures (=>, =>> and
    // @=>>, some with arguments) whose argument and result classes are other classes, and
    // objects that are members of random classes.
    void randomBase(unsigned seed, int n, bool setResults = false) {
        std::mt19937 random(seed);
        auto pick = [&](int bound) { return static_cast<int>(random() % unsigned(bound)); };
        for (int i = 0; i < n; ++i) classes.push_back(object("k" + std::to_string(i)));
        const InternalName methods[] = {object("m"), object("n"), object("p")};
        for (int i = 1; i < n; ++i)
            if (pick(3) != 0)
                access->insertClassRelation(classes[i], classes[pick(i)], IsaRelation::Subclass);
        for (int i = 0; i < n; ++i) {
            for (int s = pick(3); s > 0; --s) {
                const MethodType type = s == 1    ? MethodType::ScalarSignature
                                        : pick(2) ? MethodType::SetSignature
                                                  : MethodType::AttributeSetSignature;
                std::vector<InternalName> args;
                for (int a = pick(3); a > 0; --a) args.push_back(classes[pick(n)]);
                if (setResults && type != MethodType::ScalarSignature && pick(2) != 0) {
                    set<InternalName> results;
                    for (int r = 1 + pick(3); r > 0; --r) results.insert(classes[pick(n)]);
                    access->insertSet(classes[i], methods[pick(3)], args.data(),
                                      static_cast<int>(args.size()), type, results);
                    continue;
                }
                access->insertValue(classes[i], methods[pick(3)], args.data(),
                                    static_cast<int>(args.size()), type, classes[pick(n)]);
            }
        }
        for (int i = 0; i < 2 * n; ++i) {
            const InternalName x = object("o" + std::to_string(i));
            objects.push_back(x);
            access->insertClassRelation(x, classes[pick(n)], IsaRelation::Member);
        }
    }

    static Row sorted(const std::unique_ptr<set<InternalName>>& classes) {
        Row row;
        for (auto item = classes->first_item(); item != nullptr; item = classes->next_item(item))
            row.push_back(classes->key(item));
        std::sort(row.begin(), row.end());
        return row;
    }

    // Over 40 random bases: the walk's answers for every class, and the export's questions
    // about every object with the walk open, against the questions asked class by class.
    void expectWalkAgrees(bool setResults, bool signatureAccess) {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            TearDown();
            SetUp();
            classes.clear();
            objects.clear();
            randomBase(seed, 14, setResults);
            if (!signatureAccess) {
                StringArgs inheritanceOnly{"inheritance"};
                access->setAccess(&inheritanceOnly);
                ASSERT_EQ(access->signaturesOn(), 0);
            }
            SignatureClasses walk(*access);
            for (const InternalName& cls : classes) {
                const bool asked = access->hasSignatures(cls) != 0 ||
                                   access->isResultType(cls) != 0 ||
                                   access->isArgumentType(cls) != 0;
                EXPECT_EQ(walk.takesPart(cls), asked)
                    << "seed " << seed << " class " << cls.getValue();
            }
            // The results of each gathered signature's lookup, found without its rows, are the
            // results of its rows: the first row's first, and each result at least once.
            const InternalName methods[] = {object("m"), object("n"), object("p")};
            for (const InternalName& cls : classes)
                for (const InternalName& method : methods)
                    for (MethodType type : {MethodType::ScalarSignature, MethodType::SetSignature,
                                            MethodType::AttributeSetSignature})
                        for (int argCount = 0; argCount <= 2; ++argCount) {
                            const Row* rows = walk.rowsOf(type, cls, method, argCount);
                            InternalName first;
                            const int answers =
                                walk.firstResultOf(type, cls, method, argCount, first);
                            Row visited;
                            auto visit = [&](const InternalName& result) {
                                visited.push_back(result);
                                return true;
                            };
                            const bool walked = walk.visitResultsOf(
                                type, cls, method, argCount, SignatureRows::ResultVisit(visit));
                            EXPECT_EQ(walked, answers >= 0);
                            if (rows == nullptr || !signatureAccess) {
                                EXPECT_EQ(answers, -1);
                                continue;
                            }
                            const std::size_t width = std::size_t(argCount + 3);
                            EXPECT_EQ(answers, rows->empty() ? 0 : 1);
                            if (!rows->empty()) {
                                EXPECT_EQ(first, (*rows)[width - 1]);
                            }
                            Row results;
                            for (std::size_t row = 0; row < rows->size(); row += width)
                                results.push_back((*rows)[row + width - 1]);
                            for (Row* each : {&visited, &results}) {
                                std::sort(each->begin(), each->end());
                                each->erase(std::unique(each->begin(), each->end()), each->end());
                            }
                            EXPECT_EQ(visited, results)
                                << "seed " << seed << " class " << cls.getValue() << " arguments "
                                << argCount;
                        }
            // The export's questions about each object give the same classes with the walk open.
            std::vector<Row> before[2];
            for (int kind : {1, 2})
                for (const InternalName& x : objects)
                    before[kind - 1].push_back(sorted(access->signatureClassesOf(x, kind)));
            ASSERT_TRUE(access->openSignatureWalk());
            EXPECT_FALSE(access->openSignatureWalk());
            for (int kind : {1, 2})
                for (std::size_t i = 0; i < objects.size(); ++i)
                    EXPECT_EQ(sorted(access->signatureClassesOf(objects[i], kind)),
                              before[kind - 1][i])
                        << "seed " << seed << " object " << i;
            access->closeSignatureWalk();
        }
        EXPECT_EQ(lastError(), "0/0");
    }

    Row classes;
    Row objects;
};

}  // namespace

TEST_F(SignatureClassesTest, OneWalkAgreesWithTheQuestionsClassByClass) {
    expectWalkAgrees(false, true);
}

TEST_F(SignatureClassesTest, OneWalkAgreesOverSetsOfResultTypes) {
    expectWalkAgrees(true, true);
}

TEST_F(SignatureClassesTest, OneWalkAgreesWithSignatureAccessOff) {
    expectWalkAgrees(true, false);
}

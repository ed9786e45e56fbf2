// Applying random equalities over random facts agrees with the facts mapped through a union-find.
#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "objectbase/BaseConsistency.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"

namespace {

using namespace objectbase_test;

// host, method, argument (undefined without one), member
using MethodFact = std::array<InternalName, 4>;
using Pair = std::array<InternalName, 2>;
using Triple = std::array<InternalName, 3>;  // predicate, two arguments

struct Facts {
    std::set<MethodFact> methods;
    std::set<Pair> isa;
    std::set<Triple> tuples;
    bool operator==(const Facts&) const = default;
};

class MainMemOMApplyModelTest : public ObjectManagerTest {
  protected:
    // Every set-valued fact, instance-of fact and predicate tuple, read through the iterators.
    Facts readBack() {
        Facts facts;
        for (const auto& name : drain(om->objNamesIterator(nullptr), 1)) {
            InternalName host = name[0];
            for (const auto& entry : drain(om->methodIterator(host, 1, nullptr), 3)) {
                InternalName method = entry[0], value = entry[1];
                if (entry[2].getValue() == 0) {
                    for (const auto& m : drain(om->setIterator(value, nullptr), 1))
                        facts.methods.insert({host, method, InternalName::UndefinedObject, m[0]});
                    continue;
                }
                MainMemParamFrame* rows = om->getParamFrame(value);
                for (const auto& row : drain(rows->getIterator(nullptr), 2))
                    for (const auto& m : drain(om->setIterator(row[1], nullptr), 1))
                        facts.methods.insert({host, method, row[0], m[0]});
            }
            for (const auto& cls :
                 drain(om->setIterator(om->getObjFrame(host)->getSetName1(), nullptr), 1))
                facts.isa.insert({host, cls[0]});
        }
        for (const auto& name : drain(om->predNamesIterator(nullptr), 1))
            for (const auto& row : drain(om->getPredFrame(name[0])->getIterator(nullptr), 2))
                facts.tuples.insert({name[0], row[0], row[1]});
        return facts;
    }
};

TEST_F(MainMemOMApplyModelTest, RandomEqualitiesAgreeWithAUnionFind) {
    constexpr int Objects = 14;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TearDown();
        SetUp();
        std::mt19937 random(seed);
        auto pick = [&](int n) { return static_cast<int>(random() % n); };

        // Made in order, so the smallest identifier of a class of equal names is its first one.
        std::vector<std::string> texts;
        std::vector<InternalName> names;
        for (int i = 0; i < Objects; ++i) {
            texts.push_back("n" + std::to_string(i));
            names.push_back(obj(texts.back()));
        }
        const InternalName preds[] = {pred("p", 2), pred("q", 2)};
        std::vector<int> parent(Objects);
        std::iota(parent.begin(), parent.end(), 0);
        auto find = [&](int i) {
            while (parent[i] != i) i = parent[i];
            return i;
        };
        Facts model;
        std::set<InternalName> replaced;

        for (int round = 0; round < 3; ++round) {
            // Facts are stated through the symbols, which find the current representatives.
            for (int f = 0; f < 25; ++f) {
                int a = pick(Objects), b = pick(Objects), c = pick(Objects), d = pick(Objects);
                switch (pick(4)) {
                    case 0:
                    case 1: {
                        bool withArg = pick(2) == 0;
                        InternalName arg = obj(texts[d]);
                        set<InternalName> values;
                        values.insert(obj(texts[c]));
                        om->insertSetMember(obj(texts[a]), obj(texts[b]), &arg, withArg ? 1 : 0, 1,
                                            values);
                        model.methods.insert({names[a], names[b],
                                              withArg ? names[d] : InternalName::UndefinedObject,
                                              names[c]});
                        break;
                    }
                    case 2:
                        om->insertIsa(obj(texts[a]), obj(texts[b]), 1);
                        model.isa.insert({names[a], names[b]});
                        break;
                    default: {
                        InternalName row[] = {obj(texts[a]), obj(texts[b])};
                        om->addPredicate(preds[c % 2], row, 2);
                        model.tuples.insert({preds[c % 2], names[a], names[b]});
                    }
                }
            }
            for (int e = 0; e < 4; ++e) {
                int a = pick(Objects), b = pick(Objects);
                om->equate(obj(texts[a]), obj(texts[b]), 0);
                int ra = find(a), rb = find(b);
                if (ra != rb) parent[std::max(ra, rb)] = std::min(ra, rb);
            }
            om->applyEqualities();

            auto map = [&](const InternalName& name) {
                for (int i = 0; i < Objects; ++i)
                    if (names[i] == name) return names[find(i)];
                return name;
            };
            Facts expected;
            for (const auto& f : model.methods)
                expected.methods.insert({map(f[0]), map(f[1]), map(f[2]), map(f[3])});
            for (const auto& f : model.isa) expected.isa.insert({map(f[0]), map(f[1])});
            for (const auto& f : model.tuples) expected.tuples.insert({f[0], map(f[1]), map(f[2])});
            Facts actual = readBack();
            EXPECT_EQ(actual.methods, expected.methods);
            EXPECT_EQ(actual.isa, expected.isa);
            EXPECT_EQ(actual.tuples, expected.tuples);

            for (int i = 0; i < Objects; ++i) {
                if (find(i) != i) replaced.insert(names[i]);
                EXPECT_EQ(obj(texts[i]), names[find(i)]);
            }
            expectConsistent(om, replaced);
        }
    }
}

}  // namespace

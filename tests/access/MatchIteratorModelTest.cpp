// Tests of the stored-fact iterators against a model: random small object bases built through
// OMAccess are kept beside in plain std containers, and every pattern of bound and free
// positions must yield exactly the model's rows. Then the error reports and re-targeting.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "AccessTestSupport.h"
#include "access/FuncOrPredIter.h"
#include "access/IsaIterator.h"
#include "access/RefIter.h"
#include "objectbase/MainMemFrames.h"

using namespace access_test;

namespace {

// The model rows that agree with every bound cell of the pattern, sorted.
Rows matching(const std::set<Row>& model, const Row& pattern) {
    Rows rows;
    for (const Row& row : model) {
        bool agrees = true;
        for (std::size_t i = 0; i < pattern.size() && agrees; ++i)
            agrees = pattern[i] == Free || pattern[i] == row[i];
        if (agrees) rows.push_back(row);
    }
    return rows;
}

class MatchIteratorModelTest : public AccessTest {
  protected:
    static constexpr int MethodTypes[] = {0, 3, 1, 4, 6};

    // Rows [host, method, args..., value] by (method type, argument count).
    std::map<std::pair<int, int>, std::set<Row>> methods;
    std::map<std::pair<int, int>, std::set<Row>> scalarKeys;  // [host, method, args...] taken
    std::map<int, std::set<Row>> isa;                         // [object, class] by kind
    std::map<int, std::set<Row>> predicates;                  // rows by arity
    std::set<Row> functionTerms;                              // [f, a1, a2, term]
    std::vector<InternalName> objects;
    std::vector<InternalName> values;
    std::vector<InternalName> methodNames;
    FSymbol functionSymbol;
    std::map<int, FSymbol> predicateSymbols;
    std::mt19937 random{1};

    InternalName pick(const std::vector<InternalName>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    void build(unsigned seed) {
        random.seed(seed);
        for (const char* name : {"o0", "o1", "o2", "o3", "o4"}) objects.push_back(object(name));
        for (const char* name : {"m0", "m1", "m2"}) methodNames.push_back(object(name));
        values = objects;
        for (int i = 0; i < 3; ++i) values.push_back(integer(i));
        values.push_back(object("o0"));

        for (int n = 0; n < 60; ++n) {
            const int type = MethodTypes[below(5)];
            const int argCount = below(3);
            Row key{pick(objects), pick(methodNames)};
            for (int i = 0; i < argCount; ++i) key.push_back(pick(values));
            const bool scalar = type == 0 || type == 3;
            if (scalar) {
                // A second value of a scalar method would be an equality, not a fact.
                if (!scalarKeys[{type, argCount}].insert(key).second) continue;
                const InternalName value = pick(values);
                access->insertValue(key[0], key[1], key.data() + 2, argCount, MethodType(type),
                                    value);
                Row row = key;
                row.push_back(value);
                methods[{type, argCount}].insert(row);
            } else {
                set<InternalName> members;
                for (int i = below(3); i >= 0; --i) members.insert(pick(values));
                access->insertSet(key[0], key[1], key.data() + 2, argCount, MethodType(type),
                                  members);
                for (const InternalName& member : members) {
                    Row row = key;
                    row.push_back(member);
                    methods[{type, argCount}].insert(row);
                }
            }
        }
        for (int n = 0; n < 25; ++n) {
            const int kind = 1 + below(3);
            const InternalName o = pick(objects);
            const InternalName c = pick(objects);
            // Straight into the object base: the access layer would turn subclass cycles into
            // equalities instead of storing them.
            om->insertIsa(o, c, kind);
            isa[kind].insert(Row{o, c});
        }
        for (int arity : {1, 2}) {
            predicateSymbols[arity] = symbol("p", InternalName::Predicate, arity);
            for (int n = 0; n < 8; ++n) {
                Row row;
                for (int i = 0; i < arity; ++i) row.push_back(pick(values));
                access->insertPredicate(predicateSymbols[arity], row.data(), arity);
                predicates[arity].insert(row);
            }
        }
        functionSymbol = symbol("f", InternalName::Function, 2);
        for (int n = 0; n < 6; ++n) {
            const InternalName args[] = {pick(values), pick(values)};
            InternalName term;
            access->insertObject(functionSymbol, args, 2, term);
            functionTerms.insert(Row{functionSymbol, args[0], args[1], term});
        }
    }

    // The rows of an iterator, set names in the result column replaced by their members.
    Rows expanded(Iterator* it) {
        Rows rows;
        for (const Row& row : drain(it)) {
            if (row.back().getType() != InternalName::SetName) {
                rows.push_back(row);
                continue;
            }
            MainMemSetFrame* members = om->getSetFrame(row.back());
            if (members == nullptr) continue;
            auto each = Ref<Iterator>::adopt(members->getIterator(nullptr));
            for (const Row& member : drain(each.get())) {
                Row withMember(row.begin(), row.end() - 1);
                withMember.insert(withMember.end(), member.begin(), member.end());
                rows.push_back(withMember);
            }
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    // Patterns for every combination of bound positions: cells taken from a stored row (so most
    // patterns have answers) or drawn at random (so some have none). A bound `first` is the first
    // cell of every pattern.
    template <class Check>
    void forEveryPattern(const std::set<Row>& model, int width, InternalName first, Check check) {
        std::vector<Row> stored(model.begin(), model.end());
        for (int mask = 0; mask < (1 << width); ++mask) {
            for (int trial = 0; trial < 4; ++trial) {
                Row source;
                if (!stored.empty() && trial < 3)
                    source = stored[below(static_cast<int>(stored.size()))];
                Row pattern(width, Free);
                for (int i = 0; i < width; ++i) {
                    if (i == 0 && first != Free) {
                        pattern[i] = first;
                    } else if (mask & (1 << i)) {
                        pattern[i] =
                            source.empty() ? pick(i == 1 ? methodNames : values) : source[i];
                    }
                }
                check(pattern);
            }
        }
    }
};

// The stored-fact is-a iterator of the class that serves the pattern.
Iterator* isaIteratorFor(const Row& p, IsaRelation kind, OM* om) {
    if (p[0] != Free && p[1] != Free) return new FullySpecIsaIter(p[0], p[1], kind, om);
    if (p[0] != Free) return new LeftSpecIsaIter(p[0], p[1], kind, om);
    if (p[1] != Free) return new RightSpecIsaIter(p[0], p[1], kind, om);
    return new UnspecIsaIter(p[0], p[1], kind, om);
}

}  // namespace

TEST_F(MatchIteratorModelTest, EveryPatternYieldsExactlyTheStoredRows) {
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        build(seed);
        // One iterator of each class, re-targeted from pattern to pattern across widths.
        Ref<Iterator> left;
        Ref<Iterator> right;
        Ref<Iterator> common;
        for (const auto& [key, model] : methods) {
            const auto [type, argCount] = key;
            const int width = argCount + 3;
            forEveryPattern(model, width, Free, [&](const Row& pattern) {
                Ref<Iterator>& reused = pattern[0] != Free   ? left
                                        : pattern[1] != Free ? right
                                                             : common;
                if (!reused) {
                    if (pattern[0] != Free)
                        reused =
                            Ref<LeftRefIter>::make(pattern.data(), width, MethodType(type), om);
                    else if (pattern[1] != Free)
                        reused =
                            Ref<RightRefIter>::make(pattern.data(), width, MethodType(type), om);
                    else
                        reused =
                            Ref<CommonRefIter>::make(pattern.data(), width, MethodType(type), om);
                } else {
                    static_cast<RefIter*>(reused.get())
                        ->reinitialize(pattern.data(), width, MethodType(type), om);
                }
                ASSERT_EQ(reused->columns(), width);
                EXPECT_EQ(expanded(reused.get()), matching(model, pattern))
                    << "type " << type << " pattern " << ::testing::PrintToString(pattern);
            });
        }
        left.reset();
        right.reset();
        common.reset();

        for (const auto& [kind, model] : isa) {
            forEveryPattern(model, 2, Free, [&](const Row& p) {
                auto it = Ref<Iterator>::adopt(isaIteratorFor(p, IsaRelation(kind), om));
                EXPECT_EQ(expanded(it.get()), matching(model, p)) << "kind " << kind;
            });
        }

        Ref<Iterator> predicate;
        for (const auto& [arity, model] : predicates) {
            forEveryPattern(model, arity, Free, [&](const Row& pattern) {
                if (!predicate)
                    predicate = Ref<FuncOrPredIter>::make(
                        pattern.data(), arity, StoredAtom::Predicate, predicateSymbols[arity], om);
                else
                    static_cast<FuncOrPredIter*>(predicate.get())
                        ->reinitialize(pattern.data(), arity, StoredAtom::Predicate,
                                       predicateSymbols[arity], om);
                EXPECT_EQ(expanded(predicate.get()), matching(model, pattern));
            });
        }
        predicate.reset();

        forEveryPattern(functionTerms, 4, functionSymbol, [&](const Row& pattern) {
            auto it = Ref<FuncOrPredIter>::make(pattern.data(), 4, StoredAtom::Function,
                                                functionSymbol, om);
            EXPECT_EQ(expanded(it.get()), matching(functionTerms, pattern));
        });

        access->clear();
        methods.clear();
        scalarKeys.clear();
        isa.clear();
        predicates.clear();
        functionTerms.clear();
        objects.clear();
        methodNames.clear();
    }
}

class MatchIteratorErrorTest : public AccessTest {};

TEST_F(MatchIteratorErrorTest, MisuseIsReportedAndYieldsNoRow) {
    const InternalName o = object("o"), m = object("m");
    access->insertValue(o, m, nullptr, 0, MethodType::Scalar, integer(1));
    const InternalName freeHost[] = {Free, m, Free}, freeMethod[] = {Free, Free, Free};
    const InternalName row[] = {o, m, Free};
    struct {
        Ref<Iterator> it;
        const char* report;
    } misuses[] = {
        {Ref<LeftRefIter>::make(freeHost, 3, MethodType::Scalar, om),
         "6/8 Invalid use of LeftRefIter, not allowed to use undefined object for host"},
        {Ref<RightRefIter>::make(freeMethod, 3, MethodType::Scalar, om), "6/7"},
        {Ref<FuncOrPredIter>::make(row, 3, StoredAtom(5), symbol("p", InternalName::Predicate, 3),
                                   om),
         "6/8 Invalid use of FuncOrPredIter, got unknown MethodType"},
        // A pattern that does not fit the is-a class, and one without an object manager.
        {Ref<FullySpecIsaIter>::make(o, Free, IsaRelation::Member, om), "6/9"},
        {Ref<UnspecIsaIter>::make(Free, Free, IsaRelation::Member, nullptr), "6/9"},
    };
    for (auto& misuse : misuses) {
        centralErrorHandler().reset();
        EXPECT_FALSE(misuse.it->first());
        const std::string report =
            lastError() + " " + centralErrorHandler().getError().getMessage();
        EXPECT_EQ(report.substr(0, std::string(misuse.report).size()), misuse.report);
        EXPECT_EQ(misuse.it->atColumn(1), Free);
        EXPECT_EQ(lastError(), "6/6");
        misuse.it.reset();
    }

    auto left = Ref<LeftRefIter>::make(row, 3, MethodType::Scalar, om);
    ASSERT_TRUE(left->first());
    centralErrorHandler().reset();
    EXPECT_EQ(left->atColumn(3), integer(1));
    EXPECT_EQ(lastError(), "0/0");
    EXPECT_EQ(left->atColumn(4), Free);
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Invalid use of MatchIterator::atColumn(int), the result is an undefined object ");
    EXPECT_FALSE(left->next());
    centralErrorHandler().reset();
    EXPECT_EQ(left->atColumn(1), Free);
    EXPECT_EQ(lastError(), "6/6");
}

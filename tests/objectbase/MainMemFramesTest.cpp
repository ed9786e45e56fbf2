// Tests of object frames, set frames and the method iterator.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "objectbase/MainMemFrames.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/SetIterator.h"
#include "support/ChannelCapture.h"

using namespace objectbase_test;

TEST(MainMemObjFrameTest, NewFrameAndInsertLookupPrint) {
    MainMemObjFrame frame;
    EXPECT_EQ(printed(frame), "[ : s0\n  :: s0]\n");

    EXPECT_EQ(frame.insertMethod(obj(5), obj(9), 0, 0), 1);
    EXPECT_EQ(frame.insertMethod(obj(5), obj(8), 0, 0), 0);
    EXPECT_EQ(frame.insertMethod(obj(5), setName(3), 2, 0), 1);
    InternalName value;
    EXPECT_EQ(frame.lookupMethod(obj(5), 0, 0, value), 1);
    EXPECT_EQ(value, obj(9));
    EXPECT_EQ(frame.lookupMethod(obj(5), 0, 1, value), 0);
    frame.setSetName1(setName(7));
    EXPECT_EQ(printed(frame), "[ : s7\n  :: s0\n  o5 -> o9\n  o5 ->> s3]\n");
}

TEST(MainMemObjFrameTest, MethodIteratorFiltersAndReuse) {
    MainMemObjFrame frame;
    frame.insertMethod(obj(3), obj(30), 0, 0);
    frame.insertMethod(obj(2), setName(1), 1, 0);
    frame.insertMethod(obj(1), setName(2), 1, 0);
    frame.insertMethod(obj(4), InternalName(1, InternalName::ParamFrame, 2), 1, 1);
    frame.insertMethod(obj(6), setName(5), 6, 0);

    Iterator* it = frame.methodIterator(1, 0, nullptr);
    ASSERT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(1), obj(1));
    EXPECT_EQ(it->atColumn(2), setName(2));
    EXPECT_EQ(it->atColumn(3), InternalName(0, InternalName::Integer, 0));
    EXPECT_EQ(it->atColumn(4), builtinObject::SetArrow);
    ASSERT_TRUE(it->next());
    EXPECT_EQ(it->atColumn(1), obj(2));
    EXPECT_FALSE(it->next());
    EXPECT_FALSE(it->next());
    EXPECT_EQ(it->columns(), 2);
    {
        ErrorCapture errors;
        EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
        EXPECT_NE(errors.text().find("InvalidUse"), std::string::npos);
    }

    // A reused iterator takes the new filters; the form without arity accepts any arity.
    Iterator* again = frame.methodIterator(1, it);
    EXPECT_EQ(again, it);
    int count = 0;
    for (bool more = again->first(); more; more = again->next()) ++count;
    EXPECT_EQ(count, 3);
    auto any = Ref<Iterator>::adopt(frame.methodIterator(1000, -1, again));
    count = 0;
    for (bool more = any->first(); more; more = any->next()) ++count;
    EXPECT_EQ(count, 5);

    // An iterator of another class is released and replaced.
    MainMemSetFrame members;
    Iterator* setIt = members.getIterator(nullptr);
    auto replaced = Ref<Iterator>::adopt(frame.methodIterator(0, setIt));
    EXPECT_TRUE(replaced->isA("OFrameIterator"));
}

TEST(MainMemObjFrameTest, ReplaceNameMovesKeysAndCollectsPairs) {
    MainMemObjFrame frame;
    frame.insertMethod(obj(5), obj(9), 0, 0);
    frame.insertMethod(obj(7), obj(8), 0, 0);
    frame.insertMethod(obj(5), obj(4), 0, 1);
    frame.insertMethod(obj(2), obj(5), 0, 0);
    clib_dictionary<InternalName, InternalName> pairs;
    EXPECT_NE(frame.replaceName(obj(5), obj(7), pairs), 0);

    InternalName value;
    EXPECT_EQ(frame.lookupMethod(obj(5), 0, 0, value), 0);
    ASSERT_EQ(frame.lookupMethod(obj(7), 0, 0, value), 1);
    EXPECT_EQ(value, obj(8));
    ASSERT_EQ(frame.lookupMethod(obj(7), 0, 1, value), 1);
    EXPECT_EQ(value, obj(4));
    ASSERT_EQ(frame.lookupMethod(obj(2), 0, 0, value), 1);
    EXPECT_EQ(value, obj(7));
    EXPECT_EQ(frame.size(), 3);
    ASSERT_EQ(pairs.size(), 1);
    EXPECT_EQ(pairs.key(pairs.first_item()), obj(9));
    EXPECT_EQ(pairs.inf(pairs.first_item()), obj(8));

    clib_dictionary<InternalName, InternalName> none;
    EXPECT_EQ(frame.replaceName(obj(99), obj(98), none), 0);
    EXPECT_EQ(none.size(), 0);
}

TEST(MainMemObjFrameTest, ReplaceNameKeepsEntriesAndPairsThatCarryInformation) {
    // Renaming a name to itself must not lose the entries stored under it.
    MainMemObjFrame frame;
    frame.insertMethod(obj(5), obj(9), 0, 0);
    frame.insertMethod(obj(5), obj(5), 1, 0);
    clib_dictionary<InternalName, InternalName> pairs;
    frame.replaceName(obj(5), obj(5), pairs);
    InternalName value;
    ASSERT_EQ(frame.lookupMethod(obj(5), 0, 0, value), 1);
    EXPECT_EQ(value, obj(9));
    ASSERT_EQ(frame.lookupMethod(obj(5), 1, 0, value), 1);
    EXPECT_EQ(value, obj(5));
    EXPECT_EQ(pairs.size(), 0);

    // A collision of equal values adds no pair, so it cannot overwrite the pair of a real one.
    MainMemObjFrame twice;
    twice.insertMethod(obj(5), obj(9), 0, 0);
    twice.insertMethod(obj(7), obj(8), 0, 0);
    twice.insertMethod(obj(5), obj(9), 0, 1);
    twice.insertMethod(obj(7), obj(9), 0, 1);
    EXPECT_EQ(twice.replaceName(obj(5), obj(7), pairs), 1);
    ASSERT_EQ(pairs.size(), 1);
    EXPECT_EQ(pairs.inf(pairs.lookup(obj(9))), obj(8));
    EXPECT_EQ(twice.size(), 2);
}

// Entries stored at random under keys of every type and arity are found, refused when the key
// is taken, and walked in key order through every filter, as a std::map keyed by
// (type, arity, method) holds them.
TEST(MainMemObjFrameTest, EntriesAgreeWithAnOrderedMap) {
    std::mt19937 random{46};
    for (int round = 0; round < 20; ++round) {
        MainMemObjFrame frame;
        std::map<std::tuple<int, int, InternalName>, InternalName> twin;
        const int spread = round % 2 == 0 ? 6 : 60;
        for (int step = 0; step < 300; ++step) {
            const int type = int(random() % 9), args = int(random() % 3);
            const InternalName method = obj(int(random() % unsigned(spread)));
            const InternalName value = obj(1000 + int(random() % 100));
            const bool fresh = twin.emplace(std::make_tuple(type, args, method), value).second;
            ASSERT_EQ(frame.insertMethod(method, value, type, args), fresh ? 1 : 0);
            InternalName found;
            ASSERT_EQ(frame.lookupMethod(method, type, args, found), 1);
            EXPECT_EQ(found, twin[std::make_tuple(type, args, method)]);
        }
        EXPECT_EQ(frame.size(), int(twin.size()));
        Ref<Iterator> it;  // handed back to each call, which re-targets it
        for (int typeFilter : {1000, 0, 1, 6}) {
            for (int arityFilter : {-1, 0, 2}) {
                std::vector<std::pair<InternalName, InternalName>> walked, expected;
                it.renew([&](Iterator* old) {
                    return frame.methodIterator(typeFilter, arityFilter, old);
                });
                for (bool more = it->first(); more; more = it->next())
                    walked.emplace_back(it->atColumn(1), it->atColumn(2));
                for (const auto& [key, value] : twin) {
                    const auto& [type, args, method] = key;
                    if ((typeFilter == 1000 || type == typeFilter) &&
                        (arityFilter == -1 || args == arityFilter))
                        expected.emplace_back(method, value);
                }
                EXPECT_EQ(walked, expected) << typeFilter << " " << arityFilter;
            }
        }
    }
}

// Entries keep their values' kinds and flags exactly, whether the frame holds them in place (up
// to two) or out of line, and through the superclass set name moving them out of line; values of
// one key and of different kinds are told apart.
TEST(MainMemObjFrameTest, ValuesOfEveryKindSurviveInPlaceAndOutOfLine) {
    const std::vector<InternalName> values{
        obj(7),
        num(-3),
        setName(9),
        InternalName(11, InternalName::String, 0),
        InternalName(12, InternalName::ParamFrame, 3),
        InternalName(0x3f800000, InternalName::Float, 0),
        InternalName(-5, InternalName::Object, -1),
    };
    for (std::size_t count = 1; count <= values.size(); ++count) {
        for (bool superclasses : {false, true}) {
            MainMemObjFrame frame;
            for (std::size_t i = 0; i < count; ++i) {
                if (superclasses && i == 1) frame.setSetName2(setName(77));
                ASSERT_EQ(frame.insertMethod(obj(int(100 - i)), values[i], int(i % 3), 0), 1);
            }
            if (superclasses && count == 1) frame.setSetName2(setName(77));
            EXPECT_EQ(frame.size(), int(count));
            for (std::size_t i = 0; i < count; ++i) {
                InternalName found;
                ASSERT_EQ(frame.lookupMethod(obj(int(100 - i)), int(i % 3), 0, found), 1);
                EXPECT_EQ(found, values[i]);
                EXPECT_EQ(found.getArity(), values[i].getArity());
                EXPECT_EQ(frame.lookupMethod(obj(int(100 - i)), int(i % 3) + 3, 0, found), 0);
            }
            EXPECT_EQ(frame.getSetName2(),
                      superclasses ? setName(77) : InternalName(InternalName::InitialSetName));
            // A value renamed to one of another kind keeps its key.
            clib_dictionary<InternalName, InternalName> pairs;
            EXPECT_EQ(frame.replaceName(values[0], num(41), pairs), 2);
            InternalName found;
            ASSERT_EQ(frame.lookupMethod(obj(100), 0, 0, found), 1);
            EXPECT_EQ(found, num(41));
            EXPECT_EQ(frame.removeMethod(obj(100), 0, 0), 1);
            EXPECT_EQ(frame.size(), int(count) - 1);
            frame.clear();
            EXPECT_EQ(frame.size(), 0);
            EXPECT_EQ(frame.getSetName2(),
                      superclasses ? setName(77) : InternalName(InternalName::InitialSetName));
        }
    }
}

// An empty entry reads the empty shape, and entries made before the table of shapes grew past
// thousands of new ones still read their own key and value.
TEST(MainMemObjFrameTest, EntriesKeepTheirShapesWhileTheTableGrows) {
    const MethodSlot empty;
    EXPECT_EQ(empty.key(), MethodKey());
    EXPECT_EQ(empty.value(), InternalName());
    const MethodSlot early(MethodKey(2, 1, obj(900001)), setName(5));
    std::vector<MethodSlot> slots;
    for (int i = 0; i < 5000; ++i)
        slots.emplace_back(MethodKey(i % 3, i % 4, obj(900100 + i)), num(i));
    EXPECT_EQ(early.key(), MethodKey(2, 1, obj(900001)));
    EXPECT_EQ(early.value(), setName(5));
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(slots[std::size_t(i)].key(), MethodKey(i % 3, i % 4, obj(900100 + i)));
        ASSERT_EQ(slots[std::size_t(i)].value(), num(i));
    }
    EXPECT_EQ(empty.key(), MethodKey());
}

// Entries added while an object frame is walked (inherited values are) are met when their key
// comes after the entry the walk stands on and not otherwise; none is met twice, and the value
// read is the entry's own.
TEST(MainMemObjFrameTest, AWalkGoesOnAfterItsEntryWhenEntriesAreAdded) {
    MainMemObjFrame frame;
    for (int i = 1; i <= 5; ++i) frame.insertMethod(obj(10 * i), obj(100 + i), 0, 0);
    auto it = Ref<Iterator>::adopt(frame.methodIterator(0, nullptr));
    std::vector<std::pair<int, int>> seen;
    for (bool more = it->first(); more; more = it->next()) {
        seen.emplace_back(it->atColumn(1).getValue(), it->atColumn(2).getValue());
        if (it->atColumn(1) == obj(20)) {
            frame.insertMethod(obj(5), obj(99), 0, 0);
            frame.insertMethod(obj(25), obj(98), 0, 0);
        }
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{
                        {10, 101}, {20, 102}, {25, 98}, {30, 103}, {40, 104}, {50, 105}}));
}

// The in-place walk meets what the iterator meets: every entry in key order, entries added
// behind it while it runs, none added before it, and it goes on past an entry taken out under it.
TEST(MainMemObjFrameTest, AnInPlaceWalkMeetsWhatTheIteratorMeets) {
    MainMemObjFrame frame;
    for (int i = 1; i <= 5; ++i) frame.insertMethod(obj(10 * i), obj(100 + i), i % 3, 0);
    frame.insertMethod(obj(30), obj(200), 1, 2);
    frame.insertMethod(obj(60), obj(201), 7, 0);
    using Seen = std::tuple<int, int, int>;
    std::vector<Seen> iterated;
    auto it = Ref<Iterator>::adopt(frame.methodIterator(1000, nullptr));
    for (bool more = it->first(); more; more = it->next())
        iterated.emplace_back(it->atColumn(1).getValue(), it->atColumn(2).getValue(),
                              int(it->atColumn(3).asFloat()));
    it.reset();
    std::vector<Seen> walked;
    frame.forEachEntry([&](const MethodKey& key, const InternalName& value) {
        walked.emplace_back(key.method.getValue(), value.getValue(), key.argCount);
    });
    EXPECT_EQ(walked, iterated);
    ASSERT_EQ(walked.size(), 7u);

    MainMemObjFrame changing;
    for (int i = 1; i <= 5; ++i) changing.insertMethod(obj(10 * i), obj(100 + i), 0, 0);
    std::vector<std::pair<int, int>> seen;
    changing.forEachEntry([&](const MethodKey& key, const InternalName& value) {
        seen.emplace_back(key.method.getValue(), value.getValue());
        if (key.method == obj(20)) {
            changing.insertMethod(obj(5), obj(99), 0, 0);
            changing.insertMethod(obj(25), obj(98), 0, 0);
        }
        if (key.method == obj(30)) changing.removeMethod(obj(30), 0, 0);
    });
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{
                        {10, 101}, {20, 102}, {25, 98}, {30, 103}, {40, 104}, {50, 105}}));

    // An entry whose value is replaced under the walk (taken out and stored again) is met once,
    // and the walk goes on past it.
    MainMemObjFrame replaced;
    for (int i = 1; i <= 4; ++i) replaced.insertMethod(obj(10 * i), obj(100 + i), 0, 0);
    std::vector<std::pair<int, int>> met;
    replaced.forEachEntry([&](const MethodKey& key, const InternalName& value) {
        met.emplace_back(key.method.getValue(), value.getValue());
        if (key.method == obj(20)) {
            replaced.removeMethod(obj(20), 0, 0);
            replaced.insertMethod(obj(20), obj(77), 0, 0);
        }
    });
    EXPECT_EQ(met, (std::vector<std::pair<int, int>>{{10, 101}, {20, 102}, {30, 103}, {40, 104}}));
    InternalName now;
    ASSERT_EQ(replaced.lookupMethod(obj(20), 0, 0, now), 1);
    EXPECT_EQ(now, obj(77));
}

namespace {

// A model of one object frame written from its contract: entries in a std::map keyed by
// (type, arity, method), the three set names beside them.
struct ObjFrameModel {
    using Key = std::tuple<int, int, InternalName>;
    std::map<Key, InternalName> entries;
    InternalName sets[3] = {InternalName::InitialSetName, InternalName::InitialSetName,
                            InternalName::UndefinedObject};

    // Keys holding the old name move to the new one unless that key is taken (the taken value
    // stays and the two differing values are paired); values holding the old name take the new.
    int rename(const InternalName& oldName, const InternalName& newName,
               std::vector<std::pair<InternalName, InternalName>>& pairs) {
        int status = 0;
        std::vector<Key> moved;
        for (auto& [key, value] : entries) {
            const auto& [type, args, method] = key;
            if (method == oldName) {
                auto target = entries.find(Key(type, args, newName));
                if (target != entries.end() && target->second != value)
                    pairs.emplace_back(value, target->second);
                moved.push_back(key);
                status = 1;
            }
            if (value == oldName) {
                value = newName;
                status = 2;
            }
        }
        for (const Key& key : moved) {
            const auto& [type, args, method] = key;
            const InternalName value = entries.at(key);
            entries.emplace(Key(type, args, newName), value);
            if (oldName != newName) entries.erase(key);
        }
        return status;
    }

    std::string print() const {
        static const char* const arrows[] = {"->",   "->>", "->>", "*->", "*->>",
                                             "*->>", "=>",  "=>>", "=>>"};
        std::string text = "[ : " + sets[0].ToString() + "\n  :: " + sets[1].ToString();
        for (const auto& [key, value] : entries)
            text += "\n  " + std::get<2>(key).ToString() + " " + arrows[std::get<0>(key)] + " " +
                    value.ToString();
        return text + "]\n";
    }
};

std::vector<std::pair<InternalName, InternalName>> pairsOf(
    const clib_dictionary<InternalName, InternalName>& pairs) {
    std::vector<std::pair<InternalName, InternalName>> list;
    for (auto it = pairs.first_item(); it != nullptr; it = pairs.next_item(it))
        list.emplace_back(pairs.key(it), pairs.inf(it));
    return list;
}

}  // namespace

// Random inserts, lookups, renames, set names and clears over names of every kind, arities up
// to the largest a key holds: the frame answers, walks, prints and pairs as the model does.
TEST(MainMemObjFrameTest, AgreesWithAModelUnderRenamesAndClears) {
    const std::vector<InternalName> names = {
        obj(1),
        obj(2),
        obj(3),
        obj(4),
        obj(5),
        num(-2),
        num(7),
        InternalName(3, InternalName::String, 0),
        InternalName(7, InternalName::Predicate, 2),
        InternalName(-100000, InternalName::Function, -3),
        setName(9),
        InternalName(2147483647, InternalName::Object, 0),
        InternalName(-2147483647 - 1, InternalName::String, 0)};
    const int arities[] = {0, 1, 2, 255, 256, 32767};
    std::mt19937 random{4951};
    auto pick = [&] { return names[random() % names.size()]; };
    for (int round = 0; round < 40; ++round) {
        MainMemObjFrame frame;
        ObjFrameModel model;
        Ref<Iterator> it;  // handed back to each call, which re-targets it
        for (int step = 0; step < 400; ++step) {
            const unsigned op = random() % 100;
            if (op < 55) {
                const int type = int(random() % 9), args = arities[random() % 6];
                const InternalName method = pick(), value = pick();
                const bool fresh =
                    model.entries.emplace(std::make_tuple(type, args, method), value).second;
                ASSERT_EQ(frame.insertMethod(method, value, type, args), fresh ? 1 : 0);
            } else if (op < 75) {
                const int type = int(random() % 9), args = arities[random() % 6];
                const InternalName method = pick();
                auto at = model.entries.find(std::make_tuple(type, args, method));
                InternalName found = obj(-1);
                ASSERT_EQ(frame.lookupMethod(method, type, args, found),
                          at != model.entries.end() ? 1 : 0);
                if (at != model.entries.end()) {
                    EXPECT_EQ(found, at->second);
                }
            } else if (op < 88) {
                const InternalName oldName = pick(), newName = random() % 8 == 0 ? oldName : pick();
                std::vector<std::pair<InternalName, InternalName>> expected;
                const int status = model.rename(oldName, newName, expected);
                clib_dictionary<InternalName, InternalName> pairs, expectedPairs;
                for (const auto& [a, b] : expected) expectedPairs.insert(a, b);
                ASSERT_EQ(frame.replaceName(oldName, newName, pairs), status);
                EXPECT_EQ(pairsOf(pairs), pairsOf(expectedPairs));
            } else if (op < 97) {
                const int which = int(random() % 3);
                // Set names, and names of every kind with values at both 32-bit ends.
                const unsigned choice = random() % 8;
                const InternalName name = choice < 2   ? InternalName::InitialSetName
                                          : choice < 6 ? setName(int(random() % 50))
                                                       : pick();
                model.sets[which] = name;
                if (which == 0) frame.setSetName1(name);
                if (which == 1) frame.setSetName2(name);
                if (which == 2) frame.setSetName3(name);
            } else if (op < 98) {
                model.entries.clear();
                frame.clear();
            } else {
                ASSERT_EQ(printed(frame), model.print());
            }
            ASSERT_EQ(frame.size(), int(model.entries.size()));
            EXPECT_EQ(frame.getSetName1(), model.sets[0]);
            EXPECT_EQ(frame.getSetName2(), model.sets[1]);
            EXPECT_EQ(frame.getSetName3(), model.sets[2]);
        }
        for (int typeFilter : {1000, 0, 2, 8}) {
            for (int arityFilter : {-1, 0, 256, 32767}) {
                std::vector<std::vector<InternalName>> expected;
                it.renew([&](Iterator* old) {
                    return frame.methodIterator(typeFilter, arityFilter, old);
                });
                const auto walked = drain(it.get(), 4);
                for (const auto& [key, value] : model.entries) {
                    const auto& [type, args, method] = key;
                    if ((typeFilter == 1000 || type == typeFilter) &&
                        (arityFilter == -1 || args == arityFilter))
                        expected.push_back({method, value, num(args), arrowObject(type)});
                }
                EXPECT_EQ(walked, expected) << typeFilter << " " << arityFilter;
            }
        }
        EXPECT_EQ(printed(frame), model.print());
    }
}

TEST(MainMemSetFrameTest, MembershipReplaceIteratorAndPrint) {
    MainMemSetFrame frame;
    EXPECT_EQ(frame.insert(setName(4)), 1);
    EXPECT_EQ(frame.insert(obj(3)), 1);
    EXPECT_EQ(frame.insert(obj(3)), 0);
    EXPECT_TRUE(frame.contains(obj(3)));
    EXPECT_EQ(frame.replace(obj(1), obj(2)), 0);
    EXPECT_EQ(frame.size(), 2);
    EXPECT_EQ(printed(frame), "{o3,s4}\n");
    EXPECT_EQ(frame.replace(obj(3), obj(6)), 1);
    EXPECT_FALSE(frame.contains(obj(3)));
    EXPECT_TRUE(frame.contains(obj(6)));

    auto it = Ref<Iterator>::adopt(frame.getIterator(nullptr));
    MainMemSetFrame other;
    other.insert(obj(42));
    EXPECT_EQ(other.getIterator(it.get()), it.get());
    ASSERT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(1), obj(42));
    EXPECT_FALSE(it->next());
    it.reset();

    frame.clear();
    EXPECT_EQ(printed(frame), "{}\n");
}

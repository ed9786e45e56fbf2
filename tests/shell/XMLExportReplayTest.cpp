// The XML export's replayed steps against the general road: random bases written both ways, byte
// for byte the same; and the shape cache's compaction.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "shell/ExportTestSupport.h"
#include "shell/FLtoXMLExportHandler.h"
#include "shell/FLtoXMLShapeCache.h"

namespace {

using export_test::ExportTest;

class XMLExportReplayTest : public ExportTest {
  protected:
    std::string exportedBy(ShapeReplay replay, const std::string& docType) {
        ExportRequest request;
        request.format = 2;
        request.docType = docType;
        const auto handler = Ref<FLtoXMLExportHandler>::make(access, replay);
        return debugOf([&] { handler->exportOM(request); });
    }

    // A base of a few classes whose signatures declare single values, sets and entries with
    // an argument, and of objects whose entries take random subsets of the methods, values of
    // random kinds (strings, numbers, objects, sets): many hosts of a class set share their
    // shapes, and some break them now and then.
    void randomBase(std::mt19937& random) {
        const auto pick = [&](int below) { return int(random() % unsigned(below)); };
        const int classCount = 2 + pick(4);
        const int objectCount = 10 + pick(60);
        std::vector<InternalName> classes;
        for (int c = 0; c < classCount; ++c) classes.push_back(obj("c" + std::to_string(c)));
        for (int c = 1; c < classCount; ++c)
            if (pick(3) == 0) sub(classes[std::size_t(c)], classes[std::size_t(pick(c))]);
        const InternalName string = obj("string");
        const InternalName integer = obj("integer");
        std::vector<InternalName> objects;
        for (int o = 0; o < objectCount; ++o) objects.push_back(obj("o" + std::to_string(o)));
        const auto anyObject = [&] { return objects[std::size_t(pick(objectCount))]; };
        const auto anyClass = [&] { return classes[std::size_t(pick(classCount))]; };
        const int methodCount = 3 + pick(5);
        for (int m = 0; m < methodCount; ++m) {
            const InternalName method = obj("m" + std::to_string(m));
            for (const InternalName& cls : classes) {
                if (pick(3) == 0) continue;
                switch (pick(5)) {
                    case 0:
                        value(cls, method, 6, string);
                        break;
                    case 1:
                        value(cls, method, 6, pick(2) == 0 ? integer : anyClass());
                        break;
                    case 2:
                        members(cls, method, 7, {anyClass()});
                        break;
                    case 3:
                        members(cls, method, 7, {string});
                        break;
                    default:
                        value(cls, method, 6, anyClass(), {anyClass()});
                        break;
                }
            }
        }
        for (const InternalName& object : objects) {
            isa(object, anyClass());
            if (pick(6) == 0) isa(object, anyClass());
            // Mostly the same methods for the objects of a class, the kinds of values varying
            // now and then.
            for (int m = 0; m < methodCount; ++m) {
                if (pick(4) == 0) continue;
                const InternalName method = obj("m" + std::to_string(m));
                switch ((m + (pick(5) == 0 ? pick(5) : 0)) % 5) {
                    case 0:
                        value(object, method, 0, str("text " + std::to_string(pick(20))));
                        break;
                    case 1:
                        value(object, method, 0,
                              pick(2) == 0 ? obj(std::to_string(pick(100))) : anyObject());
                        break;
                    case 2:
                        members(object, method, 1, {anyObject(), anyObject()});
                        break;
                    case 3:
                        members(object, method, 1,
                                {str("a" + std::to_string(pick(3))), anyObject()});
                        break;
                    default:
                        value(object, method, 0, anyObject(), {anyObject()});
                        break;
                }
            }
        }
        // Parts held by one host alone nest in its element, unless some part is held twice.
        const InternalName piece = obj("piece");
        const InternalName part = obj("part"), parts = obj("parts"), label = obj("label");
        value(piece, label, 6, string);
        for (const InternalName& cls : classes) {
            if (pick(4) != 0) value(cls, part, 6, piece);
            if (pick(4) != 0) members(cls, parts, 7, {piece});
        }
        std::vector<InternalName> pieces;
        const auto anyPiece = [&](const std::string& name) {
            if (!pieces.empty() && pick(40) == 0)
                return pieces[std::size_t(pick(int(pieces.size())))];
            pieces.push_back(obj(name));
            isa(pieces.back(), piece);
            if (pick(3) != 0) value(pieces.back(), label, 0, str(name));
            return pieces.back();
        };
        for (std::size_t o = 0; o < objects.size(); ++o) {
            const std::string name = "p" + std::to_string(o);
            if (pick(4) != 0) value(objects[o], part, 0, anyPiece(name));
            if (pick(3) == 0)
                members(objects[o], parts, 1, {anyPiece(name + "a"), anyPiece(name + "b")});
        }
        // A string with a frame of its own, now and then.
        if (pick(4) == 0) value(str("text 1"), obj("m0"), 0, anyObject());
    }
};

TEST_F(XMLExportReplayTest, RandomBasesAreWrittenAlikeWithAndWithoutReplay) {
    int nesting = 0;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        TearDown();
        SetUp();
        std::mt19937 random(seed);
        randomBase(random);
        const std::string docType = seed % 5 == 0 ? "c1" : "";
        const std::string general = exportedBy(ShapeReplay::General, docType);
        EXPECT_EQ(exportedBy(ShapeReplay::Replay, docType), general);
        // The general road writes elements: the bases are not empty.
        EXPECT_NE(general.find(" id='"), std::string::npos);
        nesting += general.find("<part") != std::string::npos;
    }
    // Some bases nest parts in their hosts.
    EXPECT_GT(nesting, 10);
}

// A shape per (method, kind of value): the slots of a frame in this test.
std::vector<MethodSlot> slotsOf(const std::vector<int>& kinds) {
    std::vector<MethodSlot> slots;
    for (std::size_t at = 0; at < kinds.size(); ++at)
        slots.emplace_back(
            MethodKey(0, 0, objectbase_test::obj(int(900 + at))),
            kinds[at] == 0 ? objectbase_test::obj(1) : objectbase_test::num(kinds[at]));
    return slots;
}

struct TestStep {
    std::uint32_t shape = 0;
    int mark = 0;
};

// A class set decided again and again for hosts of other shapes keeps one program's steps, not
// every one it had: the list is compacted, and what is found stays right.
TEST(FLtoXMLShapeCacheTest, ADecidedAgainClassSetLeavesNoTrail) {
    FLtoXMLShapeCache<TestStep> cache;
    const auto record = [&](int classSet, const std::vector<MethodSlot>& slots, int mark) {
        cache.start(classSet, 0, slots.size());
        for (const MethodSlot& slot : slots) cache.add() = TestStep{slot.shapeNumber(), mark};
        cache.finish(mark);
    };
    const std::vector<MethodSlot> other = slotsOf({0, 0});
    record(1, other, 7);
    for (int round = 0; round < 1000; ++round) {
        // Longer and shorter in turn: the longer find no room in place.
        const std::vector<MethodSlot> slots =
            slotsOf(std::vector<int>(std::size_t(1 + round % 6), 0));
        record(0, slots, round);
        const TestStep* found = cache.find(0, 0, slots.data(), slots.size());
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found[0].mark, round);
        EXPECT_EQ(cache.declaredOf(0), round);
        ASSERT_NE(cache.find(1, 0, other.data(), other.size()), nullptr);
        EXPECT_EQ(cache.find(1, 0, other.data(), other.size())->mark, 7);
    }
    EXPECT_LT(cache.stepsKept(), 200u);
    // Other shapes, another place or count: not found.
    const std::vector<MethodSlot> numbers = slotsOf({3, 0});
    EXPECT_EQ(cache.find(1, 0, numbers.data(), numbers.size()), nullptr);
    EXPECT_EQ(cache.find(1, 1, other.data(), other.size()), nullptr);
    EXPECT_EQ(cache.find(1, 0, other.data(), 1), nullptr);
    EXPECT_EQ(cache.find(5, 0, other.data(), other.size()), nullptr);
    // A record abandoned or incomplete leaves nothing to find.
    cache.start(1, 0, 2);
    cache.abandon();
    EXPECT_EQ(cache.find(1, 0, other.data(), other.size()), nullptr);
    record(1, other, 8);
    cache.start(1, 0, 2);
    cache.add() = TestStep{other[0].shapeNumber(), 9};
    cache.finish();
    EXPECT_EQ(cache.find(1, 0, other.data(), other.size()), nullptr);
}

}  // namespace

// Reference counting and the reuse of pooled storage.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "foundation/ManagedObject.h"

namespace {

struct Probe : ManagedObject {
    explicit Probe(int* destroyed) : destroyed(destroyed) {}
    ~Probe() override { ++*destroyed; }
    int* destroyed;
    char payload[40] = {};
};

// A size no other test object has, so free-list counts are ours alone.
struct OddSized : ManagedObject {
    char payload[1237] = {};
};

TEST(ManagedObjectTest, LastReleaseDestroysAndStorageIsReused) {
    int destroyed = 0;
    auto* p = new Probe(&destroyed);
    EXPECT_TRUE(p->isPooled());
    decRef(nullptr);  // null is ignored either way
    incRef(nullptr);
    incRef(p);
    decRef(p);
    EXPECT_EQ(destroyed, 0);
    void* storage = p;
    decRef(p);
    EXPECT_EQ(destroyed, 1);
    auto* q = new Probe(&destroyed);
    EXPECT_EQ(static_cast<void*>(q), storage);
    decRef(q);
}

TEST(ManagedObjectTest, GlobalsAndLocalsSurviveReleases) {
    int destroyed = 0;
    {
        Probe local(&destroyed);
        EXPECT_FALSE(local.isPooled());
        for (int i = 0; i < 70000; ++i) incRef(&local);  // beyond any 16-bit count
        for (int i = 0; i < 70001; ++i) decRef(&local);
        EXPECT_EQ(destroyed, 0);
        EXPECT_EQ(local.refCount(), 1);
    }
    EXPECT_EQ(destroyed, 1);  // the scope, not a release, ended it
}

// Holds another managed object and releases it when it goes.
struct Holder : ManagedObject {
    Holder(ManagedObject* held, int* destroyed) : held(held), destroyed(destroyed) {}
    ~Holder() override {
        decRef(held);
        ++*destroyed;
    }
    ManagedObject* held;
    int* destroyed;
};

// A base whose constructor allocates before the derived part is built.
struct AllocatingBase : ManagedObject {
    explicit AllocatingBase(int* destroyed) : inner(new Probe(destroyed)) {}
    ~AllocatingBase() override { decRef(inner); }
    Probe* inner;
};

struct Derived : AllocatingBase {
    explicit Derived(int* destroyed) : AllocatingBase(destroyed), destroyed(destroyed) {}
    ~Derived() override { ++*destroyed; }
    int* destroyed;
};

Probe* makeProbe(int* destroyed) {
    return new Probe(destroyed);
}

TEST(ManagedObjectTest, ObjectsBuiltInsideAnotherNewAreStillPooled) {
    int destroyed = 0;
    auto* outer = new Holder(new Probe(&destroyed), &destroyed);
    EXPECT_TRUE(outer->isPooled());
    EXPECT_TRUE(outer->held->isPooled());
    decRef(outer);
    EXPECT_EQ(destroyed, 2);  // the holder and what it held

    destroyed = 0;
    auto* viaCall = new Holder(makeProbe(&destroyed), &destroyed);
    EXPECT_TRUE(viaCall->isPooled());
    decRef(viaCall);
    EXPECT_EQ(destroyed, 2);

    destroyed = 0;
    auto* derived = new Derived(&destroyed);
    EXPECT_TRUE(derived->isPooled());
    EXPECT_TRUE(derived->inner->isPooled());
    decRef(derived);
    EXPECT_EQ(destroyed, 2);
}

// The compiler takes every operator delete for one that frees; this one only releases.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#pragma GCC diagnostic ignored "-Wfree-nonheap-object"
TEST(ManagedObjectTest, DeleteIsOneRelease) {
    int destroyed = 0;
    auto* shared = new Probe(&destroyed);
    incRef(shared);
    delete shared;  // another holder still has it
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(shared->refCount(), 1);
    auto* other = new Probe(&destroyed);
    EXPECT_NE(static_cast<void*>(other), static_cast<void*>(shared));  // storage not handed out
    delete shared;
    EXPECT_EQ(destroyed, 1);
    delete other;
    EXPECT_EQ(destroyed, 2);

    Probe local(&destroyed);
    Probe* asBase = &local;
    delete asBase;  // a local lives as long as its scope
    EXPECT_EQ(destroyed, 2);
}
#pragma GCC diagnostic pop

TEST(ManagedObjectTest, ReleasePoolsKeepsHalfOrNone) {
    releasePools(1);
    std::vector<OddSized*> objects;
    for (int i = 0; i < 5; ++i) objects.push_back(new OddSized);
    EXPECT_EQ(poolUsedBlocks(sizeof(OddSized)), 5u);
    for (auto* o : objects) decRef(o);
    EXPECT_EQ(poolFreeBlocks(sizeof(OddSized)), 5u);
    EXPECT_EQ(poolUsedBlocks(sizeof(OddSized)), 0u);
    releasePools(0);
    EXPECT_EQ(poolFreeBlocks(sizeof(OddSized)), 3u);
    releasePools(0);
    releasePools(0);
    EXPECT_EQ(poolFreeBlocks(sizeof(OddSized)), 1u);  // a single block is kept
    releasePools(0);
    EXPECT_EQ(poolFreeBlocks(sizeof(OddSized)), 1u);
    releasePools(1);
    EXPECT_EQ(poolFreeBlocks(sizeof(OddSized)), 0u);
}

TEST(ManagedObjectTest, GrowingThePoolsKeepsEarlierLists) {
    auto* small = new OddSized;
    decRef(small);
    std::size_t before = poolFreeBlocks(sizeof(OddSized));
    struct Huge : ManagedObject {
        char payload[30000] = {};
    };
    auto* huge = new Huge;
    EXPECT_EQ(poolFreeBlocks(sizeof(OddSized)), before);
    decRef(huge);
    EXPECT_EQ(poolFreeBlocks(sizeof(Huge)), 1u);
}

// Objects of sizes no other test uses, small ones carved from slabs and large ones taken from
// the heap one by one.
template <std::size_t N>
struct Sized : ManagedObject {
    unsigned char payload[N];
};
using Small1 = Sized<171>;
using Small2 = Sized<339>;
using Small3 = Sized<475>;
using Large1 = Sized<603>;
using Large2 = Sized<1999>;

struct Held {
    ManagedObject* object;
    unsigned char* payload;
    std::size_t length;
    std::size_t kind;
    unsigned char mark;
};

template <class T>
Held make(std::size_t kind, unsigned char mark) {
    auto* object = new T;
    std::memset(object->payload, mark, sizeof object->payload);
    return {object, object->payload, sizeof object->payload, kind, mark};
}

bool intact(const Held& held) {
    for (std::size_t i = 0; i < held.length; ++i)
        if (held.payload[i] != held.mark) return false;
    return true;
}

// Random makes, releases and pool releases through both roads: every object keeps its bytes
// (no two share storage), the counts of blocks in use follow, and once everything is released
// the pools hold no free block of these sizes.
TEST(ManagedObjectTest, RandomUseOfCarvedAndHeapSizes) {
    const std::size_t sizes[] = {sizeof(Small1), sizeof(Small2), sizeof(Small3), sizeof(Large1),
                                 sizeof(Large2)};
    std::size_t before[5];
    for (std::size_t k = 0; k < 5; ++k) before[k] = poolUsedBlocks(sizes[k]);
    std::size_t live[5] = {};
    std::vector<Held> held;
    std::mt19937 random(20261211);
    for (int step = 0; step < 20000; ++step) {
        const unsigned roll = random() % 100;
        if (roll < 55 || held.empty()) {
            const std::size_t kind = random() % 5;
            const auto mark = static_cast<unsigned char>(random());
            switch (kind) {
                case 0:
                    held.push_back(make<Small1>(kind, mark));
                    break;
                case 1:
                    held.push_back(make<Small2>(kind, mark));
                    break;
                case 2:
                    held.push_back(make<Small3>(kind, mark));
                    break;
                case 3:
                    held.push_back(make<Large1>(kind, mark));
                    break;
                default:
                    held.push_back(make<Large2>(kind, mark));
                    break;
            }
            ++live[kind];
        } else if (roll < 98) {
            const std::size_t at = random() % held.size();
            ASSERT_TRUE(intact(held[at]));
            --live[held[at].kind];
            decRef(held[at].object);
            held[at] = held.back();
            held.pop_back();
        } else {
            releasePools(static_cast<int>(random() % 2));
        }
        if (step % 1000 == 0) {
            for (std::size_t k = 0; k < 5; ++k) {
                ASSERT_EQ(poolUsedBlocks(sizes[k]), before[k] + live[k]);
            }
        }
    }
    for (const Held& h : held) {
        ASSERT_TRUE(intact(h));
        decRef(h.object);
    }
    releasePools(1);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(poolUsedBlocks(sizes[k]), before[k]);
        if (before[k] == 0) {
            EXPECT_EQ(poolFreeBlocks(sizes[k]), 0u);
        }
    }
}

}  // namespace

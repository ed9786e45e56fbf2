// Tests of the owning handle: each way of making, copying, moving and handing on a Ref keeps the
// object's count equal to the number of holders, and the last holder destroys it.
#include <gtest/gtest.h>

#include <utility>

#include "foundation/Ref.h"

namespace compile_test {
namespace {

class Node : public ManagedObject {
  public:
    explicit Node(int* destroyed) : destroyed(destroyed) {}

  protected:
    ~Node() override { ++*destroyed; }

  private:
    int* destroyed;
};

class Leaf : public Node {
  public:
    Leaf(int* destroyed, int value) : Node(destroyed), value(value) {}
    int value;
};

TEST(RefTest, MakeHoldsTheFirstReferenceAndTheLastHolderDestroys) {
    int destroyed = 0;
    {
        const Ref<Node> held = Ref<Node>::make(&destroyed);
        EXPECT_EQ(held->refCount(), 1);
        {
            const Ref<Node> copy = held;  // NOLINT(performance-unnecessary-copy-initialization)
            EXPECT_EQ(held->refCount(), 2);
        }
        EXPECT_EQ(held->refCount(), 1);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(RefTest, ShareTakesAReferenceAdoptTakesOneOver) {
    int destroyed = 0;
    auto* node = new Node(&destroyed);
    {
        const Ref<Node> shared = Ref<Node>::share(node);
        EXPECT_EQ(node->refCount(), 2);
    }
    EXPECT_EQ(node->refCount(), 1);
    { const Ref<Node> adopted = Ref<Node>::adopt(node); }
    EXPECT_EQ(destroyed, 1);
}

TEST(RefTest, ADerivedHandleMovesIntoABaseHandleWithoutCounting) {
    int destroyed = 0;
    Ref<Leaf> leaf = Ref<Leaf>::make(&destroyed, 7);
    Leaf* raw = leaf.get();
    Ref<Node> node = std::move(leaf);
    EXPECT_FALSE(leaf);
    EXPECT_EQ(node.get(), raw);
    EXPECT_EQ(raw->refCount(), 1);
    EXPECT_EQ(raw->value, 7);
    node = {};
    EXPECT_EQ(destroyed, 1);
}

TEST(RefTest, ReleaseHandsTheReferenceOnAndAnEmptyHandleHoldsNothing) {
    int destroyed = 0;
    Ref<Node> held = Ref<Node>::make(&destroyed);
    auto handedOn = Ref<Node>::adopt(held.release());
    EXPECT_FALSE(held);
    EXPECT_EQ(handedOn->refCount(), 1);
    handedOn.reset();
    EXPECT_EQ(destroyed, 1);
    const Ref<Node> empty;
    EXPECT_EQ(empty.get(), nullptr);
}

}  // namespace
}  // namespace compile_test

// The randomized search tree: a bin_tree whose interior nodes stay in heap order of random
// priorities.
#pragma once

#include "foundation/bin_tree.h"
#include "foundation/random_source.h"

class rs_tree : public bin_tree {
  public:
    rs_tree() = default;
    rs_tree(const rs_tree& other) = default;
    rs_tree& operator=(const rs_tree& other) = default;

  protected:
    std::int32_t node_priority() override {
        return static_cast<std::int32_t>(clib_random_source.next32());
    }
    std::int32_t root_priority() override {
        return static_cast<std::int32_t>(clib_random_source.next32());
    }
    const char* tree_name() const override { return "Randomized Tree"; }
};

// The randomized search tree: a bin_tree whose interior nodes stay in heap order of random
// priorities.
#include "foundation/rs_tree.h"

void rs_tree::insert_rebal(bin_tree_node* u) {
    const std::int32_t p = u->prio;
    // The sentinel stops the climb at the top at the latest.
    sentinel.prio = p;
    bin_tree_node* child = u;
    bin_tree_node* x = u->parent;
    while (p < x->prio) {
        bin_tree_node* moved;
        if (x->left == child) {
            moved = u->right;
            x->left = moved;
            u->right = x;
        } else {
            moved = u->left;
            x->right = moved;
            u->left = x;
        }
        moved->parent = x;
        bin_tree_node* up = x->parent;
        x->parent = u;
        propagate_modification(5, u, x);
        propagate_modification(4, x, moved);
        child = x;
        x = up;
    }
    u->parent = x;
    if (x == &sentinel) {
        sentinel.left = u;
    } else {
        if (x->left == child)
            x->left = u;
        else
            x->right = u;
        propagate_modification(6, x, u);
    }
}

// The randomized search tree: a bin_tree whose interior nodes stay in heap order of random
// priorities.
#include "foundation/rs_tree.h"

// Rotating u up past each node of the path from top down to it gives the same shape as
// splitting that stretch of the path by u's router: the nodes where the path turned right
// route by smaller keys and end up in u's left subtree, chained through their right links,
// the others in u's right subtree, chained through their left links. The new node's path
// below top is short (under two nodes on average), and every node on it is still in the cache
// from the descent that found u's place.
void rs_tree::insert_rebal(bin_tree_node* u, bin_tree_node** top) {
    bin_tree_node* left_part = nullptr;
    bin_tree_node* right_part = nullptr;
    bin_tree_node** left_end = &left_part;
    bin_tree_node** right_end = &right_part;
    bin_tree_node* n = strip(*top);
    while (n != u) {
        bin_tree_node** next;
        if (order(u->key, n->key) > 0) {
            set_link(left_end, n);
            left_end = next = &n->link[1];
        } else {
            set_link(right_end, n);
            right_end = next = &n->link[0];
        }
        n = strip(*next);
    }
    set_link(left_end, child(u, 0));
    set_link(right_end, child(u, 1));
    set_link(&u->link[0], left_part);
    set_link(&u->link[1], right_part);
    set_link(top, u);
}

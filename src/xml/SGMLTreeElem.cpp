// The document tree's element and text nodes: the collection of a subtree's text.
#include "xml/SGMLTreeElem.h"

#include <utility>
#include <vector>

std::string SGMLTreeElem::collectText() const {
    if (isText()) return std::string(getText());
    std::string result;
    // One open child list per level of the walk, instead of one call per level.
    std::vector<const SGMLTreeElem*> open{firstChild};
    while (!open.empty()) {
        const SGMLTreeElem* node = open.back();
        if (node == nullptr) {
            open.pop_back();
            continue;
        }
        open.back() = node->nextSibling;
        if (node->isText()) {
            result += node->getText();
        } else if (node->status == '+' || node->status == '-') {
            open.push_back(node->firstChild);
        }
    }
    return result;
}

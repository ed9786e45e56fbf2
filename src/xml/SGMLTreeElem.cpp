// The document tree's element and text nodes: building, text collection and release.
#include "xml/SGMLTreeElem.h"

#include <utility>
#include <vector>

#include "xml/NameNormalization.h"

SGMLTreeElem::SGMLTreeElem(std::string name, std::string text)
    : name(std::move(name)), text(std::move(text)), status(defaultStatus) {}

SGMLTreeElem::~SGMLTreeElem() {
    releaseContent();
}

void SGMLTreeElem::releaseContent() {
    std::vector<SGMLTreeAttr>().swap(attributes);
    // A node about to be destroyed hands its children to this loop first, so its own
    // destructor finds none; a node still held elsewhere keeps its subtree.
    Children pending;
    pending.swap(children);
    while (!pending.empty()) {
        SGMLTreeElem* node = pending.back();
        pending.pop_back();
        if (node->isPooled() && node->refCount() == 1) {
            pending.insert(pending.end(), node->children.begin(), node->children.end());
            node->children.clear();
        }
        decRef(node);
    }
}

void SGMLTreeElem::addChild(SGMLTreeElem* child) {
    children.push_back(child);
}

void SGMLTreeElem::addText(const std::string& value) {
    children.push_back(new SGMLTreeElem("", normalizeText(value)));
}

void SGMLTreeElem::addAttribute(const std::string& attributeName, const std::string& value,
                                const std::string& type, const std::string& extra) {
    attributes.emplace_back(normalizeName(attributeName), value, type, extra);
}

void SGMLTreeElem::setName(const std::string& value) {
    name = normalizeName(value);
}

std::string SGMLTreeElem::collectText() const {
    if (isText()) return text;
    std::string result;
    // One open child list per level of the walk, instead of one call per level.
    using Position = Children::const_iterator;
    std::vector<std::pair<Position, Position>> open{{children.begin(), children.end()}};
    while (!open.empty()) {
        auto& [next, end] = open.back();
        if (next == end) {
            open.pop_back();
            continue;
        }
        const SGMLTreeElem* node = *next;
        ++next;
        if (node->isText()) {
            result += node->text;
        } else if (node->status == '+' || node->status == '-') {
            open.emplace_back(node->children.begin(), node->children.end());
        }
    }
    return result;
}

// SGMLTreeElem: one element or text node of the document tree an import builds from the event
// stream before it maps the document to objects.
#pragma once

#include <cstddef>
#include <cstring>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

#include "xml/SGMLTreeAttr.h"

class DocumentTree;

// A plain record in its tree's storage (the tree makes, links and frees every node): the tree
// holds every node of a document at once, and a pooled, reference-counted node with its own
// strings and vectors cost about 230 bytes where this one costs 64.
class SGMLTreeElem {
  public:
    SGMLTreeElem(const SGMLTreeElem&) = delete;
    SGMLTreeElem& operator=(const SGMLTreeElem&) = delete;

    // The children in document order, linked through their next sibling.
    class ChildIterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = SGMLTreeElem*;
        using difference_type = std::ptrdiff_t;
        using pointer = SGMLTreeElem* const*;
        using reference = SGMLTreeElem* const&;

        ChildIterator() = default;
        explicit ChildIterator(SGMLTreeElem* node) : node(node) {}
        SGMLTreeElem* operator*() const { return node; }
        ChildIterator& operator++() {
            node = node->nextSibling;
            return *this;
        }
        ChildIterator operator++(int) {
            ChildIterator before = *this;
            node = node->nextSibling;
            return before;
        }
        bool operator==(const ChildIterator&) const = default;

      private:
        SGMLTreeElem* node = nullptr;
    };
    struct Children {
        SGMLTreeElem* first;
        ChildIterator begin() const { return ChildIterator(first); }
        ChildIterator end() const { return ChildIterator(); }
        bool empty() const { return first == nullptr; }
    };

    // Appends the child, a node of the same tree that has no parent yet and, if a text node,
    // has its text.
    void addChild(SGMLTreeElem* child) {
        if (child->isText()) countOwnText(*child);
        if (lastChild == nullptr)
            firstChild = child;
        else
            lastChild->nextSibling = child;
        lastChild = child;
    }
    Children getChildren() const { return {firstChild}; }
    std::span<const SGMLTreeAttr> getAttributes() const { return {attributes, attributeCount}; }
    // The same, for setting their statuses.
    std::span<SGMLTreeAttr> getAttributes() { return {attributes, attributeCount}; }
    const std::string& getName() const { return *name; }
    std::string_view getText() const { return {text, textLength}; }
    // The summed length of the texts of the element's own text children, counted as they are
    // added: the mapping joins them without measuring them first, and passes over the children
    // of an element without text at all (the children of a large element are cold by then).
    // A sum too large to count is ownTextUnknown, and the children must be measured.
    static constexpr unsigned ownTextUnknown = ~0u;
    unsigned getOwnTextLength() const { return ownTextLength; }
    // The text every own text child of the element holds, when they all hold the same one (the
    // blank text between siblings mostly), else null: the mapping then joins them without
    // passing over the children. Only a text among the first two children is looked for, so
    // that finding it costs nothing.
    const SGMLTreeElem* sameOwnText() const {
        if (ownTexts != OwnTexts::same) return nullptr;
        return firstChild->isText() ? firstChild : firstChild->nextSibling;
    }
    bool isText() const { return name->empty(); }
    void setStatus(char value) { status = value; }
    // '+' mapped, '-' dropped with its children taking its place; anything else leaves the
    // element and its subtree out.
    char getStatus() const { return status; }
    // The texts of the subtree's text nodes in document order; an element below contributes
    // only when its status is '+' or '-'.
    std::string collectText() const;

    // The status new elements start with; the import sets it before building a tree.
    static void setDefaultStatus(char value) { defaultStatus = value; }
    static char getDefaultStatus() { return defaultStatus; }

  private:
    friend class DocumentTree;
    SGMLTreeElem(const std::string* name, std::string_view text)
        : name(name), text(text.data()), textLength(static_cast<unsigned>(text.size())) {}

    static inline char defaultStatus = '+';

    const std::string* name;
    const char* text;
    unsigned textLength;
    unsigned attributeCount = 0;
    SGMLTreeAttr* attributes = nullptr;
    SGMLTreeElem* firstChild = nullptr;
    SGMLTreeElem* lastChild = nullptr;
    SGMLTreeElem* nextSibling = nullptr;
    char status = defaultStatus;
    // Whether the element's own text children hold one text (see sameOwnText).
    enum class OwnTexts : char { none, same, differ };
    // In the node's padding.
    OwnTexts ownTexts = OwnTexts::none;
    unsigned ownTextLength = 0;

    // Whether the two nodes hold the same text: the blank text between siblings is mostly
    // shared, else a byte or two, compared without a call.
    static bool sameText(const SGMLTreeElem& a, const SGMLTreeElem& b) {
        if (a.textLength != b.textLength) return false;
        if (a.text == b.text) return true;
        if (a.textLength > 16) return std::memcmp(a.text, b.text, a.textLength) == 0;
        for (unsigned i = 0; i < a.textLength; ++i)
            if (a.text[i] != b.text[i]) return false;
        return true;
    }
    // Counts the text child about to be appended.
    void countOwnText(const SGMLTreeElem& child) {
        if (ownTexts == OwnTexts::none) {
            // The child is the first or the second: sameOwnText finds it there.
            ownTexts = lastChild == firstChild ? OwnTexts::same : OwnTexts::differ;
        } else if (ownTexts == OwnTexts::same) {
            if (!sameText(*sameOwnText(), child)) ownTexts = OwnTexts::differ;
        }
        const unsigned length = child.textLength;
        if (ownTextLength == ownTextUnknown) return;
        ownTextLength =
            length >= ownTextUnknown - ownTextLength ? ownTextUnknown : ownTextLength + length;
    }
};

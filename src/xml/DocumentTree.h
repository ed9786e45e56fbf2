// DocumentTree: the storage of one document's tree of elements, texts and attributes while an
// import maps it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "xml/SGMLTreeAttr.h"
#include "xml/SGMLTreeElem.h"

// The tree owns every node, attribute and text it makes; they live until the mapping has passed
// them (releasePassed), clear() or the tree's end. The storage comes in blocks, carved in the
// order of the document, of up to 64 KB: the allocator hands blocks that small out of its heap
// and takes them back whole, so the room of the part of the document that is mapped goes to the
// objects made from the rest, where small nodes freed one by one stayed scattered in the heap.
// Blocks of a megabyte went back to the system instead, and the objects then took fresh pages
// from it, one page fault each: a document of a million elements faulted in about 150 MB twice.
class DocumentTree {
  public:
    DocumentTree() = default;
    ~DocumentTree();
    DocumentTree(const DocumentTree&) = delete;
    DocumentTree& operator=(const DocumentTree&) = delete;

    // A node linked nowhere yet, its name and text stored as given; an empty name makes a text
    // node. The status is the class-wide default.
    SGMLTreeElem* newNode(std::string_view name, std::string_view text);
    // A node for an element of the event stream, named "error" until setName names it.
    SGMLTreeElem* newElement();
    // A node for an element of the event stream under its normalised name.
    SGMLTreeElem* newElement(std::string_view name) { return place(elementName(name)); }
    // Appends a text node of the normalised text to the element.
    void addText(SGMLTreeElem* element, std::string_view text);
    // The same, for a text the same as the one given to the last addText or addTextAgain.
    void addTextAgain(SGMLTreeElem* element, std::string_view text);
    // Appends an attribute under its normalised name; extra is its namespace prefix.
    void addAttribute(SGMLTreeElem* element, std::string_view name, std::string_view value,
                      std::string_view type, std::string_view extra);
    // Gives the element its normalised name.
    void setName(SGMLTreeElem* element, std::string_view name);
    // The number of elements given a text that is not empty: the mapping names each such
    // element by its text.
    std::size_t textHolders() const { return holders; }

    // True when the node lies in the block a walk in document order last released up to: the
    // walk has then nothing new to release.
    bool inCurrentBlock(const SGMLTreeElem* node) const {
        const auto* at = reinterpret_cast<const char*>(node);
        return std::less_equal<const char*>()(currentStart, at) &&
               std::less<const char*>()(at, currentEnd);
    }
    // For a walk in document order that has reached the node: frees every block made before
    // the node's own (and before the block of its attributes) except those that hold one of the
    // held elements, its text, its attributes or their values. Nodes made after it, and the
    // held ones, stay readable; nothing else may be read again.
    void releasePassed(const SGMLTreeElem* node, const std::vector<const SGMLTreeElem*>& held);
    // Frees every node, attribute and text of the tree.
    void clear();

  private:
    // Blocks carved in order.
    class Region {
      public:
        ~Region() { clear(); }
        // Room for size bytes at the given alignment, a power of two.
        void* allocate(std::size_t size, std::size_t alignment) {
            // A node or text of a document fits the block being carved but once a block.
            if (next != nullptr) {
                const std::size_t pad =
                    (alignment - reinterpret_cast<std::uintptr_t>(next) % alignment) % alignment;
                if (static_cast<std::size_t>(limit - next) >= pad + size) {
                    char* at = next + pad;
                    next = at + size;
                    return at;
                }
            }
            return allocateInNewBlock(size, alignment);
        }
        // Grows the last allocation, of size bytes at at, by extra bytes when the block has
        // the room.
        bool extend(const void* at, std::size_t size, std::size_t extra);
        // Whether the address lies in the block being carved.
        bool inLastBlock(const void* at) const {
            const auto* address = static_cast<const char*>(at);
            return std::less_equal<const char*>()(start, address) &&
                   std::less<const char*>()(address, limit);
        }
        // The number of the live block that holds the address.
        std::size_t blockOf(const void* at) const;
        const char* blockStart(std::size_t number) const { return blocks[number].start; }
        const char* blockEnd(std::size_t number) const {
            return blocks[number].start + blocks[number].size;
        }
        // Frees the blocks numbered below end that are not kept.
        void releaseBelow(std::size_t end, const std::vector<std::size_t>& kept);
        void clear();

      private:
        void* allocateInNewBlock(std::size_t size, std::size_t alignment);
        struct Block {
            char* start;  // null once freed
            std::size_t size;
        };
        std::vector<Block> blocks;
        // The numbers of the live blocks by their addresses, for blockOf.
        std::vector<std::size_t> byAddress;
        // Every block below this number is freed but for those in keptBelow, which a release
        // looks at again; the others it need not pass over once more (a walk of a million
        // elements passed over every block below the first one kept at each release).
        std::size_t scannedUpTo = 0;
        std::vector<std::size_t> keptBelow;
        char* start = nullptr;
        char* next = nullptr;
        char* limit = nullptr;
        std::size_t blockSize = 0;
    };

    std::string_view storeText(std::string_view text);
    // Stores the normalised text of a text node not linked yet.
    void storeTextOf(SGMLTreeElem* node, std::string_view text);
    // A node of the shared name and the text, linked nowhere yet.
    SGMLTreeElem* place(const std::string* name, std::string_view text);
    // The same without a text.
    SGMLTreeElem* place(const std::string* name) {
        void* at = nodes.allocate(sizeof(SGMLTreeElem), alignof(SGMLTreeElem));
        return new (at) SGMLTreeElem(name, {});
    }
    // The shared normalised copy of an element's name as written.
    const std::string* elementName(std::string_view name) {
        if (lastNamed == nullptr || name.size() != lastGivenName.size() ||
            !sameBytes(name.data(), lastGivenName.data(), name.size()))
            nameAnew(name);
        return lastNamed;
    }
    // Whether the n bytes at a and b are the same: a name or a blank text is a few bytes, and
    // a call to compare them cost more than the comparison.
    static bool sameBytes(const char* a, const char* b, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            if (a[i] != b[i]) return false;
        return true;
    }
    void nameAnew(std::string_view name);
    // Links the text node to the element and counts the element when it holds its first text.
    void addTextChild(SGMLTreeElem* element, SGMLTreeElem* node) {
        const bool had = element->getOwnTextLength() != 0;
        element->addChild(node);
        if (!had && element->getOwnTextLength() != 0) ++holders;
    }
    // The tree's one copy of a name, type or prefix: a document repeats a few of them.
    const std::string* shared(std::string_view text);

    // The shared copies of the attribute names, types and prefixes given last, by the text given:
    // the elements of a document mostly repeat the same few attributes, whose name, type and
    // prefix each took a hashed look-up (and the name a normalised copy) every time, a third of
    // an attribute's cost on the way into the tree.
    class RecentAttributeTexts {
      public:
        // The shared copy for the text as given; null when it is not among the recent ones.
        const std::string* find(std::string_view given) const {
            for (const Entry& entry : entries)
                if (entry.shared != nullptr && entry.given.size() == given.size() &&
                    sameBytes(entry.given.data(), given.data(), given.size()))
                    return entry.shared;
            return nullptr;
        }
        void keep(std::string_view given, const std::string* shared) {
            Entry& entry = entries[next];
            next = (next + 1) % entries.size();
            entry.given.assign(given);
            entry.shared = shared;
        }
        void clear() {
            for (Entry& entry : entries) entry.shared = nullptr;
        }

      private:
        struct Entry {
            std::string given;
            const std::string* shared = nullptr;
        };
        std::array<Entry, 4> entries;
        std::size_t next = 0;
    };
    // The normalised attribute name, and the type or prefix, as shared copies.
    const std::string* attributeName(std::string_view name);
    const std::string* attributeText(std::string_view text);

    // Nodes and texts (a node's text, and the values of its attributes, follow the node).
    Region nodes;
    // Attributes apart, so that those of one element, added one after another, stay one array.
    Region attributes;
    // Looked up by view, so that a name met again (every element's) makes no string to find it.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;
    NameSet names;
    // The names found last: a document's nodes mostly repeat the few names of their neighbours
    // (every element is made under a stand-in name and then named), found again without a hash.
    const std::string* recent[2] = {nullptr, nullptr};
    std::size_t holders = 0;
    RecentAttributeTexts recentAttributeNames;
    RecentAttributeTexts recentAttributeTexts;
    // Every element starts under the stand-in name and every text node has the empty one: both
    // are kept at hand once found.
    const std::string* standInName = nullptr;
    const std::string* textName = nullptr;
    // The element name given last as written, and its normalised shared copy.
    std::string lastGivenName;
    const std::string* lastNamed = nullptr;
    // The text the last addText stored when it holds no quote, else empty.
    std::string_view lastText;
    // The nodes' block the last release reached, and the attributes' block.
    const char* currentStart = nullptr;
    const char* currentEnd = nullptr;
    std::size_t attributeFront = 0;
};

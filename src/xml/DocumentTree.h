// DocumentTree: the storage of one document's tree of elements, texts and attributes while an
// import maps it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "xml/SGMLTreeAttr.h"
#include "xml/SGMLTreeElem.h"

// The tree owns every node, attribute and text it makes; they live until clear() or the tree's
// end, and are freed together. The storage comes in blocks of up to a megabyte: a document's
// tree is released in one go after its mapping, and blocks that large go back to the system
// (the import's stores, which grow meanwhile, can take the room), where many small nodes freed
// one by one stayed scattered in the heap.
class DocumentTree {
  public:
    DocumentTree() = default;
    ~DocumentTree();
    DocumentTree(const DocumentTree&) = delete;
    DocumentTree& operator=(const DocumentTree&) = delete;

    // A node linked nowhere yet, its name and text stored as given; an empty name makes a text
    // node. The status is the class-wide default.
    SGMLTreeElem* newNode(std::string_view name, std::string_view text);
    // Appends a text node of the normalised text to the element.
    void addText(SGMLTreeElem* element, const std::string& text);
    // Appends an attribute under its normalised name; extra is its namespace prefix.
    void addAttribute(SGMLTreeElem* element, const std::string& name, std::string_view value,
                      const std::string& type, const std::string& extra);
    // Gives the element its normalised name.
    void setName(SGMLTreeElem* element, const std::string& name);
    // Frees every node, attribute and text of the tree.
    void clear();

  private:
    // Blocks carved in order.
    struct Region {
        // Room for size bytes aligned for any node or attribute.
        void* allocate(std::size_t size);
        // Grows the last allocation, of size bytes at at, by extra bytes when the block has
        // the room.
        bool extend(const void* at, std::size_t size, std::size_t extra);
        void clear();

        std::vector<char*> blocks;
        char* next = nullptr;
        char* limit = nullptr;
        std::size_t blockSize = 0;
    };

    std::string_view storeText(std::string_view text);
    // The tree's one copy of a name, type or prefix: a document repeats a few of them.
    const std::string* shared(std::string_view text);

    // Nodes and texts.
    Region nodes;
    // Attributes apart, so that those of one element, added one after another, stay one array.
    Region attributes;
    std::unordered_set<std::string> names;
};

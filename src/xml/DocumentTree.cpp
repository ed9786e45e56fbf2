// The document tree's storage: blocks carved in order, shared names, the normalised building
// steps.
#include "xml/DocumentTree.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "xml/NameNormalization.h"

namespace {

// Nodes and attributes are never destroyed one by one: the blocks are freed as they are.
static_assert(std::is_trivially_destructible_v<SGMLTreeElem>);
static_assert(std::is_trivially_destructible_v<SGMLTreeAttr>);

constexpr std::size_t alignment = alignof(std::max_align_t);
constexpr std::size_t firstBlock = 16 * 1024;
// The allocator hands blocks of this size straight from the system and gives them back when
// they are freed.
constexpr std::size_t largestBlock = 1024 * 1024;

std::size_t roundUp(std::size_t size) {
    return (size + alignment - 1) & ~(alignment - 1);
}

}  // namespace

DocumentTree::~DocumentTree() {
    clear();
}

void DocumentTree::clear() {
    nodes.clear();
    attributes.clear();
    std::unordered_set<std::string>().swap(names);
}

void DocumentTree::Region::clear() {
    for (char* block : blocks) std::free(block);
    std::vector<char*>().swap(blocks);
    next = limit = nullptr;
    blockSize = 0;
}

void* DocumentTree::Region::allocate(std::size_t size) {
    size = roundUp(size);
    if (next == nullptr || static_cast<std::size_t>(limit - next) < size) {
        blockSize = blockSize == 0 ? firstBlock : std::min(2 * blockSize, largestBlock);
        const std::size_t bytes = std::max(blockSize, size);
        char* block = static_cast<char*>(std::malloc(bytes));
        if (block == nullptr) throw std::bad_alloc();
        blocks.push_back(block);
        next = block;
        limit = block + bytes;
    }
    void* at = next;
    next += size;
    return at;
}

bool DocumentTree::Region::extend(const void* at, std::size_t size, std::size_t extra) {
    const std::size_t grown = roundUp(size + extra) - roundUp(size);
    if (static_cast<const char*>(at) + roundUp(size) != next ||
        static_cast<std::size_t>(limit - next) < grown) {
        return false;
    }
    next += grown;
    return true;
}

std::string_view DocumentTree::storeText(std::string_view text) {
    if (text.empty()) return {};
    char* copy = static_cast<char*>(nodes.allocate(text.size()));
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

const std::string* DocumentTree::shared(std::string_view text) {
    return &*names.emplace(text).first;
}

SGMLTreeElem* DocumentTree::newNode(std::string_view name, std::string_view text) {
    const std::string* sharedName = shared(name);
    const std::string_view storedText = storeText(text);
    return new (nodes.allocate(sizeof(SGMLTreeElem))) SGMLTreeElem(sharedName, storedText);
}

void DocumentTree::addText(SGMLTreeElem* element, const std::string& text) {
    element->addChild(newNode("", normalizeText(text)));
}

void DocumentTree::addAttribute(SGMLTreeElem* element, const std::string& name,
                                std::string_view value, const std::string& type,
                                const std::string& extra) {
    const std::string* sharedName = shared(normalizeName(name));
    const std::string* sharedType = shared(type);
    const std::string* sharedExtra = shared(extra);
    const std::string_view storedValue = storeText(value);
    const std::size_t count = element->attributeCount;
    constexpr std::size_t step = sizeof(SGMLTreeAttr);
    SGMLTreeAttr* array = element->attributes;
    // The array grows in place unless another element's attributes came in between or the
    // block is full; then it moves to fresh room (the old copy stays unused until clear()).
    if (array == nullptr || !attributes.extend(array, count * step, step)) {
        auto* moved = static_cast<SGMLTreeAttr*>(attributes.allocate((count + 1) * step));
        if (count > 0) std::memcpy(static_cast<void*>(moved), array, count * step);
        array = moved;
    }
    new (array + count) SGMLTreeAttr(sharedName, storedValue, sharedType, sharedExtra);
    element->attributes = array;
    element->attributeCount = static_cast<unsigned>(count + 1);
}

void DocumentTree::setName(SGMLTreeElem* element, const std::string& name) {
    element->name = shared(normalizeName(name));
}

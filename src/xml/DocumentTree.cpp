// The document tree's storage: blocks carved in order, shared names, the normalised building
// steps.
#include "xml/DocumentTree.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>

#include "xml/NameNormalization.h"

namespace {

// Nodes and attributes are never destroyed one by one: the blocks are freed as they are.
static_assert(std::is_trivially_destructible_v<SGMLTreeElem>);
static_assert(std::is_trivially_destructible_v<SGMLTreeAttr>);
// A node is a cache line's size: the walk reads a million of them.
static_assert(sizeof(SGMLTreeElem) <= 64);

constexpr std::size_t firstBlock = 16 * 1024;
// Below the size from which the allocator maps blocks straight from the system (128 KB unless
// it has raised it): a freed block stays in its heap for the objects made next.
constexpr std::size_t largestBlock = 64 * 1024;

}  // namespace

DocumentTree::~DocumentTree() {
    clear();
}

void DocumentTree::clear() {
    nodes.clear();
    attributes.clear();
    NameSet().swap(names);
    recent[0] = recent[1] = nullptr;
    recentAttributeNames.clear();
    holders = 0;
    recentAttributeTexts.clear();
    standInName = textName = nullptr;
    lastNamed = nullptr;
    lastGivenName.clear();
    lastText = {};
    currentStart = currentEnd = nullptr;
    attributeFront = 0;
}

void DocumentTree::Region::clear() {
    for (const Block& block : blocks) std::free(block.start);
    std::vector<Block>().swap(blocks);
    std::vector<std::size_t>().swap(byAddress);
    scannedUpTo = 0;
    std::vector<std::size_t>().swap(keptBelow);
    start = next = limit = nullptr;
    blockSize = 0;
}

void* DocumentTree::Region::allocateInNewBlock(std::size_t size, std::size_t alignment) {
    blockSize = blockSize == 0 ? firstBlock : std::min(2 * blockSize, largestBlock);
    const std::size_t bytes = std::max(blockSize, size + alignment - 1);
    char* block = static_cast<char*>(std::malloc(bytes));
    if (block == nullptr) throw std::bad_alloc();
    blocks.push_back({block, bytes});
    const auto at = std::upper_bound(byAddress.begin(), byAddress.end(), block,
                                     [this](const char* start, std::size_t n) {
                                         return std::less<const char*>()(start, blocks[n].start);
                                     });
    byAddress.insert(at, blocks.size() - 1);
    const std::size_t pad =
        (alignment - reinterpret_cast<std::uintptr_t>(block) % alignment) % alignment;
    start = block;
    next = block + pad + size;
    limit = block + bytes;
    return block + pad;
}

bool DocumentTree::Region::extend(const void* at, std::size_t size, std::size_t extra) {
    if (static_cast<const char*>(at) + size != next ||
        static_cast<std::size_t>(limit - next) < extra) {
        return false;
    }
    next += extra;
    return true;
}

std::size_t DocumentTree::Region::blockOf(const void* at) const {
    const char* address = static_cast<const char*>(at);
    // The last block that starts at or before the address.
    const auto after = std::upper_bound(byAddress.begin(), byAddress.end(), address,
                                        [this](const char* a, std::size_t n) {
                                            return std::less<const char*>()(a, blocks[n].start);
                                        });
    return *(after - 1);
}

void DocumentTree::Region::releaseBelow(std::size_t end, const std::vector<std::size_t>& kept) {
    // Frees the block unless it is kept; a kept one below the end is looked at again next time.
    const auto release = [&](std::size_t n) {
        if (std::find(kept.begin(), kept.end(), n) != kept.end()) return false;
        byAddress.erase(std::find(byAddress.begin(), byAddress.end(), n));
        std::free(blocks[n].start);
        blocks[n].start = nullptr;
        return true;
    };
    std::size_t stay = 0;
    for (const std::size_t n : keptBelow) {
        if (n >= end || !release(n)) keptBelow[stay++] = n;
    }
    keptBelow.resize(stay);
    for (std::size_t n = scannedUpTo; n < end; ++n) {
        if (blocks[n].start != nullptr && !release(n)) keptBelow.push_back(n);
    }
    scannedUpTo = std::max(scannedUpTo, end);
}

void DocumentTree::releasePassed(const SGMLTreeElem* node,
                                 const std::vector<const SGMLTreeElem*>& held) {
    const std::size_t nodeFront = nodes.blockOf(node);
    if (node->attributeCount > 0) attributeFront = attributes.blockOf(node->attributes);
    std::vector<std::size_t> keptNodes;
    std::vector<std::size_t> keptAttributes;
    for (const SGMLTreeElem* element : held) {
        keptNodes.push_back(nodes.blockOf(element));
        if (element->textLength > 0) keptNodes.push_back(nodes.blockOf(element->text));
        if (element->attributeCount == 0) continue;
        keptAttributes.push_back(attributes.blockOf(element->attributes));
        for (const SGMLTreeAttr& attribute : element->getAttributes()) {
            if (attribute.valueLength > 0) keptNodes.push_back(nodes.blockOf(attribute.value));
        }
    }
    // The text stored last may lie in a block freed now.
    lastText = {};
    nodes.releaseBelow(nodeFront, keptNodes);
    attributes.releaseBelow(attributeFront, keptAttributes);
    currentStart = nodes.blockStart(nodeFront);
    currentEnd = nodes.blockEnd(nodeFront);
}

std::string_view DocumentTree::storeText(std::string_view text) {
    if (text.empty()) return {};
    char* copy = static_cast<char*>(nodes.allocate(text.size(), 1));
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

const std::string* DocumentTree::shared(std::string_view text) {
    for (const std::string* name : recent) {
        if (name != nullptr && *name == text) return name;
    }
    const auto known = names.find(text);
    const std::string* found = known != names.end() ? &*known : &*names.emplace(text).first;
    recent[1] = recent[0];
    recent[0] = found;
    return found;
}

SGMLTreeElem* DocumentTree::newNode(std::string_view name, std::string_view text) {
    return place(shared(name), text);
}

SGMLTreeElem* DocumentTree::newElement() {
    if (standInName == nullptr) standInName = shared("error");
    return place(standInName);
}

SGMLTreeElem* DocumentTree::place(const std::string* name, std::string_view text) {
    // The text after its node: a walk that reaches the node still finds it.
    SGMLTreeElem* node = place(name);
    const std::string_view stored = storeText(text);
    node->text = stored.data();
    node->textLength = static_cast<unsigned>(stored.size());
    return node;
}

void DocumentTree::addText(SGMLTreeElem* element, std::string_view text) {
    if (textName == nullptr) textName = shared("");
    // The text after its node: a walk that reaches the node still finds it.
    SGMLTreeElem* node = place(textName);
    storeTextOf(node, text);
    // Linked once it has its text, which the element counts.
    addTextChild(element, node);
}

void DocumentTree::storeTextOf(SGMLTreeElem* node, std::string_view text) {
    if (text.empty()) {
        lastText = {};
        return;
    }
    // Siblings are mostly parted by the same blank text: a node made in the block of the text
    // stored last shares it when it is the same, a text without a quote, its own normalised
    // form. The shared text lies before the node, in its block: a walk that reaches the node
    // has released nothing of that block.
    if (text.size() == lastText.size() && nodes.inLastBlock(lastText.data()) &&
        sameBytes(text.data(), lastText.data(), text.size())) {
        node->text = lastText.data();
        node->textLength = static_cast<unsigned>(text.size());
        return;
    }
    // Most texts hold no quote, and are their own normalised form.
    const bool plain = text.find('"') == std::string_view::npos;
    const std::string_view stored = storeText(plain ? text : normalizeText(std::string(text)));
    node->text = stored.data();
    node->textLength = static_cast<unsigned>(stored.size());
    lastText = plain ? stored : std::string_view();
}

void DocumentTree::addTextAgain(SGMLTreeElem* element, std::string_view text) {
    // The text stored last is this one, if it was stored as given: shared without a look at
    // its bytes while it lies in the block the node goes to.
    if (!lastText.empty() && text.size() == lastText.size()) {
        SGMLTreeElem* node = place(textName);
        if (nodes.inLastBlock(lastText.data())) {
            node->text = lastText.data();
            node->textLength = static_cast<unsigned>(text.size());
            addTextChild(element, node);
            return;
        }
        // The node opened a block: the text is stored anew after it.
        const std::string_view stored = storeText(text);
        node->text = stored.data();
        node->textLength = static_cast<unsigned>(stored.size());
        lastText = stored;
        addTextChild(element, node);
        return;
    }
    addText(element, text);
}

void DocumentTree::addAttribute(SGMLTreeElem* element, std::string_view name,
                                std::string_view value, std::string_view type,
                                std::string_view extra) {
    const std::string* sharedName = attributeName(name);
    const std::string* sharedType = attributeText(type);
    const std::string* sharedExtra = attributeText(extra);
    const std::string_view storedValue = storeText(value);
    const std::size_t count = element->attributeCount;
    constexpr std::size_t step = sizeof(SGMLTreeAttr);
    SGMLTreeAttr* array = element->attributes;
    // The array grows in place unless another element's attributes came in between or the
    // block is full; then it moves to fresh room (the old copy stays unused until clear()).
    if (array == nullptr || !attributes.extend(array, count * step, step)) {
        auto* moved = static_cast<SGMLTreeAttr*>(
            attributes.allocate((count + 1) * step, alignof(SGMLTreeAttr)));
        if (count > 0) std::memcpy(static_cast<void*>(moved), array, count * step);
        array = moved;
    }
    new (array + count) SGMLTreeAttr(sharedName, storedValue, sharedType, sharedExtra);
    element->attributes = array;
    element->attributeCount = static_cast<unsigned>(count + 1);
}

const std::string* DocumentTree::attributeName(std::string_view name) {
    if (const std::string* found = recentAttributeNames.find(name)) return found;
    const std::string* made = shared(normalizeName(std::string(name)));
    recentAttributeNames.keep(name, made);
    return made;
}

const std::string* DocumentTree::attributeText(std::string_view text) {
    if (const std::string* found = recentAttributeTexts.find(text)) return found;
    const std::string* made = shared(text);
    recentAttributeTexts.keep(text, made);
    return made;
}

void DocumentTree::setName(SGMLTreeElem* element, std::string_view name) {
    element->name = elementName(name);
}

void DocumentTree::nameAnew(std::string_view name) {
    lastNamed = shared(normalizeName(std::string(name)));
    lastGivenName.assign(name);
}

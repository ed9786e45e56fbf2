// DocumentTreeBuilder: the phases of a document's events and the tree they build.
#include "xml/DocumentTreeBuilder.h"

#include <cctype>

#include "platform/InterruptFlag.h"

DocumentTreeBuilder::DocumentTreeBuilder(DocumentTree& tree, int maxDepth)
    : tree(tree), maxDepth(static_cast<std::size_t>(maxDepth)), rootElement(tree.newElement()) {}

void DocumentTreeBuilder::attribute(std::string_view name, std::string_view type,
                                    std::string_view value) {
    take({Kind::attribute, name, type, value});
}

// Most events are starts, ends and texts of the content: they go to their step directly.
void DocumentTreeBuilder::startElement(std::string_view name) {
    // A start without a name is no element: the tree tells its texts by their empty name, and
    // such a node would be read as a text of its parent's.
    if (name.empty()) {
        unexpected();
        return;
    }
    if (phase == Phase::content) {
        startInContent(name);
    } else {
        take({Kind::start, name, {}, {}});
    }
}

void DocumentTreeBuilder::endElement() {
    if (phase == Phase::content) {
        if (poll()) close();
    } else {
        take({Kind::end, {}, {}, {}});
    }
}

void DocumentTreeBuilder::text(std::string_view text) {
    if (phase == Phase::content) {
        textInTree = poll();
        if (textInTree) tree.addText(open.back(), text);
    } else {
        textInTree = false;
        take({Kind::text, {}, {}, text});
    }
}

void DocumentTreeBuilder::repeatedText(std::string_view text) {
    // The tree shares the text it was given last only when that was this one.
    if (phase != Phase::content || !textInTree) {
        this->text(text);
        return;
    }
    textInTree = poll();
    if (textInTree) tree.addTextAgain(open.back(), text);
}

void DocumentTreeBuilder::processingInstruction() {
    take({Kind::instruction, {}, {}, {}});
}

void DocumentTreeBuilder::identifier(char kind, std::string_view text, bool ofDocumentType) {
    take({ofDocumentType ? Kind::documentTypeIdentifier : Kind::identifier, {}, {}, text, kind});
}

void DocumentTreeBuilder::documentType(std::string_view name) {
    take({Kind::documentType, name, {}, {}});
}

void DocumentTreeBuilder::unexpected() {
    take({Kind::unexpected, {}, {}, {}});
}

void DocumentTreeBuilder::finish() {
    take({Kind::finish, {}, {}, {}});
}

void DocumentTreeBuilder::take(const Event& event) {
    // An event a phase does not read ends that phase and is read by the next one.
    for (;;) {
        switch (phase) {
            case Phase::leadingInstructions:
                if (event.kind == Kind::instruction) return;
                phase = Phase::documentTypeIdentifiers;
                break;
            case Phase::documentTypeIdentifiers:
                if (event.kind == Kind::documentTypeIdentifier) {
                    // Both identifiers are kept: the DTD lookup prefers the system one.
                    const std::string_view id = event.value.substr(0, event.value.find(' '));
                    (event.identifierKind == 's' ? system : publicName).assign(id);
                    return;
                }
                if (event.kind == Kind::identifier) return;
                phase = Phase::passedOver;
                if (event.kind == Kind::documentType) {
                    documentTypeSeen = true;
                    doctypeName.assign(event.name);
                    std::string lower = doctypeName;
                    for (char& c : lower)
                        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                    if (lower == "html") htmlSeen = true;
                    return;
                }
                break;
            case Phase::passedOver:
                // Processing instructions, and the identifiers of entities, carry nothing the
                // tree keeps.
                if (event.kind == Kind::instruction || event.kind == Kind::identifier) return;
                phase = Phase::rootAttributes;
                break;
            case Phase::rootAttributes:
                if (event.kind == Kind::attribute) {
                    addAttribute(rootElement, event);
                    return;
                }
                open.push_back(rootElement);
                phase = Phase::content;
                if (event.kind == Kind::start) {
                    name(rootElement, event.name);
                    return;
                }
                refusal = ParseStop::noDocumentElement;
                break;
            case Phase::elementAttributes:
                if (event.kind == Kind::attribute) {
                    addAttribute(open.back(), event);
                    return;
                }
                // Without its start the element stays open under the stand-in name.
                phase = Phase::content;
                if (event.kind == Kind::start) {
                    name(open.back(), event.name);
                    return;
                }
                break;
            case Phase::content:
                takeContent(event);
                return;
            case Phase::done:
                return;
        }
    }
}

void DocumentTreeBuilder::refuseDepth() {
    refusal = ParseStop::tooDeep;
    phase = Phase::done;
}

SGMLTreeElem* DocumentTreeBuilder::openChild() {
    if (!mayOpen()) return nullptr;
    SGMLTreeElem* element = tree.newElement();
    enter(element);
    return element;
}

void DocumentTreeBuilder::startInContent(std::string_view elementName) {
    if (!poll() || !mayOpen()) return;
    // Named as it is made, rather than made under the stand-in name and named again.
    SGMLTreeElem* element = tree.newElement(elementName);
    enter(element);
    noteHtml(element);
}

void DocumentTreeBuilder::close() {
    open.pop_back();
    if (open.empty()) phase = Phase::done;
}

void DocumentTreeBuilder::takeContent(const Event& event) {
    switch (event.kind) {
        case Kind::start:
            startInContent(event.name);
            return;
        case Kind::attribute:
            // Most elements have no attributes: their start is the one event.
            if (!poll()) return;
            if (SGMLTreeElem* element = openChild()) {
                addAttribute(element, event);
                phase = Phase::elementAttributes;
            }
            return;
        case Kind::text:
            if (poll()) tree.addText(open.back(), event.value);
            return;
        case Kind::instruction:
        case Kind::identifier:
            poll();
            return;
        case Kind::end:
            if (poll()) close();
            return;
        case Kind::finish:
            // Events that end inside an element hold only a part of their document.
            while (phase == Phase::content && poll()) {
                invalid = true;
                if (refusal == ParseStop::none) {
                    refusal = ParseStop::truncated;
                    innermost = open.back()->getName();
                }
                close();
            }
            return;
        default:
            // Any other event ends the element it comes in.
            if (!poll()) return;
            invalid = true;
            close();
            return;
    }
}

void DocumentTreeBuilder::addAttribute(SGMLTreeElem* element, const Event& event) {
    if (event.type == "IMPLIED" || event.value.empty()) return;
    std::string_view name = event.name;
    std::string_view prefix;
    const std::size_t colon = name.find(':');
    if (colon != std::string_view::npos) {
        prefix = name.substr(0, colon);
        name = name.substr(colon + 1);
    }
    tree.addAttribute(element, name, event.value, event.type, prefix);
}

void DocumentTreeBuilder::name(SGMLTreeElem* element, std::string_view text) {
    tree.setName(element, text);
    noteHtml(element);
}

void DocumentTreeBuilder::noteHtmlAnew(const SGMLTreeElem* element) {
    lastNamed = &element->getName();
    if (*lastNamed == "html") htmlSeen = true;
}

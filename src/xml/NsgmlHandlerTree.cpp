// The import's document tree: building it from the event stream, the document type, the HTML
// extraction and the tag-file statuses.
#include <cctype>
#include <string_view>
#include <vector>

#include "access/OMAccess.h"
#include "platform/InterruptFlag.h"
#include "xml/DocumentText.h"
#include "xml/IgnoreTable.h"
#include "xml/NsgmlHandler.h"
#include "xml/SGMLTreeAttr.h"
#include "xml/SGMLTreeElem.h"

namespace {

bool startsWith(std::string_view line, char command) {
    return !line.empty() && line[0] == command;
}

// Processing instructions, and the identifiers of entity definitions ("s", "p" directly followed
// by their text), carry nothing the tree keeps; passing them over keeps the element open.
bool isPassedOver(std::string_view line) {
    if (line.empty()) return false;
    if (line[0] == '?') return true;
    return (line[0] == 's' || line[0] == 'p') && !(line.size() > 1 && line[1] == ' ');
}

std::string firstWord(const std::string& text) {
    return text.substr(0, text.find(' '));
}

}  // namespace

SGMLTreeElem* NsgmlHandler::parseEsis(std::istream& in) {
    EsisReader& reader = state->reader;
    DocumentTree& tree = state->tree;
    SGMLTreeElem* root = tree.newElement();
    while (!reader.atEnd() && startsWith(reader.currentLine(), '?')) reader.readEsisLine(in);
    readDoctype(in);
    while (!reader.atEnd() && isPassedOver(reader.currentLine())) reader.readEsisLine(in);

    auto start = [&](SGMLTreeElem* element) {
        readAttributes(in, element);
        if (!reader.atEnd() && startsWith(reader.currentLine(), '(')) {
            tree.setName(element, reader.currentLine().substr(1));
            if (element->getName() == "html") state->html = 1;
            reader.readEsisLine(in);
            return true;
        }
        return false;
    };
    // The open elements, innermost last: a loop instead of a call per level.
    std::vector<SGMLTreeElem*> open{root};
    if (!start(root)) state->refused = ParseStop::noDocumentElement;
    // An interrupt abandons the import; the driver sees the flag once the tree is returned.
    int lines = 0;
    while (!open.empty() && !((++lines & 4095) == 0 && interruptFlag.load() != 0)) {
        const std::string_view line = reader.currentLine();
        const bool more = !reader.atEnd();
        if (more && (startsWith(line, '(') || startsWith(line, 'A'))) {
            if (open.size() >= static_cast<std::size_t>(maxDepth)) {
                state->refused = ParseStop::tooDeep;
                return root;
            }
            SGMLTreeElem* element = tree.newElement();
            ++state->elements;
            open.back()->addChild(element);
            open.push_back(element);
            // Most elements have no attributes: their start is the one line at hand.
            if (line[0] == '(') {
                tree.setName(element, line.substr(1));
                if (element->getName() == "html") state->html = 1;
                reader.readEsisLine(in);
            } else {
                start(element);
            }
        } else if (more && startsWith(line, '-')) {
            tree.addText(open.back(), line.substr(1));
            reader.readEsisLine(in);
        } else if (more && isPassedOver(line)) {
            reader.readEsisLine(in);
        } else {
            if (!more || !startsWith(line, ')')) state->invalidOutput = 1;
            // A stream that ends inside an element holds only a part of its document.
            if (!more && state->refused == ParseStop::none) {
                state->refused = ParseStop::truncated;
                state->endedInside = open.back()->getName();
            }
            reader.readEsisLine(in);
            open.pop_back();
        }
    }
    return root;
}

void NsgmlHandler::readDoctype(std::istream& in) {
    EsisReader& reader = state->reader;
    while (!reader.atEnd()) {
        const std::string line(reader.currentLine());
        if (startsWith(line, 's') || startsWith(line, 'p')) {
            // Both identifiers are kept: the DTD lookup prefers the system one.
            if (line.size() > 1 && line[1] == ' ') {
                (line[0] == 's' ? state->systemId : state->publicId) = firstWord(line.substr(2));
            }
            reader.readEsisLine(in);
            continue;
        }
        if (!startsWith(line, '!')) return;
        const std::size_t blank = line.find(' ');
        const std::string name = blank == std::string::npos ? "" : line.substr(blank + 1);
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "html") state->html = 1;
        const InternalName doctype = path(state->document, symbol("doctype"));
        state->staged.classRelation(doctype, symbol("doctype"), 1);
        InternalName text;
        access->internName(text, quoted(documentText(name)), 2);
        state->staged.value(doctype, symbol("name"), nullptr, 0, 0, text);
        if (!state->systemId.empty())
            state->systemUrl = insertIdentifier(state->systemId, "system", "systemurl");
        if (!state->publicId.empty())
            state->publicUrl = insertIdentifier(state->publicId, "public", "publicurl");
        reader.readEsisLine(in);
        return;
    }
}

InternalName NsgmlHandler::insertIdentifier(const std::string& identifier, const char* method,
                                            const char* urlMethod) {
    InternalName text;
    access->internName(text, quoted(documentText(identifier)), 2);
    state->staged.value(state->document, symbol(method), nullptr, 0, 1, text);
    InternalName url;
    access->internName(url, resolveIdentifier(identifier), 2);
    state->staged.value(state->document, symbol(urlMethod), nullptr, 0, 1, url);
    state->staged.classRelation(url, builtinObject::Url, 1);
    return url;
}

void NsgmlHandler::readAttributes(std::istream& in, SGMLTreeElem* element) {
    EsisReader& reader = state->reader;
    while (!reader.atEnd() && startsWith(reader.currentLine(), 'A')) {
        const std::string rest(reader.currentLine().substr(1));
        const std::size_t nameEnd = rest.find(' ');
        std::string name = rest.substr(0, nameEnd);
        std::string type;
        std::string value;
        if (nameEnd != std::string::npos) {
            const std::size_t typeEnd = rest.find(' ', nameEnd + 1);
            type = rest.substr(nameEnd + 1, typeEnd == std::string::npos ? std::string::npos
                                                                         : typeEnd - nameEnd - 1);
            if (type != "IMPLIED" && typeEnd != std::string::npos) value = rest.substr(typeEnd + 1);
        }
        std::string prefix;
        const std::size_t colon = name.find(':');
        if (colon != std::string::npos) {
            prefix = name.substr(0, colon);
            name = name.substr(colon + 1);
        }
        if (!value.empty()) state->tree.addAttribute(element, name, value, type, prefix);
        reader.readEsisLine(in);
    }
}

std::string NsgmlHandler::resolveIdentifier(const std::string& identifier) const {
    return resolveUrl(identifier, state->url);
}

void NsgmlHandler::extractHtml(SGMLTreeElem* root) {
    // Children before their element, in document order: the reverse of a walk that takes each
    // element before its children, the last child first.
    std::vector<SGMLTreeElem*> order;
    std::vector<SGMLTreeElem*> pending{root};
    while (!pending.empty()) {
        SGMLTreeElem* element = pending.back();
        pending.pop_back();
        if (element->isText()) continue;
        order.push_back(element);
        for (SGMLTreeElem* child : element->getChildren()) pending.push_back(child);
    }
    for (auto at = order.rbegin(); at != order.rend(); ++at) {
        SGMLTreeElem* element = *at;
        const std::string& name = element->getName();
        if (name == "title" || name == "address") {
            state->staged.value(state->document, symbol(name), nullptr, 0, 1,
                                symbol(quoted(element->collectText())));
        }
        for (const SGMLTreeAttr& attribute : element->getAttributes()) {
            if (attribute.getName() != "href") continue;
            InternalName url;
            access->internName(url, resolveIdentifier(std::string(attribute.getValue())), 2);
            const InternalName text = symbol(quoted(element->collectText()));
            state->staged.value(state->document, hrefs, &text, 1, 1, url);
            state->staged.classRelation(url, builtinObject::Url, 1);
        }
    }
}

void NsgmlHandler::applyIgnoreTable(SGMLTreeElem* root, const IgnoreTable& table) {
    std::vector<SGMLTreeElem*> pending{root};
    while (!pending.empty()) {
        SGMLTreeElem* element = pending.back();
        pending.pop_back();
        if (element->isText()) continue;
        for (IgnoreElement* rule : table.getElements()) {
            if (rule->getName() == element->getName()) element->setStatus(rule->getStatus());
        }
        for (SGMLTreeAttr& attribute : element->getAttributes()) {
            for (IgnoreAttr* rule : table.getAttrs()) {
                if (rule->getElement() == element->getName() &&
                    rule->getAttribute() == attribute.getName()) {
                    attribute.setStatus(rule->getStatus());
                }
            }
        }
        for (SGMLTreeElem* child : element->getChildren()) pending.push_back(child);
    }
}

// The import's document tree: building it from the event stream, the document type, the HTML
// extraction and the tag-file statuses.
#include <string_view>
#include <vector>

#include "access/OMAccess.h"
#include "xml/DocumentText.h"
#include "xml/EsisReader.h"
#include "xml/IgnoreTable.h"
#include "xml/NsgmlHandler.h"
#include "xml/SGMLTreeAttr.h"
#include "xml/SGMLTreeElem.h"

void NsgmlHandler::parseEsis(std::istream& in, DocumentTreeBuilder& builder) {
    EsisReader reader;
    for (reader.readEsisLine(in); !reader.atEnd() && !builder.finished(); reader.readEsisLine(in)) {
        EsisReader::deliver(reader.currentLine(), builder);
    }
}

void NsgmlHandler::stageDocumentType(const DocumentTreeBuilder& builder) {
    if (!builder.hasDocumentType()) return;
    const InternalName doctype = path(state->document, symbol("doctype"));
    state->staged.classRelation(doctype, symbol("doctype"), 1);
    InternalName text;
    access->internName(text, quoted(documentText(builder.documentTypeName())), 2);
    state->staged.value(doctype, symbol("name"), nullptr, 0, 0, text);
    if (!builder.systemId().empty())
        state->systemUrl = insertIdentifier(builder.systemId(), "system", "systemurl");
    if (!builder.publicId().empty())
        state->publicUrl = insertIdentifier(builder.publicId(), "public", "publicurl");
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

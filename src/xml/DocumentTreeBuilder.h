// DocumentTreeBuilder: builds an import's document tree from the events of the document's parse.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/InterruptFlag.h"
#include "xml/DocumentEvents.h"
#include "xml/DocumentTree.h"
#include "xml/EntityPolicy.h"
#include "xml/SGMLTreeElem.h"

// The events may come read back from the event stream or straight from a parse in this
// process; either way the tree comes out the same. The builder reads them as the stream's
// reader always did: processing instructions, then the document type's identifiers and its
// name, then the document element's attributes and start, then the content; once the document
// element has ended, nothing more is read.
class DocumentTreeBuilder final : public DocumentEvents {
  public:
    // Builds into the tree, whose node for the document element is made now. A document whose
    // elements nest deeper than maxDepth is refused, and its events are no longer read.
    DocumentTreeBuilder(DocumentTree& tree, int maxDepth);

    void attribute(std::string_view name, std::string_view type, std::string_view value) override;
    void startElement(std::string_view name) override;
    void endElement() override;
    void text(std::string_view text) override;
    void repeatedText(std::string_view text) override;
    void processingInstruction() override;
    void identifier(char kind, std::string_view text, bool ofDocumentType) override;
    void documentType(std::string_view name) override;
    void unexpected() override;
    // The events have ended: elements still open end here, and the document is truncated.
    void finish();
    // Whether the builder reads no more events: the document element has ended, or the
    // document was refused.
    bool finished() const { return phase == Phase::done; }

    // The document element (named "error" when it never started).
    SGMLTreeElem* root() const { return rootElement; }
    // Why the document is refused (tooDeep, truncated, noDocumentElement), or none.
    ParseStop refused() const { return refusal; }
    // For a truncated document, the name of its innermost open element.
    const std::string& endedInside() const { return innermost; }
    // Whether the events held something the parser never gives: an end where none was open,
    // an element cut short.
    bool invalidOutput() const { return invalid; }
    // Whether the document type or an element is named "html".
    bool html() const { return htmlSeen; }
    std::size_t elements() const { return elementCount; }

    // The document type, when its name came: the name and the identifiers that came before it
    // (empty when absent).
    bool hasDocumentType() const { return documentTypeSeen; }
    const std::string& documentTypeName() const { return doctypeName; }
    const std::string& systemId() const { return system; }
    const std::string& publicId() const { return publicName; }

  private:
    // Where the reading stands, in the order the stream holds its parts.
    enum class Phase {
        leadingInstructions,
        documentTypeIdentifiers,
        passedOver,
        rootAttributes,
        elementAttributes,
        content,
        done
    };
    // One event, as the phases read it.
    enum class Kind {
        attribute,
        start,
        end,
        text,
        instruction,
        identifier,
        documentTypeIdentifier,
        documentType,
        unexpected,
        finish
    };
    struct Event {
        Kind kind;
        std::string_view name;
        std::string_view type;
        std::string_view value;
        char identifierKind = 0;
    };
    void take(const Event& event);
    // An event of the content, with an element open.
    void takeContent(const Event& event);
    // Counts a content event: false, and the reading done, when an interrupt is pending (looked
    // at every few thousand events).
    bool poll() {
        // An interrupt abandons the import; the driver sees the flag once the tree is done.
        if ((++contentEvents & 4095) != 0 || interruptFlag.load() == 0) return true;
        phase = Phase::done;
        return false;
    }
    // Whether a child of the innermost element nests no deeper than allowed; if not, the
    // document is refused.
    bool mayOpen() {
        if (open.size() < maxDepth) return true;
        refuseDepth();
        return false;
    }
    void refuseDepth();
    // Links the element as the innermost element's last child and opens it.
    void enter(SGMLTreeElem* element) {
        ++elementCount;
        open.back()->addChild(element);
        open.push_back(element);
    }
    // Opens a child of the innermost element under the stand-in name; null when it would nest
    // too deep.
    SGMLTreeElem* openChild();
    void startInContent(std::string_view elementName);
    // Ends the innermost element.
    void close();
    // Appends the attribute to the element, unless it has no value.
    void addAttribute(SGMLTreeElem* element, const Event& event);
    void name(SGMLTreeElem* element, std::string_view text);
    // Notes an element named "html". Elements mostly repeat the name of the one before, looked
    // at once.
    void noteHtml(const SGMLTreeElem* element) {
        if (&element->getName() != lastNamed) noteHtmlAnew(element);
    }
    void noteHtmlAnew(const SGMLTreeElem* element);

    DocumentTree& tree;
    const std::size_t maxDepth;
    Phase phase = Phase::leadingInstructions;
    SGMLTreeElem* rootElement;
    // The open elements, innermost last.
    std::vector<SGMLTreeElem*> open;
    // Content events taken, for a look at the interrupt flag every few thousand.
    unsigned long contentEvents = 0;
    ParseStop refusal = ParseStop::none;
    std::string innermost;
    bool invalid = false;
    bool htmlSeen = false;
    // The name noteHtml looked at last.
    const std::string* lastNamed = nullptr;
    // Whether the last text event went to the tree as a text node.
    bool textInTree = false;
    std::size_t elementCount = 0;
    bool documentTypeSeen = false;
    std::string doctypeName;
    std::string system;
    std::string publicName;
};

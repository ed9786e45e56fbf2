// DocumentEvents: what a parse tells of a document that its tree is built from.
#pragma once

#include <string_view>

// The events come in document order, one for each line of the event stream that the tree
// reads, whether they are read back from that stream or come straight from a parse in this
// process: one tree builder serves both. Names and texts are UTF-8 with the stream's escapes
// ("\n" for a record end, "\\" for a backslash, "\0" and two octal digits for another control
// character, "\|" around the text of an SDATA entity), as a line of the stream holds them.
class DocumentEvents {
  public:
    // An attribute of the element whose start follows: its name as written (a namespace prefix
    // included), its declared type ("CDATA", "TOKEN", "ID", "IMPLIED", ...) and its value.
    virtual void attribute(std::string_view name, std::string_view type,
                           std::string_view value) = 0;
    virtual void startElement(std::string_view name) = 0;
    virtual void endElement() = 0;
    // A run of character data between two other events.
    virtual void text(std::string_view text) = 0;
    // A run the same as the run given last, by text or by this: siblings are mostly parted by
    // the same blank text, which a tree may then keep once.
    virtual void repeatedText(std::string_view text) { this->text(text); }
    virtual void processingInstruction() = 0;
    // A system ('s') or public ('p') identifier: of the document type when ofDocumentType,
    // else of an entity or notation the document uses.
    virtual void identifier(char kind, std::string_view text, bool ofDocumentType) = 0;
    virtual void documentType(std::string_view name) = 0;
    // A line of the stream that is none of these: the stream is not what the parser writes.
    virtual void unexpected() = 0;

  protected:
    ~DocumentEvents() = default;
};

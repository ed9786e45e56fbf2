// XMLDumpFormatter: the dump formatter that writes the object base as an XML document.
#pragma once

#include <string>
#include <string_view>

#include "objectbase/DumpFormatter.h"
#include "objectbase/FSymbol.h"

// An object becomes an element named after its class with an id attribute; its values become
// child elements named after the method, collected while the frame is open and written when it
// closes; a predicate tuple becomes an empty element with attributes attr1, attr2, ...
class XMLDumpFormatter : public DumpFormatter {
  public:
    explicit XMLDumpFormatter(OM* om) : DumpFormatter(om) {}
    ~XMLDumpFormatter() override = default;

    bool isA(const std::string& className) const override;

    void writeDocumentHead(const std::string& docType, const std::string& externalIdKind,
                           const std::string& externalId) override;
    void openRoot(const std::string& name) override;
    void closeRoot(const std::string& name) override;
    void openFrame(const InternalName& object, const InternalName& cls, int withId) override;
    void closeFrameHead() override;
    void closeFrame(const InternalName& object, const InternalName& cls) override;
    // openFrame and closeFrame with the element name made already (classElementName).
    void openNamedFrame(std::string_view element, const InternalName& object, int withId);
    void closeNamedFrame(std::string_view element);
    // The element name of a class, as openFrame writes it.
    std::string classElementName(const InternalName& cls) { return classElement(cls); }
    void methodSeparator() override;
    std::string attributeText(const InternalName& name, int position,
                              const InternalName& value) override;
    std::string argumentText(int position, const InternalName& argument) override;
    void writeMethodHead(const std::string& methodText, const std::string& restText,
                         const std::string& bracket) override;
    void writeMethodValue(const std::string& methodText, const std::string& restText,
                          const InternalName& value) override;
    void pendingOpen(const std::string& text) override;
    void pendingAppend(const std::string& text) override;
    std::string valueElementText(const InternalName& name, const std::string& attributes,
                                 const InternalName& value) override;
    std::string elementText(const InternalName& name, const std::string& attributes,
                            const std::string& content) override;
    std::string frameEndText(const InternalName& object, const InternalName& name,
                             const std::string& attributes, const std::string& content, int withId,
                             const std::string& prefix) override;
    // The same from the XML names already made: the element's and, when withId, the id's (an
    // export that writes many elements of few classes makes each name once).
    std::string namedFrameEndText(std::string_view element, bool withId, std::string_view id,
                                  const std::string& attributes, const std::string& content,
                                  const std::string& prefix);
    // Appends the same text to `out`, which the caller keeps for the next element.
    static void appendFrameEnd(std::string& out, std::string_view element, bool withId,
                               std::string_view id, std::string_view attributes,
                               std::string_view content, std::string_view prefix);
    // Writes the text of an element at the top level, without a prefix, and ends its line.
    void writeFrameEnd(std::string_view element, bool withId, std::string_view id,
                       std::string_view attributes, std::string_view content);
    // Appends xmlName(name) to `out`, without a string of its own for the name.
    void appendXmlName(const InternalName& name, std::string& out);
    // appendXmlName for a string: its own characters, escaped, read in place in the symbol table.
    void appendStringName(const InternalName& name, std::string& out);
    // The same for a name mostly written once: an object's text is read in place in the symbol
    // table, where the kept forms appendXmlName reads pay off for names written again and again.
    void appendXmlNameOnce(const InternalName& name, std::string& out);
    // The same with the name's symbol read already (the object base's giveSymbol answered it):
    // a writer that asked for it keeps it for the element.
    void appendXmlNameOnce(const InternalName& name, const FSymbol& symbol, std::string& out);
    // The characters of a string's symbol between its quotes, read in place: what
    // appendStringName writes, escaped. False when the string has no such text.
    bool stringText(const InternalName& name, std::string_view& text);
    // The text appendXmlNameOnce(name, symbol, out) appends when it is the symbol's text as it
    // is; false otherwise.
    bool plainObjectText(const InternalName& name, const FSymbol& symbol, std::string_view& text);
    // Whether a text has characters that escaping replaces.
    static bool hasMarkup(std::string_view text);
    void writeSetMember(const InternalName& host, const InternalName& method,
                        const InternalName& member, int position) override;
    void openPredicate(const std::string& name) override;
    void writePredicateArgument(const InternalName& argument, int position) override;
    void closePredicate() override;

    // An export writes its elements straight into the buffer of the text being written, piece
    // by piece, where a text made for each element cost a copy; it calls elementWritten()
    // after each element, which hands a full block on.
    std::string& elementOut() { return line; }
    void elementWritten() { emit(true); }

  private:
    // The text of the symbol of an object or a string without arguments, read in place in the
    // symbol table: an object's lexical form, a string's characters between their quotes. False
    // for any other name.
    bool symbolText(const InternalName& name, std::string_view& text);
    // The same with the name's symbol read already.
    bool symbolTextOf(const InternalName& name, const FSymbol& symbol, std::string_view& text);
    // The element name of a class: its lexical form. The built-in class object, which every
    // object without a class takes, has no symbol bound in plain mode; it is written "object".
    std::string classElement(const InternalName& cls);

    // The method text of the entry being written, for values that arrive without their method.
    std::string working;
    // The child elements of the frame that is open.
    std::string pending;
    // A string's own characters, read for appendXmlName.
    std::string own;
};

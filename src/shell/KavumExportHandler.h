// KavumExportHandler: the Kavum mode's XML documents written back as XML, from a root element.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "access/DescIter.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"
#include "shell/NameMarks.h"
#include "shell/XMLExportHandler.h"

// A document node's "@->>" entries are its attributes, its "->>" entries its children (text()
// holds its text nodes).
class XMLDumpFormatter;

class KavumExportHandler : public XMLExportHandler {
  public:
    explicit KavumExportHandler(OMAccess* access);

    bool isA(const std::string& className) const override;

    void writeBody(ExportRequest& request) override;
    // A literal is written as text; any other object as an element named after the method that
    // links it to its parent (its class when it has no parent).
    void writeObject(const InternalName& object, std::int32_t format) override;
    void writeTrailer(ExportRequest& request) override;

    // Writes the element and everything below it; flags other than 0 always write the id
    // attribute.
    virtual void writeElement(const InternalName& object, const InternalName& cls,
                              const std::string& indent, int flags);
    virtual void writeAttributes(const InternalName& object, const InternalName& method,
                                 std::string& text, const std::string& indent);
    // The members of object.method: texts for text(), else elements with all below them.
    virtual void writeChildren(const InternalName& object, const InternalName& method,
                               const std::string& indent);

    // Elements deeper than this below the one an export starts from are indented no further:
    // a chain of n elements would otherwise take n * n blanks.
    static constexpr std::size_t maxIndentLevels = 256;

  protected:
    ~KavumExportHandler() override = default;

  private:
    // An entry without arguments of an element: its method and the value it stores.
    struct Entry {
        InternalName method;
        InternalName stored;
    };
    // An element whose start tag is written and whose children are not all written yet.
    struct OpenElement {
        InternalName object;
        // The element name of its class, made once (classElementOf).
        const std::string* element;
        // Its depth below the element the walk started from, which sets its indentation.
        std::size_t depth;
        // Its children in the order they are written (the method, the member) and the next one.
        std::vector<std::pair<InternalName, InternalName>> children;
        std::size_t next = 0;
    };

    // Writes an element's start tag and attributes. For an element with children, answers the
    // element to hold open (its children listed); otherwise writes its end too and answers none.
    std::optional<OpenElement> openElement(const InternalName& object, const InternalName& cls,
                                           const std::string& indent, std::size_t depth, int flags);
    // Puts the child elements of an element with children of several names back in the order
    // of the document.
    void inDocumentOrder(std::vector<std::pair<InternalName, InternalName>>& children);
    std::vector<std::pair<InternalName, InternalName>> orderedChildren;
    // The text of the attributes of a namespace object the import made for a prefix
    // (object.prefix), each named prefix:local; the prefixes are among the object's scalar
    // methods, which openElement has just gathered.
    void writePrefixedAttributes(const InternalName& object, std::string& text,
                                 const std::string& indent);
    // One attribute of the members of holder.method under the name, after a line break and the
    // indent (a blank when the element stands for a value).
    // `stored` is the value the entry stores when that is what a lookup answers, else null.
    void appendAttribute(bool mapped, const InternalName& holder, const InternalName& method,
                         const InternalName* stored, const std::string& name, std::string& text,
                         const std::string& indent);
    // The members of the value of holder.method (of a method type): read in place from the
    // stored value when there is one, else looked up.
    template <class Visit>
    void forEachValue(int type, const InternalName& holder, const InternalName& method,
                      const InternalName* stored, Visit visit);
    // The indentation of an element at the depth below one indented by base, made once for
    // each base and depth.
    const std::string& indentAt(const std::string& base, std::size_t depth);
    std::map<std::string, std::deque<std::string>> indents;
    std::string lastBase;
    std::deque<std::string>* lastIndents = nullptr;
    // The element name of a class (the formatter's), made once for each class: the base does
    // not change while an export runs.
    const std::string& classElementOf(const InternalName& cls);
    FlatNameMap<InternalName, std::size_t> classElementNumbers;
    std::deque<std::string> classElements;
    XMLDumpFormatter& xmlFormatter();

    // Without a root: the root elements of every document of the base, each with the method
    // that links it to its document, under one top element.
    void writeDocuments(ExportRequest& request);
    std::vector<std::pair<InternalName, InternalName>> rootElements();
    // The objects with frames that are members of a class, in the order of their names.
    std::vector<InternalName> instancesOf(const InternalName& cls);
    // An attribute member as the document wrote it: an element named by a reference as its ID.
    InternalName referenceText(const InternalName& member);
    // The element name writeObject gives an object.
    InternalName elementName(const InternalName& object);
    // The attribute name of a method: prefix:local when a namespace object maps local to it.
    std::string attributeNameFound(const InternalName& method);

    // The objects whose elements are open (mark 1): plain objects may hold each other.
    NameMarks<std::uint8_t> path;
    // Outside an evaluation a lookup answers the value an entry stores: the values are then
    // read from the entries in place. Decided once an export.
    bool storedValuesAnswer = false;
    // The attribute name of each method met: the base does not change while an export runs.
    const std::string& attributeName(const InternalName& method);
    FlatNameMap<InternalName, std::size_t> attributeNumbers;
    std::deque<std::string> attributeNames;
    // The XML name of a value, and a line, kept for their storage.
    std::string valueText;
    std::string lineText;
    // The name each value held by a namespace object gives the attribute it stands for, found
    // by one walk over the base on the first attribute.
    void findPrefixedNames();
    bool prefixedNamesFound = false;
    std::map<InternalName, std::string> prefixedNames;
    // For the same reason the method of the ID attribute is found once (unbound when the base
    // has none), and what a child method is, from its text, once for each method.
    std::optional<InternalName> idMethod;
    enum class ChildKind { Element, IdRecord, Text };
    FlatNameMap<InternalName, ChildKind> childKinds;
    ChildKind childKindOf(const InternalName& method);
    // The methods of the element being opened, by type (see entriesWithoutArguments), and those
    // of a namespace object holding its prefixed attributes.
    std::vector<Entry> scalarMethods;
    std::vector<Entry> setMethods;
    std::vector<Entry> attributeMethods;
    std::vector<Entry> holderScalar;
    std::vector<Entry> holderSet;
    std::vector<Entry> holderAttributes;
};

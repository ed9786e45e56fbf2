// KavumExportHandler: the Kavum mode's XML documents written back as XML, from a root element.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "foundation/set.h"
#include "objectbase/InternalName.h"
#include "shell/XMLExportHandler.h"

// A document node's "@->>" entries are its attributes, its "->>" entries its children (text()
// holds its text nodes).
class KavumExportHandler : public XMLExportHandler {
  public:
    explicit KavumExportHandler(OMAccess* access);

    bool isA(const std::string& className) const override;

    void writeBody(ExportRequest& request) override;
    // A literal is written as text; any other object as an element named after the method that
    // links it to its parent (its class when it has no parent).
    void writeObject(const InternalName& object, std::int32_t format) override;
    void writeTrailer(ExportRequest& request) override;

    // flags other than 0 always write the id attribute.
    virtual void writeElement(const InternalName& object, const InternalName& cls,
                              const std::string& indent, int flags);
    virtual void writeAttributes(const InternalName& object, const InternalName& method,
                                 std::string& text, const std::string& indent);
    virtual void writeChildren(const InternalName& object, const InternalName& method,
                               const std::string& indent);

  protected:
    ~KavumExportHandler() override = default;

  private:
    // Without a root: the root elements of every document of the base, each with the method
    // that links it to its document, under one top element.
    void writeDocuments(ExportRequest& request);
    std::vector<std::pair<InternalName, InternalName>> rootElements();
    // An attribute member as the document wrote it: an element named by a reference as its ID.
    InternalName referenceText(const InternalName& member);
    // The element name writeObject gives an object.
    InternalName elementName(const InternalName& object);
    // The attribute name of a method: prefix:local when a namespace object maps local to it.
    std::string attributeName(const InternalName& method);

    // The objects whose elements are open: plain objects may hold each other.
    set<InternalName> path;
    // The attribute name of each method met, found once an export: finding it walks every
    // object of the base, and asked for every attribute it made the export quadratic.
    std::map<InternalName, std::string> attributeNames;
};

// SGMLTreeElem: one element or text node of the document tree an import builds from the event
// stream before it maps the document to objects.
#pragma once

#include <string>
#include <vector>

#include "foundation/ManagedObject.h"
#include "objectbase/InternalName.h"
#include "xml/SGMLTreeAttr.h"

class SGMLTreeElem : public ManagedObject {
  public:
    // The strings are stored as given; an empty name makes a text node. The status is the
    // class-wide default.
    SGMLTreeElem(std::string name, std::string text);
    SGMLTreeElem(const SGMLTreeElem&) = delete;
    SGMLTreeElem& operator=(const SGMLTreeElem&) = delete;

    // Appends the child; the element takes over the caller's reference.
    void addChild(SGMLTreeElem* child);
    // Appends a text node of the normalised text.
    void addText(const std::string& text);
    // Appends an attribute under its normalised name; extra is its namespace prefix.
    void addAttribute(const std::string& name, const std::string& value, const std::string& type,
                      const std::string& extra);
    const std::vector<SGMLTreeAttr>* getAttributes() const { return &attributes; }
    // The same, for setting their statuses.
    std::vector<SGMLTreeAttr>* getAttributes() { return &attributes; }
    using Children = std::vector<SGMLTreeElem*>;
    const Children* getChildren() const { return &children; }
    // Stores the normalised name.
    void setName(const std::string& value);
    const std::string& getName() const { return name; }
    const std::string& getText() const { return text; }
    bool isText() const { return name.empty(); }
    void setStatus(char value) { status = value; }
    // '+' mapped, '-' dropped with its children taking its place; anything else leaves the
    // element and its subtree out.
    char getStatus() const { return status; }
    // The texts of the subtree's text nodes in document order; an element below contributes
    // only when its status is '+' or '-'.
    std::string collectText() const;
    // Drops the attributes and the children (a child still held elsewhere keeps its subtree):
    // the mapping is done with the element, and the rest of the document needs the room.
    void releaseContent();
    void setObject(InternalName value) { object = value; }
    InternalName getObject() const { return object; }

    // The status new elements start with; the import sets it before building a tree.
    static void setDefaultStatus(char value) { defaultStatus = value; }
    static char getDefaultStatus() { return defaultStatus; }

  protected:
    // Releases the whole subtree without recursing per level, so that deeply nested documents
    // cannot exhaust the stack.
    ~SGMLTreeElem() override;

  private:
    static inline char defaultStatus = '+';

    std::string name;
    std::string text;
    std::vector<SGMLTreeAttr> attributes;
    // A vector rather than a linked list: the tree holds every node of the document at once.
    Children children;
    InternalName object;
    char status;
};

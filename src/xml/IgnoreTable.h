// IgnoreTable: the rules of a tag file, which keep ('+') or drop ('-') elements and attributes
// of an imported document by name; IgnoreElement and IgnoreAttr are its two kinds of rule.
#pragma once

#include <string>

#include "foundation/ManagedObject.h"
#include "foundation/clib_list.h"

class IgnoreElement : public ManagedObject {
  public:
    IgnoreElement(std::string name, char status) : name(std::move(name)), status(status) {}

    const std::string& getName() const { return name; }
    char getStatus() const { return status; }

  protected:
    ~IgnoreElement() override = default;

  private:
    std::string name;
    char status;
};

class IgnoreAttr : public ManagedObject {
  public:
    IgnoreAttr(std::string element, std::string attribute, char status)
        : element(std::move(element)), attribute(std::move(attribute)), status(status) {}

    const std::string& getElement() const { return element; }
    const std::string& getAttribute() const { return attribute; }
    char getStatus() const { return status; }

  protected:
    ~IgnoreAttr() override = default;

  private:
    std::string element;
    std::string attribute;
    char status;
};

class IgnoreTable : public ManagedObject {
  public:
    IgnoreTable() = default;
    IgnoreTable(const IgnoreTable&) = delete;
    IgnoreTable& operator=(const IgnoreTable&) = delete;

    // Both take the names as a tag file writes them and store them normalised, as the tree
    // stores its names.
    void addElement(const std::string& name, char status);
    void addAttr(const std::string& element, const std::string& attribute, char status);

    const clib_list<IgnoreElement*>& getElements() const { return elements; }
    const clib_list<IgnoreAttr*>& getAttrs() const { return attributes; }

  protected:
    ~IgnoreTable() override;

  private:
    clib_list<IgnoreElement*> elements;
    clib_list<IgnoreAttr*> attributes;
};

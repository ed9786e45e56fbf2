// SGMLTreeAttr: one attribute of an element of the document tree.
#pragma once

#include <string>

#include "foundation/ManagedObject.h"

class SGMLTreeAttr : public ManagedObject {
  public:
    // The strings are stored as given; the status is the class-wide default.
    SGMLTreeAttr(std::string name, std::string value, std::string type, std::string extra);

    const std::string& getName() const { return name; }
    const std::string& getValue() const { return value; }
    // The declared type as the event stream gives it ("CDATA", "ID", "IDREF", "TOKEN", ...).
    const std::string& getType() const { return type; }
    // The attribute's namespace prefix.
    const std::string& getExtra() const { return extra; }
    void setStatus(char value) { status = value; }
    // '+' mapped; anything else leaves the attribute out.
    char getStatus() const { return status; }

    // The status new attributes start with; the import sets it before building a tree.
    static void setDefaultStatus(char value) { defaultStatus = value; }
    static char getDefaultStatus() { return defaultStatus; }

  protected:
    ~SGMLTreeAttr() override = default;

  private:
    static inline char defaultStatus = '+';

    std::string name;
    std::string value;
    std::string type;
    std::string extra;
    char status;
};

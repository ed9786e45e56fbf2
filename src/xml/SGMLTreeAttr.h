// SGMLTreeAttr: one attribute of an element of the document tree.
#pragma once

#include <string>

// A plain value held inside its element: a document has several attributes per element, and a
// pooled, reference-counted object of its own cost each of them about twice its size.
class SGMLTreeAttr {
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

  private:
    static inline char defaultStatus = '+';

    std::string name;
    std::string value;
    std::string type;
    std::string extra;
    char status;
};

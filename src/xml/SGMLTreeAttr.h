// SGMLTreeAttr: one attribute of an element of the document tree.
#pragma once

#include <string>
#include <string_view>

class DocumentTree;

// A plain record in its tree's storage: the names are the tree's shared copies and the value
// points into the tree's text, so an attribute costs no allocation of its own.
class SGMLTreeAttr {
  public:
    const std::string& getName() const { return *name; }
    std::string_view getValue() const { return {value, valueLength}; }
    // The declared type as the event stream gives it ("CDATA", "ID", "IDREF", "TOKEN", ...).
    const std::string& getType() const { return *type; }
    // The attribute's namespace prefix.
    const std::string& getExtra() const { return *extra; }
    void setStatus(char value) { status = value; }
    // '+' mapped; anything else leaves the attribute out.
    char getStatus() const { return status; }

    // The status new attributes start with; the import sets it before building a tree.
    static void setDefaultStatus(char value) { defaultStatus = value; }
    static char getDefaultStatus() { return defaultStatus; }

  private:
    friend class DocumentTree;
    SGMLTreeAttr(const std::string* name, std::string_view value, const std::string* type,
                 const std::string* extra)
        : name(name),
          type(type),
          extra(extra),
          value(value.data()),
          valueLength(static_cast<unsigned>(value.size())),
          status(defaultStatus) {}

    static inline char defaultStatus = '+';

    const std::string* name;
    const std::string* type;
    const std::string* extra;
    const char* value;
    unsigned valueLength;
    char status;
};

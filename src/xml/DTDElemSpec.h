// DTDElemSpec: one declaration of a DTD model: an element with its content kind, sub-element
// entries, attribute definitions and subclass names (attribute-list and subclass declarations
// use the same record).
#pragma once

#include <string>

#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"
#include "foundation/set.h"
#include "xml/DTDPropSpecList.h"

class DTDElemSpec : public ManagedObject {
  public:
    // Takes over the handles' references to both lists; a missing list is replaced by an empty
    // one, so that readers never meet a missing list.
    DTDElemSpec(std::string name, std::string contentKind, Ref<DTDPropSpecList> attributes,
                Ref<DTDPropSpecList> subElements);
    DTDElemSpec(const DTDElemSpec&) = delete;
    DTDElemSpec& operator=(const DTDElemSpec&) = delete;

    void setName(std::string value) { name = std::move(value); }
    // Replaces the attribute list (releasing the old one unless it is the list handed in);
    // takes over the handle's reference. A missing list is replaced by an empty one.
    void setAttributes(Ref<DTDPropSpecList> list);
    void addSubclass(const std::string& subclass) { subclasses.insert(subclass); }
    void addSubclasses(const set<std::string>& names);

    const std::string& getName() const { return name; }
    // "pcdata", "empty", "any", "elements" or "mixed"; empty for the other declarations.
    const std::string& getContentKind() const { return contentKind; }
    DTDPropSpecList* getAttributes() const { return attributes.get(); }
    DTDPropSpecList* getSubElements() const { return subElements.get(); }
    // Held by value in text order, so a name recorded twice is kept once.
    const set<std::string>& getSubclasses() const { return subclasses; }

  protected:
    ~DTDElemSpec() override;

  private:
    std::string name;
    std::string contentKind;
    Ref<DTDPropSpecList> attributes;
    Ref<DTDPropSpecList> subElements;
    set<std::string> subclasses;
};

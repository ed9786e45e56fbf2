// DTDPropSpecList: the named entries of one declaration (its sub-elements or its attribute
// definitions), with the merges that give a content model's occurrence bounds.
#pragma once

#include <string>
#include <unordered_map>

#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"
#include "foundation/clib_list.h"
#include "xml/DTDPropSpec.h"

class DTDPropSpecList : public ManagedObject {
  public:
    DTDPropSpecList() = default;
    DTDPropSpecList(const DTDPropSpecList&) = delete;
    DTDPropSpecList& operator=(const DTDPropSpecList&) = delete;

    // Releases every entry and empties the list.
    void clear();
    // Appends the entry; the list takes over the handle's reference.
    void append(Ref<DTDPropSpec> entry);
    // The first entry of that name, or null.
    DTDPropSpec* lookup(const std::string& name) const;
    // One line an entry on standard output: name, minimum and maximum.
    void print() const;
    void setAllMaximum(int maximum);
    void setAllMinimum(int minimum);
    // Fold other's entries into this list as the other branch of a choice: a name both hold
    // keeps the smaller minimum and the larger maximum; other's further entries are appended.
    // Other is consumed: emptied, and its handle's reference released.
    void mergeChoice(Ref<DTDPropSpecList> other);
    // Fold other's entries in as what follows in a sequence: a name both hold adds the bounds.
    // Other is consumed.
    void mergeSequence(Ref<DTDPropSpecList> other);

    // A list of deep copies of the entries, for a declaration of several names.
    Ref<DTDPropSpecList> copy() const;

    const clib_list<DTDPropSpec*>& entries() const { return items; }
    int size() const { return items.size(); }

  protected:
    ~DTDPropSpecList() override;

  private:
    void merge(Ref<DTDPropSpecList> other, bool sequence);

    clib_list<DTDPropSpec*> items;
    // The first entry of each name: a group of thousands of alternatives looked every name up
    // along the whole list, which made it quadratic. Entry names are set before they join a list.
    std::unordered_map<std::string, DTDPropSpec*> firstByName;
};

// ParentIter: the base rows of a parent step from a free node, every node that has a parent.
#pragma once

#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "objectbase/Iterator.h"

class OMAccess;

// Rows are [node, label, parent]: each object of the object base with a parent element and a
// label under it, in the order of the object names.
class ParentIter : public Iterator {
  public:
    // Copies `count` cells of the pattern; holds a reference to the access layer.
    ParentIter(const InternalName* tuple, int count, OMAccess* access);

    // Without an access layer reports InvalidInit and answers false.
    bool first() override;
    bool next() override;
    InternalName atColumn(int col) override;
    int columns() override { return length; }
    bool isA(const std::string& className) const override { return className == "ParentIter"; }

  protected:
    ~ParentIter() override;

    // Whether the current object has a parent and a label; sets both.
    virtual bool hasParent();
    // Moves to the next object that has a parent; false when there is none.
    virtual bool nextObject();

  private:
    InternalName node = InternalName::UndefinedObject;
    InternalName parent = InternalName::UndefinedObject;
    InternalName label = InternalName::UndefinedObject;
    std::vector<InternalName> cells;
    int length;
    Ref<Iterator> names;
    Ref<OMAccess> access;
    bool positioned = false;
};

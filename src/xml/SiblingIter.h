// SiblingIter: the base rows of a sibling step, the children of each node's parent.
#pragma once

#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "objectbase/Iterator.h"

class OMAccess;

// Rows are [node, method, sibling] with the node itself among the siblings (the axis step leaves
// it out). A free node walks every object of the object base.
class SiblingIter : public Iterator {
  public:
    // Copies `count` cells of [node, method, value]; holds a reference to the access layer.
    SiblingIter(const InternalName* tuple, int count, OMAccess* access);

    // Without an access layer reports InvalidInit and answers false.
    bool first() override;
    bool next() override;
    // 1 the node, 2 and 3 those of the parent's child row.
    InternalName atColumn(int col) override;
    int columns() override { return length; }
    bool isA(const std::string& className) const override { return className == "SiblingIter"; }

  protected:
    ~SiblingIter() override;

    // Moves to the next node that has children rows under its parent; false when there is none.
    virtual bool nextNode();

  private:
    // Opens the child step from the current node's parent; true when it has a row.
    bool openNode();

    InternalName node = InternalName::UndefinedObject;
    Ref<OMAccess> access;
    bool positioned = false;
    Ref<Iterator> inner;
    std::vector<InternalName> cells;
    int length;
    Ref<Iterator> names;
};

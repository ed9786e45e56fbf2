// XMLAxisIteratorFactory: the access layer's maker of the XML layer's axis iterators.
#pragma once

#include "access/AxisIteratorFactory.h"

// The program entry hands one to every access layer it builds; it holds nothing, so one serves
// them all.
class XMLAxisIteratorFactory : public AxisIteratorFactory {
  public:
    // The stages after the base are always absent here: the access layer passes 0 for them.
    Iterator* makeMatchAxisIterator(const InternalName* tuple, int count, int axis, int firstNumber,
                                    int valueColumn, OMAccess* access, Iterator* base, int,
                                    int) override;
    Iterator* makeParentIter(const InternalName* tuple, int count, OMAccess* access) override;
    Iterator* makeSiblingIter(const InternalName* tuple, int count, OMAccess* access) override;
};

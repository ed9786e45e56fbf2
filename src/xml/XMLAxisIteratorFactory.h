// XMLAxisIteratorFactory: the access layer's maker of axis iterators, installed once per program.
#pragma once

#include "access/AxisIteratorFactory.h"

// Every access layer answers axis steps through the one installed factory, so the program entry
// installs it at start-up and test fixtures install it for themselves.
class XMLAxisIteratorFactory : public AxisIteratorFactory {
  public:
    // The stages after the base are always absent here: the access layer passes 0 for them.
    Iterator* makeMatchAxisIterator(const InternalName* tuple, int count, int axis, int firstNumber,
                                    int valueColumn, OMAccess* access, Iterator* base, int,
                                    int) override;
    Iterator* makeParentIter(const InternalName* tuple, int count, OMAccess* access) override;
    Iterator* makeSiblingIter(const InternalName* tuple, int count, OMAccess* access) override;

    // Installs the program's one factory (again harmless).
    static void installShared();
};

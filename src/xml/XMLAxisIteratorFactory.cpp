// XMLAxisIteratorFactory: the access layer's maker of the XML layer's axis iterators.
#include "xml/XMLAxisIteratorFactory.h"

#include "xml/MatchAxisIterator.h"
#include "xml/ParentIter.h"
#include "xml/SiblingIter.h"

Iterator* XMLAxisIteratorFactory::makeMatchAxisIterator(const InternalName* tuple, int count,
                                                        int axis, int firstNumber, int valueColumn,
                                                        OMAccess* access, Iterator* base, int,
                                                        int) {
    return new MatchAxisIterator(tuple, count, axis, firstNumber, valueColumn, access, base,
                                 nullptr, nullptr);
}

Iterator* XMLAxisIteratorFactory::makeParentIter(const InternalName* tuple, int count,
                                                 OMAccess* access) {
    return new ParentIter(tuple, count, access);
}

Iterator* XMLAxisIteratorFactory::makeSiblingIter(const InternalName* tuple, int count,
                                                  OMAccess* access) {
    return new SiblingIter(tuple, count, access);
}

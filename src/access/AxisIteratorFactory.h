// AxisIteratorFactory: the maker of the document axis iterators, which the layer above hands to
// each access layer.
#pragma once

class Iterator;
class OMAccess;
class InternalName;

// The axis iterators walk documents and live in the XML layer, above this one.
class AxisIteratorFactory {
  public:
    virtual ~AxisIteratorFactory() = default;

    // An iterator over the rows of one axis step over the tuple [start, method, value] (count
    // cells); it takes over the caller's reference to the base iterator, whose value column
    // holds the step's value.
    virtual Iterator* makeMatchAxisIterator(const InternalName* tuple, int count, int axis,
                                            int firstNumber, int valueColumn, OMAccess* access,
                                            Iterator* base, int, int) = 0;
    // The base iterators of the parent axis with a free start and of the sibling axis; both
    // read the document structure through the access layer.
    virtual Iterator* makeParentIter(const InternalName* tuple, int count, OMAccess* access) = 0;
    virtual Iterator* makeSiblingIter(const InternalName* tuple, int count, OMAccess* access) = 0;
};

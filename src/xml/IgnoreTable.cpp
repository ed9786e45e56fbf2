// The rules of a tag file.
#include "xml/IgnoreTable.h"

#include "foundation/OwnedElements.h"
#include "xml/NameNormalization.h"

IgnoreTable::~IgnoreTable() {
    owned::releaseAll(elements);
    owned::releaseAll(attributes);
}

void IgnoreTable::addElement(const std::string& name, char status) {
    owned::append(elements, Ref<IgnoreElement>::make(normalizeName(name), status));
}

void IgnoreTable::addAttr(const std::string& element, const std::string& attribute, char status) {
    owned::append(attributes,
                  Ref<IgnoreAttr>::make(normalizeName(element), normalizeName(attribute), status));
}

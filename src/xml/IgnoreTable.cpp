// The rules of a tag file.
#include "xml/IgnoreTable.h"

#include "xml/NameNormalization.h"

IgnoreTable::~IgnoreTable() {
    for (IgnoreElement* rule : elements) decRef(rule);
    for (IgnoreAttr* rule : attributes) decRef(rule);
}

void IgnoreTable::addElement(const std::string& name, char status) {
    elements.append(new IgnoreElement(normalizeName(name), status));
}

void IgnoreTable::addAttr(const std::string& element, const std::string& attribute, char status) {
    attributes.append(new IgnoreAttr(normalizeName(element), normalizeName(attribute), status));
}

// One declaration of a DTD model.
#include "xml/DTDElemSpec.h"

namespace {

DTDPropSpecList* orEmpty(DTDPropSpecList* list) {
    return list != nullptr ? list : new DTDPropSpecList();
}

}  // namespace

DTDElemSpec::DTDElemSpec(std::string name, std::string contentKind, DTDPropSpecList* attributes,
                         DTDPropSpecList* subElements)
    : name(std::move(name)),
      contentKind(std::move(contentKind)),
      attributes(Ref<DTDPropSpecList>::adopt(orEmpty(attributes))),
      subElements(Ref<DTDPropSpecList>::adopt(orEmpty(subElements))) {}

DTDElemSpec::~DTDElemSpec() = default;

void DTDElemSpec::setAttributes(DTDPropSpecList* list) {
    list = orEmpty(list);
    if (list == attributes) return;
    attributes = Ref<DTDPropSpecList>::adopt(list);
}

void DTDElemSpec::addSubclasses(const set<std::string>& names) {
    for (const std::string& subclass : names) subclasses.insert(subclass);
}

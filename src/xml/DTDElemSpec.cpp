// One declaration of a DTD model.
#include "xml/DTDElemSpec.h"

namespace {

Ref<DTDPropSpecList> orEmpty(Ref<DTDPropSpecList> list) {
    return list ? std::move(list) : Ref<DTDPropSpecList>::make();
}

}  // namespace

DTDElemSpec::DTDElemSpec(std::string name, std::string contentKind, Ref<DTDPropSpecList> attributes,
                         Ref<DTDPropSpecList> subElements)
    : name(std::move(name)),
      contentKind(std::move(contentKind)),
      attributes(orEmpty(std::move(attributes))),
      subElements(orEmpty(std::move(subElements))) {}

DTDElemSpec::~DTDElemSpec() = default;

void DTDElemSpec::setAttributes(Ref<DTDPropSpecList> list) {
    // The handle's reference replaces the one held: handed the list it holds, the list stays
    // with one reference fewer on it, neither leaked nor released while still held.
    attributes = orEmpty(std::move(list));
}

void DTDElemSpec::addSubclasses(const set<std::string>& names) {
    for (const std::string& subclass : names) subclasses.insert(subclass);
}

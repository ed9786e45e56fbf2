// A parsed DTD: its three declaration lists are released with it.
#include "xml/InternalDTD.h"

#include "foundation/OwnedElements.h"

InternalDTD::~InternalDTD() {
    for (auto* list : {&elements, &attributeLists, &subclassLists}) owned::releaseAll(*list);
}

void InternalDTD::append1(Ref<DTDElemSpec> spec) {
    owned::append(elements, std::move(spec));
}

void InternalDTD::append2(Ref<DTDElemSpec> spec) {
    owned::append(attributeLists, std::move(spec));
}

void InternalDTD::append3(Ref<DTDElemSpec> spec) {
    owned::append(subclassLists, std::move(spec));
}

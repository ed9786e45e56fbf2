// A parsed DTD: its three declaration lists are released with it.
#include "xml/InternalDTD.h"

InternalDTD::~InternalDTD() {
    for (auto* list : {&elements, &attributeLists, &subclassLists}) {
        for (DTDElemSpec* spec : *list) decRef(spec);
        list->clear();
    }
}

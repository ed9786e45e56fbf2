// The axis-iterator factory in use, installed by the XML layer.
#include "access/AxisIteratorFactory.h"

namespace {

AxisIteratorFactory*& current() {
    static AxisIteratorFactory* factory = nullptr;
    return factory;
}

}  // namespace

void AxisIteratorFactory::install(AxisIteratorFactory* factory) {
    current() = factory;
}

AxisIteratorFactory* AxisIteratorFactory::installed() {
    return current();
}

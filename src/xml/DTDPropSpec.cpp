// One entry of a DTD model: its enumeration and copies.
#include "xml/DTDPropSpec.h"

DTDPropSpec::DTDPropSpec(std::string name, int minimum, int maximum)
    : name(std::move(name)), minimum(minimum), maximum(maximum) {}

DTDPropSpec::DTDPropSpec(int minimum, int maximum, std::string type)
    : minimum(minimum), maximum(maximum), type(std::move(type)) {}

DTDPropSpec::DTDPropSpec(const DTDPropSpec& other)
    : ManagedObject(other),
      name(other.name),
      text(other.text),
      minimum(other.minimum),
      maximum(other.maximum),
      type(other.type),
      enumValues(other.enumValues != nullptr
                     ? std::make_unique<clib_list<std::string>>(*other.enumValues)
                     : nullptr),
      defaultKind(other.defaultKind),
      defaultValue(other.defaultValue),
      required(other.required) {}

DTDPropSpec::~DTDPropSpec() = default;

void DTDPropSpec::addEnumValue(const std::string& value) {
    if (enumValues == nullptr) enumValues = std::make_unique<clib_list<std::string>>();
    enumValues->append(value);
}

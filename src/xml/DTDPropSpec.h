// DTDPropSpec: one named entry of a DTD model, either a sub-element that may occur in an
// element's content (with its occurrence bounds) or an attribute definition.
#pragma once

#include <memory>
#include <string>

#include "foundation/ManagedObject.h"
#include "foundation/clib_list.h"

class DTDPropSpec : public ManagedObject {
  public:
    // The maximum written for "any number": a bound above 1 only tells the mappings that the
    // entry is set-valued.
    static constexpr int unbounded = 1000;

    DTDPropSpec() = default;
    DTDPropSpec(std::string name, int minimum, int maximum);
    // An attribute definition whose name is set later.
    DTDPropSpec(int minimum, int maximum, std::string type);
    // A deep copy (enumeration included) with a reference count of its own.
    DTDPropSpec(const DTDPropSpec& other);
    DTDPropSpec& operator=(const DTDPropSpec&) = delete;

    void setName(std::string value) { name = std::move(value); }
    void setText(std::string value) { text = std::move(value); }
    void setMaximum(int value) { maximum = value; }
    void setMinimum(int value) { minimum = value; }
    void setType(std::string value) { type = std::move(value); }
    // Creates the enumeration on first use and appends a copy of the value.
    void addEnumValue(const std::string& value);
    void setDefaultValue(std::string value) { defaultValue = std::move(value); }
    void setDefaultKind(std::string value) { defaultKind = std::move(value); }
    // 1 for "#REQUIRED"; no mapping reads it.
    void setRequired(int value) { required = value; }

    const std::string& getName() const { return name; }
    const std::string& getText() const { return text; }
    int getMaximum() const { return maximum; }
    int getMinimum() const { return minimum; }
    const std::string& getType() const { return type; }
    // Null until the first value is added.
    const clib_list<std::string>* getEnumValues() const { return enumValues.get(); }
    const std::string& getDefaultKind() const { return defaultKind; }
    const std::string& getDefaultValue() const { return defaultValue; }
    int getRequired() const { return required; }

  protected:
    ~DTDPropSpec() override;

  private:
    std::string name;
    std::string text;
    int minimum = 0;
    int maximum = 0;
    std::string type;
    std::unique_ptr<clib_list<std::string>> enumValues;
    std::string defaultKind;
    std::string defaultValue;
    int required = 0;
};

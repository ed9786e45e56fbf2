// FreshElement, an element an import has just made whose content is one text or nothing, with
// its own set values: the facts a store may take in one step.
#pragma once

#include <span>

#include "objectbase/InternalName.h"

// The facts, in their order: object[textMethod arrow text] of textType, text's child relation to
// object, object : cls, host[method arrow object] of type, object's child relation to host (as
// OM::insertFreshChild stores the last three), then object[value.method arrow value.value] of
// valueType for each of the values (its attributes). Without a text (text undefined) the first
// two are none. The object has no class, parent or value before these.
struct FreshElement {
    struct Value {
        InternalName method;
        InternalName value;
    };
    InternalName object;
    InternalName cls;
    InternalName host;
    InternalName method;
    int type = 1;
    InternalName textMethod;
    int textType = 1;
    InternalName text = InternalName::UndefinedObject;
    int valueType = 1;
    std::span<const Value> values;

    bool hasText() const { return text != InternalName::UndefinedObject; }
};

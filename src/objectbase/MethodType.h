// MethodType: the object base's codes of method types and class relations, and their numbers.
#pragma once

#include <cstdint>

// The arrow of a method application or the dot of a path step. The numbers are the object
// base's: its frames key method values by them, and the first six are the types that keep
// deltas. The "@" forms are the attributes of documents.
enum class MethodType : std::int32_t {
    Scalar = 0,                   // "->", a path step "."
    Set = 1,                      // "->>", ".."
    AttributeSet = 2,             // "@->>", "/@"
    InheritableScalar = 3,        // "*->", "!"
    InheritableSet = 4,           // "*->>", "!!"
    InheritableAttributeSet = 5,  // "@*->>", "!!@"
    ScalarSignature = 6,          // "=>"
    SetSignature = 7,             // "=>>"
    AttributeSetSignature = 8     // "@=>>"
};

// Signatures describe values and keep no deltas.
constexpr bool isSignature(MethodType type) {
    return type >= MethodType::ScalarSignature;
}

// The class relations, numbered as the object base stores them.
enum class IsaRelation : std::int32_t { Member = 1, Subclass = 2, Child = 3 };

// The typed codes that have a number of their own in the object base or the access layer; the
// layers that define more of them add theirs.
template <class Code>
inline constexpr bool isMethodCode = false;
template <>
inline constexpr bool isMethodCode<MethodType> = true;
template <>
inline constexpr bool isMethodCode<IsaRelation> = true;

// The number a typed code has where the object base (or a layer's table) still takes numbers.
template <class Code>
requires isMethodCode<Code>
constexpr int code(Code value) {
    return static_cast<int>(value);
}

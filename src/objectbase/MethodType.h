// MethodType: the object base's codes of method types and class relations, and their numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

class InternalName;

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

// The texts of each method type: the arrow it is written with, the arrow a printed frame shows
// (the "@" forms print as their plain arrows), the path step that reads it (none for
// signatures), and whether the F-Logic dialect writes it at all.
struct MethodTypeText {
    MethodType type;
    const char* arrow;
    const char* plainArrow;
    const char* step;
    bool fLogic;
};

inline constexpr MethodTypeText methodTypeTexts[] = {
    {MethodType::Scalar, "->", "->", ".", true},
    {MethodType::Set, "->>", "->>", "..", true},
    {MethodType::AttributeSet, "@->>", "->>", "/@", false},
    {MethodType::InheritableScalar, "*->", "*->", "!", true},
    {MethodType::InheritableSet, "*->>", "*->>", "!!", true},
    {MethodType::InheritableAttributeSet, "@*->>", "*->>", "!!@", false},
    {MethodType::ScalarSignature, "=>", "=>", "", true},
    {MethodType::SetSignature, "=>>", "=>>", "", true},
    {MethodType::AttributeSetSignature, "@=>>", "=>>", "", false}};

static_assert(
    [] {
        int number = 0;
        for (const MethodTypeText& entry : methodTypeTexts)
            if (static_cast<int>(entry.type) != number++) return false;
        return true;
    }(),
    "one entry per method type, in the order of their numbers");

// The texts of a method type's number; null for a number that is no method type.
constexpr const MethodTypeText* methodTypeText(int number) {
    constexpr int known = sizeof methodTypeTexts / sizeof methodTypeTexts[0];
    return number >= 0 && number < known ? &methodTypeTexts[number] : nullptr;
}
constexpr const MethodTypeText& methodTypeText(MethodType type) {
    return methodTypeTexts[static_cast<int>(type)];
}

// The method type written with an arrow ("->>" ...), if any.
constexpr std::optional<MethodType> methodTypeOfArrow(std::string_view arrow) {
    for (const MethodTypeText& entry : methodTypeTexts)
        if (arrow == entry.arrow) return entry.type;
    return std::nullopt;
}

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

// The arrow object (o31 .. o39) that stands for a method type; undefined outside 0 to 8.
InternalName arrowObject(int methodType);

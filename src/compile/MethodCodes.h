// MethodCodes: the typed codes a rule's literals and heads hand to the access layer: method types,
// document axes, arithmetic operations and class relations.
#pragma once

#include <cstdint>
#include <variant>

// The arrow of a method application or the dot of a path step, numbered as the access layer
// numbers method types. The "@" forms are the attributes of documents.
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

// The access layer's number of a method type.
inline int code(MethodType type) {
    return static_cast<int>(type);
}

// The document axis a literal or step walks, numbered as the access layer numbers them; None for
// a plain method application.
enum class Axis : std::int32_t {
    None = 0,
    Child = 1,
    Descendant = 2,
    Parent = 3,
    Ancestor = 4,
    Sibling = 5,
    Attribute = 6,
    Self = 7,
    FunctionApplication = 8
};

inline int code(Axis axis) {
    return static_cast<int>(axis);
}

// The arithmetic operations of a term a op b, numbered as the access layer's path kinds for them.
enum class ArithmeticOp : std::int32_t {
    Plus = 100,
    Minus = 101,
    Times = 102,
    IntegerDivision = 103,
    Division = 104
};

inline int code(ArithmeticOp op) {
    return static_cast<int>(op);
}

// What a path step or an arithmetic term computes: a step under the method type of its dot, or
// an arithmetic operation.
using PathStep = std::variant<MethodType, ArithmeticOp>;

// The number the access layer takes as the type of the step.
inline int code(const PathStep& step) {
    return std::visit([](auto kind) { return code(kind); }, step);
}

// The class relations, numbered as the access layer knows them.
enum class IsaRelation : std::int32_t { Member = 1, Subclass = 2, Child = 3 };

inline int code(IsaRelation relation) {
    return static_cast<int>(relation);
}

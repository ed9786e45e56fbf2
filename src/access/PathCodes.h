// PathCodes: the access layer's codes of document axes, arithmetic operations and path steps.
#pragma once

#include <cstdint>
#include <variant>

#include "objectbase/MethodType.h"

// The document axis a literal or step walks; None for a plain method application.
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

// The arithmetic operations of a term a op b, numbered after the method types so that one
// number tells a path step's kind.
enum class ArithmeticOp : std::int32_t {
    Plus = 100,
    Minus = 101,
    Times = 102,
    IntegerDivision = 103,
    Division = 104
};

template <>
inline constexpr bool isMethodCode<Axis> = true;
template <>
inline constexpr bool isMethodCode<ArithmeticOp> = true;

// What a path step or an arithmetic term computes: a step under the method type of its dot, or
// an arithmetic operation.
using PathStep = std::variant<MethodType, ArithmeticOp>;

// The number of the step's kind.
inline int code(const PathStep& step) {
    return std::visit([](auto kind) { return code(kind); }, step);
}

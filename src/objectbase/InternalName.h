// InternalName, the identifier of everything the object base stores, with the identifier constants.
#pragma once

#include <concepts>
#include <cstdint>
#include <iosfwd>
#include <string>

class OutputChannel;

// A small value (32-bit value, 8-bit kind, 8-bit flag) that is copied freely and keys every
// dictionary and set of the object base. It is deliberately kept free of a virtual table so that
// it stays eight bytes, trivially copyable and cheap to compare.
//
// Kinds: 0 predicate symbol, 1 function symbol, 2 string, 3 integer (value = the integer),
// 4 float (value = the bits of a 32-bit float), 5 variable, 6 don't-care variable,
// 7 built-in predicate symbol, 8 object, 9 parameter-frame name (flag = arity), 10 set name.
class InternalName {
  public:
    enum Kind : std::uint8_t {
        Predicate = 0,
        Function = 1,
        String = 2,
        Integer = 3,
        Float = 4,
        Variable = 5,
        DontCare = 6,
        BuiltinPredicate = 7,
        Object = 8,
        ParamFrame = 9,
        SetName = 10
    };

    // The undefined object (value 0, kind 8, flag 0).
    constexpr InternalName() : value(0), kind(Object), flag(0) {}
    constexpr InternalName(std::int32_t value, std::uint8_t kind, std::int8_t flag)
        : value(value), kind(kind), flag(flag) {}
    // Other integral values (long, unsigned, ...) are taken as 32-bit values.
    template <std::integral T>
    requires(!std::same_as<T, std::int32_t>) constexpr InternalName(T value, std::uint8_t kind,
                                                                    std::int8_t flag)
        : InternalName(static_cast<std::int32_t>(value), kind, flag) {}
    // A whole number below 2^31 in magnitude becomes that integer with the requested kind (a
    // requested kind 4 becomes 3); anything else (fractions, infinities, NaN, huge values) keeps
    // the float's bit pattern with kind 4. The flag is always taken as given.
    InternalName(float f, std::uint8_t kind, std::int8_t flag);
    // Rounded to a 32-bit float first, then as above.
    InternalName(double d, std::uint8_t kind, std::int8_t flag);

    constexpr InternalName(const InternalName&) = default;
    constexpr InternalName& operator=(const InternalName&) = default;

    constexpr std::int32_t getValue() const { return value; }
    // The kind byte, 0-10 for well-formed identifiers.
    constexpr int getType() const { return kind; }
    // The signed flag byte: the arity of symbols, -1 for numbers, 1 for set names.
    constexpr int getArity() const { return flag; }

    // Strings, integers, floats and objects.
    constexpr bool isConstant() const {
        return kind == String || kind == Integer || kind == Float || kind == Object;
    }
    // Variables and don't-care variables.
    constexpr bool isVariable() const { return kind == Variable || kind == DontCare; }

    // The one identifier the object base keeps for this name: a number (kind 3 or 4) has flag 0
    // there whoever made it (the symbol table marks its numbers with -1), every other name is
    // itself. Equality compares the flag, so one number must never have two identifiers.
    constexpr InternalName stored() const {
        return (kind == Integer || kind == Float) && flag != 0 ? InternalName(value, kind, 0)
                                                               : *this;
    }

    // The number of an integer or float identifier; -47.474747 for every other kind.
    float asFloat() const;

    // -1, 0 or 1: by value (signed), then kind (unsigned), then flag (signed).
    constexpr int compare(const InternalName& other) const {
        if (value != other.value) return value < other.value ? -1 : 1;
        if (kind != other.kind) return kind < other.kind ? -1 : 1;
        if (flag != other.flag) return flag < other.flag ? -1 : 1;
        return 0;
    }
    constexpr bool operator==(const InternalName& other) const {
        return value == other.value && kind == other.kind && flag == other.flag;
    }
    constexpr bool operator!=(const InternalName& other) const { return !(*this == other); }
    constexpr bool operator<(const InternalName& other) const { return compare(other) < 0; }

    // The kind's prefix followed by the decimal value ("o101", "i-5", "s3").
    std::string ToString() const;
    // Writes the same text as ToString.
    std::ostream& print(std::ostream& out) const;
    void printOn(OutputChannel* channel) const;

    // The print prefix of a kind; an unknown kind reports UnknownType and gives "?".
    static const char* typePrefix(int kind);

    // The absence of an object, an unbound position, the result of failed operations.
    static const InternalName UndefinedObject;
    // The set name every new object frame holds until a real set is attached (s0).
    static const InternalName InitialSetName;

  private:
    std::int32_t value;
    std::uint8_t kind;
    std::int8_t flag;
};

inline constexpr InternalName InternalName::UndefinedObject{0, InternalName::Object, 0};
inline constexpr InternalName InternalName::InitialSetName{0, InternalName::SetName, 1};

// The order of every ordered container keyed by identifiers.
constexpr int compare(const InternalName& a, const InternalName& b) {
    return a.compare(b);
}

std::ostream& operator<<(std::ostream& out, const InternalName& name);
OutputChannel& operator<<(OutputChannel& channel, const InternalName& name);

// The float as a standard stream writes it (six significant digits: "2.5", "0.1", "1e+10")
// whenever that text reads back to the same 32-bit float; otherwise the fewest further digits that
// do ("1234567.9", "16777216"), so that saving and re-reading an object base keeps every float.
std::string floatToText(float f);

// The 32-bit float nearest to d; magnitudes beyond the float range give the infinity or the largest
// float that IEEE rounding gives, without the undefined behaviour of a plain conversion.
float roundToFloat(double d);

// The objects the object base binds to the built-in symbols (object value = symbol id + 8; the
// parse family carries its arity in the flag). The built-in symbol "cons" has no object.
namespace builtinObject {
inline constexpr InternalName Get{10, InternalName::Object, 0};
inline constexpr InternalName Url{11, InternalName::Object, 0};
inline constexpr InternalName Nil{12, InternalName::Object, 0};
inline constexpr InternalName Parse0{13, InternalName::Object, 0};
inline constexpr InternalName Parse1{14, InternalName::Object, 1};
inline constexpr InternalName Parse2{15, InternalName::Object, 2};
inline constexpr InternalName Parse3{16, InternalName::Object, 3};
inline constexpr InternalName Parse5{17, InternalName::Object, 5};
inline constexpr InternalName References{18, InternalName::Object, 0};
inline constexpr InternalName Ordering{19, InternalName::Object, 0};
inline constexpr InternalName Xml{20, InternalName::Object, 0};
inline constexpr InternalName Sgml{21, InternalName::Object, 0};
inline constexpr InternalName Prolog{22, InternalName::Object, 0};
inline constexpr InternalName Dtd{23, InternalName::Object, 0};
inline constexpr InternalName Tag{24, InternalName::Object, 0};
inline constexpr InternalName Node{25, InternalName::Object, 0};
inline constexpr InternalName Attribute{26, InternalName::Object, 0};
inline constexpr InternalName String{27, InternalName::Object, 0};
inline constexpr InternalName Numeric{28, InternalName::Object, 0};
inline constexpr InternalName Literal{29, InternalName::Object, 0};
inline constexpr InternalName Object{30, InternalName::Object, 0};
inline constexpr InternalName Arrow{31, InternalName::Object, 0};          // "->"
inline constexpr InternalName SetArrow{32, InternalName::Object, 0};       // "->>"
inline constexpr InternalName SigArrow{33, InternalName::Object, 0};       // "=>"
inline constexpr InternalName SetSigArrow{34, InternalName::Object, 0};    // "=>>"
inline constexpr InternalName InhArrow{35, InternalName::Object, 0};       // "*->"
inline constexpr InternalName InhSetArrow{36, InternalName::Object, 0};    // "*->>"
inline constexpr InternalName AtSetArrow{37, InternalName::Object, 0};     // "@->>"
inline constexpr InternalName AtInhSetArrow{38, InternalName::Object, 0};  // "@*->>"
inline constexpr InternalName AtSetSigArrow{39, InternalName::Object, 0};  // "@=>>"
inline constexpr InternalName Self{40, InternalName::Object, 0};
inline constexpr InternalName Root{41, InternalName::Object, 0};
inline constexpr InternalName Text{42, InternalName::Object, 0};  // "text()"
inline constexpr InternalName Namespace{43, InternalName::Object, 0};
inline constexpr InternalName Xlink{44, InternalName::Object, 0};
inline constexpr InternalName Dbxlink{45, InternalName::Object, 0};
inline constexpr InternalName Type{46, InternalName::Object, 0};
inline constexpr InternalName Href{47, InternalName::Object, 0};
inline constexpr InternalName Transparent{48, InternalName::Object, 0};

// The object bound to the built-in symbol with this id (1-40); UndefinedObject for "cons" (4)
// and for ids outside the built-in range.
InternalName forSymbolId(int symbolId);
}  // namespace builtinObject

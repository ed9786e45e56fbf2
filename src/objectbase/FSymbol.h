// FSymbol, the identifier the symbol table makes for a source symbol, and the built-in symbols.
#pragma once

#include <cstdint>

#include "objectbase/InternalName.h"

// An InternalName made by the symbol table: for kinds 0, 1, 2, 5, 6 and 7 the value is the symbol
// id and the flag the arity; kind 3 holds the integer and kind 4 the bits of the float.
class FSymbol : public InternalName {
  public:
    // The undefined symbol (the value of InternalName::UndefinedObject).
    constexpr FSymbol() = default;
    constexpr FSymbol(const InternalName& name) : InternalName(name) {}
    // Accepts the kinds 0 to 7; any other kind reports NoSymbolType and is kept as given.
    constexpr FSymbol(std::int32_t value, std::uint8_t kind, std::int8_t arity)
        : InternalName(value, kind, arity) {
        if (kind > BuiltinPredicate) reportNoSymbolType();
    }

    constexpr FSymbol(const FSymbol&) = default;
    constexpr FSymbol& operator=(const FSymbol&) = default;

  private:
    static void reportNoSymbolType();
};

// Symbols are ordered as identifiers (this overload keeps generic comparisons from taking over).
constexpr int compare(const FSymbol& a, const FSymbol& b) {
    return a.compare(b);
}

// The built-in symbols every initialised symbol table holds under these ids, usable without a
// table.
namespace builtinSymbol {
inline constexpr FSymbol Get{1, InternalName::Function, 0};
inline constexpr FSymbol Url{2, InternalName::Function, 0};
inline constexpr FSymbol Nil{3, InternalName::Function, 0};
inline constexpr FSymbol Cons{4, InternalName::Function, 2};
inline constexpr FSymbol Parse0{5, InternalName::Function, 0};
inline constexpr FSymbol Parse1{6, InternalName::Function, 1};
inline constexpr FSymbol Parse2{7, InternalName::Function, 2};
inline constexpr FSymbol Parse3{8, InternalName::Function, 3};
inline constexpr FSymbol Parse5{9, InternalName::Function, 5};
inline constexpr FSymbol References{10, InternalName::Function, 0};
inline constexpr FSymbol Ordering{11, InternalName::Function, 0};
inline constexpr FSymbol Xml{12, InternalName::Function, 0};
inline constexpr FSymbol Sgml{13, InternalName::Function, 0};
inline constexpr FSymbol Prolog{14, InternalName::Function, 0};
inline constexpr FSymbol Dtd{15, InternalName::Function, 0};
inline constexpr FSymbol Tag{16, InternalName::Function, 0};
inline constexpr FSymbol Node{17, InternalName::Function, 0};
inline constexpr FSymbol Attribute{18, InternalName::Function, 0};
inline constexpr FSymbol String{19, InternalName::Function, 0};
inline constexpr FSymbol Numeric{20, InternalName::Function, 0};
inline constexpr FSymbol Literal{21, InternalName::Function, 0};
inline constexpr FSymbol Object{22, InternalName::Function, 0};
// The arrows are strings whose stored text keeps its double quotes.
inline constexpr FSymbol Arrow{23, InternalName::String, 0};          // "->"
inline constexpr FSymbol SetArrow{24, InternalName::String, 0};       // "->>"
inline constexpr FSymbol SigArrow{25, InternalName::String, 0};       // "=>"
inline constexpr FSymbol SetSigArrow{26, InternalName::String, 0};    // "=>>"
inline constexpr FSymbol InhArrow{27, InternalName::String, 0};       // "*->"
inline constexpr FSymbol InhSetArrow{28, InternalName::String, 0};    // "*->>"
inline constexpr FSymbol AtSetArrow{29, InternalName::String, 0};     // "@->>"
inline constexpr FSymbol AtInhSetArrow{30, InternalName::String, 0};  // "@*->>"
inline constexpr FSymbol AtSetSigArrow{31, InternalName::String, 0};  // "@=>>"
inline constexpr FSymbol Self{32, InternalName::Function, 0};
inline constexpr FSymbol Root{33, InternalName::Function, 0};
inline constexpr FSymbol Text{34, InternalName::Function, 0};  // "text()"
inline constexpr FSymbol Namespace{35, InternalName::Function, 0};
inline constexpr FSymbol Xlink{36, InternalName::Function, 0};
inline constexpr FSymbol Dbxlink{37, InternalName::Function, 0};
inline constexpr FSymbol Type{38, InternalName::Function, 0};
inline constexpr FSymbol Href{39, InternalName::Function, 0};
inline constexpr FSymbol Transparent{40, InternalName::Function, 0};

// The number of built-in symbols; a table holding only them has next id Count + 1.
inline constexpr int Count = 40;

// One row of the built-in table: the stored text (arrows with their quotes), kind and arity.
struct Entry {
    const char* name;
    int kind;
    int arity;
};
// The built-ins in id order: entries()[i] has id i + 1.
const Entry* entries();
}  // namespace builtinSymbol

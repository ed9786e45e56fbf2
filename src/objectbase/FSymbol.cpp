// FSymbol: the report for symbols of an unfit kind, and the table of built-in symbols.
#include "objectbase/FSymbol.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

void FSymbol::reportNoSymbolType() {
    centralErrorHandler().report(err10::NoSymbolType);
}

namespace builtinSymbol {

const Entry* entries() {
    static const Entry table[Count] = {
        {"get", InternalName::Function, 0},       {"url", InternalName::Function, 0},
        {"nil", InternalName::Function, 0},       {"cons", InternalName::Function, 2},
        {"parse", InternalName::Function, 0},     {"parse", InternalName::Function, 1},
        {"parse", InternalName::Function, 2},     {"parse", InternalName::Function, 3},
        {"parse", InternalName::Function, 5},     {"references", InternalName::Function, 0},
        {"ordering", InternalName::Function, 0},  {"xml", InternalName::Function, 0},
        {"sgml", InternalName::Function, 0},      {"prolog", InternalName::Function, 0},
        {"dtd", InternalName::Function, 0},       {"tag", InternalName::Function, 0},
        {"node", InternalName::Function, 0},      {"attribute", InternalName::Function, 0},
        {"string", InternalName::Function, 0},    {"numeric", InternalName::Function, 0},
        {"literal", InternalName::Function, 0},   {"object", InternalName::Function, 0},
        {"\"->\"", InternalName::String, 0},      {"\"->>\"", InternalName::String, 0},
        {"\"=>\"", InternalName::String, 0},      {"\"=>>\"", InternalName::String, 0},
        {"\"*->\"", InternalName::String, 0},     {"\"*->>\"", InternalName::String, 0},
        {"\"@->>\"", InternalName::String, 0},    {"\"@*->>\"", InternalName::String, 0},
        {"\"@=>>\"", InternalName::String, 0},    {"self", InternalName::Function, 0},
        {"root", InternalName::Function, 0},      {"text()", InternalName::Function, 0},
        {"namespace", InternalName::Function, 0}, {"xlink", InternalName::Function, 0},
        {"dbxlink", InternalName::Function, 0},   {"type", InternalName::Function, 0},
        {"href", InternalName::Function, 0},      {"transparent", InternalName::Function, 0},
    };
    return table;
}

}  // namespace builtinSymbol

// FunctionTableHandle, a caller's kept reference to the table of objects of one function symbol.
#pragma once

#include <cstdint>

#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"

class MainMemParamFrame;

// A rule head that makes an object of the same function symbol for every row resolves the
// symbol's table once and keeps it here. The object base fills it and trusts it only while its
// frame layout is the one it was filled under: clearing the base, equating objects or any other
// move of frames changes the layout, and the next lookup resolves the symbol again.
struct FunctionTableHandle {
    explicit FunctionTableHandle(const FSymbol& function) : function(function) {}

    FSymbol function;
    // The symbol's table and its name, as last resolved; null before the first lookup.
    MainMemParamFrame* rows = nullptr;
    InternalName rowsName = InternalName::UndefinedObject;
    // The layout the table was resolved under (0: never).
    std::uint64_t layout = 0;
    // Whether the table's rows came with ascending arguments up to the last lookup: the next
    // term, above them too most likely, is not looked up in an index, so a cache hint for it
    // would load nothing of use.
    bool ascending = false;
};

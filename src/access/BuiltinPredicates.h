// BuiltinPredicates: the built-in predicates with their dispatcher, and the arithmetic atoms.
#pragma once

#include <string>

#include "access/PathCodes.h"
#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"

class Iterator;
class NameConversions;
class OMAccess;

// Reads names, documents' files and descriptions through the access layer it serves, and makes
// and reads texts through the layer's name conversions (back references, not owned: the layer
// owns the built-ins and the conversions), so that a layer that finds documents' files or maps
// names its own way answers the built-ins the same way.
//
// Each built-in reads the mapped forms of its arguments and takes a number where a string is
// expected as the string constant of its lexical form; the operations with pointer arguments
// write the one cell they compute. Numbers are compared and computed exactly between integers
// and in double precision otherwise.
class BuiltinPredicates {
  public:
    BuiltinPredicates(OMAccess& access, const NameConversions& names)
        : access(access), names(names) {}
    BuiltinPredicates(const BuiltinPredicates&) = delete;
    BuiltinPredicates& operator=(const BuiltinPredicates&) = delete;

    // The dispatcher: releases the passed iterator and answers a new one over the solutions of
    // the built-in named by the symbol's text (null after UnknownPred, UnknownBuiltIn or an
    // unsafe "equiv"). While a link is followed, "=" holds between names that map to the same.
    Iterator* match(const FSymbol& symbol, const InternalName* tuple, int count, Iterator* old,
                    bool followingLink);
    // The arithmetic atoms x op y = r: solves for the one unbound cell; null when count is not 3.
    Iterator* matchArithmetic(const InternalName* tuple, int count, ArithmeticOp type);

    // 1 when the mapped forms of a and b are the same name.
    int equivalent(InternalName a, InternalName b);
    // "<", ">", "<=" or ">=" between two numbers; 0 for anything else.
    int compareNumbers(InternalName a, InternalName b, const std::string& op);
    // "describe"(host, method, argument count, arrow[, result]).
    Iterator* describe(const InternalName* args, int arity);
    // "string2integer" and "string2float"; "string2object".
    int stringToNumber(InternalName* text, InternalName* number);
    int stringToObject(InternalName* text, InternalName* object);
    // "substr"(part, whole): case-insensitive, over a document's text when whole is one.
    int substr(InternalName part, InternalName whole);
    int strcat(InternalName* first, InternalName* second, InternalName* joined);
    int strlen(InternalName text, InternalName* length);

  private:
    OMAccess& access;
    const NameConversions& names;
};

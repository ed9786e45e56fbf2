// BuiltinPredicates: the arithmetic atoms and the conversions between strings, numbers and objects.
#include <optional>
#include <string>

#include "access/BuiltinPredicates.h"
#include "access/BuiltinReport.h"
#include "access/DecimalNumber.h"
#include "access/DummyIterator.h"
#include "access/ExactNumber.h"
#include "access/NameConversions.h"
#include "access/NormalizeName.h"
#include "access/OMAccess.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/SymTab.h"

namespace {

bool isBound(const InternalName& name) {
    return name != InternalName::UndefinedObject;
}

// x op y for an operator; false after the division-by-zero report.
bool apply(ArithmeticOp type, const ExactNumber& x, const ExactNumber& y, ExactNumber& out) {
    switch (type) {
        case ArithmeticOp::Plus:
            out = x + y;
            return true;
        case ArithmeticOp::Minus:
            out = x - y;
            return true;
        case ArithmeticOp::Times:
            out = x * y;
            return true;
        case ArithmeticOp::IntegerDivision:
        case ArithmeticOp::Division:
            if (y.isZero()) {
                centralErrorHandler().report(err6::DivisionByZero);
                return false;
            }
            out = type == ArithmeticOp::IntegerDivision ? x.truncatedQuotient(y) : x / y;
            return true;
    }
    return false;
}

// The operand at `position` (0 or 1) that makes x op y = r. A factor or divisor whose partner is 0
// has no single solution: false, without a report.
bool solveOperand(ArithmeticOp type, int position, const ExactNumber& known, const ExactNumber& r,
                  ExactNumber& out) {
    switch (type) {
        case ArithmeticOp::Plus:
            out = r - known;
            return true;
        case ArithmeticOp::Minus:
            out = position == 0 ? r + known : known - r;
            return true;
        case ArithmeticOp::Times:
            if (known.isZero()) return false;
            out = r / known;
            return true;
        case ArithmeticOp::IntegerDivision:
        case ArithmeticOp::Division:
            if (position == 0) {
                out = r * known;
                return true;
            }
            if (r.isZero()) return false;
            out = known / r;
            return true;
    }
    return false;
}

// The text as C's strtod reads its leading number: blanks skipped, then a decimal number.
bool readLeadingNumber(std::string_view text, InternalName& out) {
    const std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
    if (start == std::string_view::npos) return false;
    std::size_t length = 0;
    return decimalNumber::readPrefix(text.substr(start), out, length);
}

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

Iterator* BuiltinPredicates::matchArithmetic(const InternalName* tuple, int count,
                                             ArithmeticOp type) {
    if (count != 3) return nullptr;
    InternalName row[3] = {tuple[0], tuple[1], tuple[2]};
    std::optional<ExactNumber> value[3];
    int unbound = 0;
    int position = -1;
    bool failed = false;
    for (int i = 0; i < 3; ++i) {
        const InternalName cell = access.mappedName(row[i]);
        if (!isBound(cell)) {
            ++unbound;
            position = i;
        } else if (!(value[i] = ExactNumber::of(cell))) {
            failed = true;
        }
    }
    if (unbound > 1) {
        builtinReport::unsafe();
        failed = true;
    }
    if (!failed) {
        ExactNumber computed = ExactNumber::integer(0);
        if (position == -1) {
            // A bound result is checked against the value a computed result would be stored as.
            failed =
                !apply(type, *value[0], *value[1], computed) || !(computed.stored() == *value[2]);
        } else if (position == 2) {
            failed = !apply(type, *value[0], *value[1], computed);
        } else {
            failed = !solveOperand(type, position, *value[1 - position], *value[2], computed);
        }
        if (!failed && position != -1) row[position] = computed.name();
    }
    return new DummyIterator(row, 3, !failed);
}

int BuiltinPredicates::stringToNumber(InternalName* text, InternalName* number) {
    if (!isBound(*text) && !isBound(*number)) return 0;
    InternalName t = access.mappedName(*text);
    names.toStringConstant(t, t);
    const InternalName n = access.mappedName(*number);
    if (t.getType() == InternalName::String) {
        std::string s = names.constantText(t);
        // A float's text begins with its mark.
        if (!s.empty() && s[0] == '#') s.erase(0, 1);
        InternalName read(0, InternalName::Integer, 0);
        const bool converted = readLeadingNumber(s, read);
        if (const auto bound = ExactNumber::of(n))
            return converted && *bound == *ExactNumber::of(read);
        if (!isBound(n)) {
            *number = read;
            return converted ? 1 : 0;
        }
        return 0;
    }
    if (isBound(t)) return 0;
    return names.toStringConstant(n, *text);
}

int BuiltinPredicates::stringToObject(InternalName* text, InternalName* object) {
    if (!isBound(*text) && !isBound(*object)) return 0;
    InternalName t = access.mappedName(*text);
    names.toStringConstant(t, t);
    const InternalName o = access.mappedName(*object);
    if (ExactNumber::of(o)) return stringToNumber(text, object);
    if (t.getType() == InternalName::String) {
        const std::string s = names.constantText(t);
        if (s.empty()) return 0;
        if (s[0] == '#' || isAsciiDigit(s[0])) return stringToNumber(text, object);
        SymTab* table = access.giveSymTab();
        if (table == nullptr) return 0;
        FSymbol symbol;
        if (isAsciiLetter(s[0]))
            symbol = table->GetFSymbol(normalizeName(s), InternalName::Function, 0);
        else if (s[0] == '"')
            symbol = table->GetFSymbol(s, InternalName::String, 0);
        else
            return 0;
        InternalName made = InternalName::UndefinedObject;
        access.getOrCreateName(symbol, made);
        if (!isBound(o)) {
            *object = made;
            return 1;
        }
        return o == made ? 1 : 0;
    }
    if (isBound(*text)) return 0;
    names.stringConstant(*text, names.lexicalForm(o));
    return 1;
}

// Pred's "perl" call: perl(Code, In2, ..., Ink, Out1, ..., Outm) runs the code in the embedded
// interpreter with the inputs in @in and reads its rows of m values from @out.
#include <limits>
#include <sstream>
#include <string>

#include "access/ExactNumber.h"
#include "access/OMAccess.h"
#include "access/wPerl.h"
#include "compile/Pred.h"
#include "objectbase/SymTab.h"
#include "objectbase/TupleSetIterator.h"

namespace {

// The text of a string constant without its double quotes.
std::string unquoted(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

}  // namespace

InternalName Pred::perlValue(OMAccess* access, const std::string& text, long asInt,
                             double asDouble) {
    if (asInt >= std::numeric_limits<std::int32_t>::min() &&
        asInt <= std::numeric_limits<std::int32_t>::max() && text == std::to_string(asInt))
        return ExactNumber::integer(asInt).name();
    const float number = roundToFloat(asDouble);
    std::ostringstream streamed;
    streamed << number;
    if (streamed.str() == text) return ExactNumber::real(number).name();
    std::string quoted = text;
    if (quoted.empty() || quoted.front() != '"') quoted.insert(0, "\"");
    if (quoted.size() < 2 || quoted.back() != '"') quoted += '"';
    InternalName name;
    SymTab* names = access->giveSymTab();
    if (names != nullptr) access->getOrCreateName(names->GetFSymbol(quoted, 2, 0), name);
    return name;
}

Iterator* Pred::perlCall(PredRun& run) const {
    run.clearPerlRows();
    OMAccess* access = run.access;
    const std::vector<InternalName>& patternCells = run.patternCells;
    const int k = perlInputCount < 1 ? 1 : perlInputCount;
    const int m = arity - k;
    // Without an output position a call has no rows to give.
    if (m <= 0) return new TupleSetIterator(&run.perlRows, arity);

    // Code that is no string runs nothing and gives no rows: @out still holds what an earlier
    // call left there, which is no answer of this one.
    wPerl* perl = wPerl::current();
    if (perl == nullptr || patternCells[0].getType() != InternalName::String)
        return new TupleSetIterator(&run.perlRows, arity);
    {
        // The inputs go in as Perl values, never as Perl source: no value can run code.
        wArray in = wPerl::getArray("in", 1);
        in.clear();
        for (int c = 1; c < k; ++c) {
            const InternalName value = access->mappedName(patternCells[std::size_t(c)]);
            if (value == builtinObject::Nil) continue;
            switch (value.getType()) {
                case InternalName::Integer:
                    in.append(long(value.getValue()));
                    break;
                case InternalName::Float:
                    in.append(double(value.asFloat()));
                    break;
                case InternalName::String:
                    in.append(unquoted(lexicalText(access, value)));
                    break;
                default:
                    in.append(lexicalText(access, value));
            }
        }
        wPerl::getArray("out", 1).clear();
        perl->eval(unquoted(lexicalText(access, patternCells[0])).c_str());
    }

    std::vector<InternalName> row(std::size_t(arity), InternalName::UndefinedObject);
    std::copy(patternCells.begin(), patternCells.begin() + k, row.begin());
    if (patternCells[std::size_t(k)] == builtinObject::Nil) {
        run.addPerlRow(row.data(), arity);
        return new TupleSetIterator(&run.perlRows, arity);
    }
    wArray out = wPerl::getArray("out", 1);
    const int rows = out.size() / m;
    for (int r = 0; r < rows; ++r) {
        bool kept = true;
        for (int j = 0; j < m && kept; ++j) {
            const wScalar element = out[r * m + j];
            const InternalName value =
                perlValue(access, element.asString(), element.asInt(), element.asDouble());
            const InternalName& wanted = patternCells[std::size_t(k + j)];
            kept = wanted == InternalName::UndefinedObject || wanted == value;
            row[std::size_t(k + j)] = value;
        }
        if (kept) run.addPerlRow(row.data(), arity);
    }
    // Nothing of this call's rows is left for Perl code to see later.
    out.clear();
    return new TupleSetIterator(&run.perlRows, arity);
}

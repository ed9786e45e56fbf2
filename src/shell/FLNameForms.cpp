// The printed forms of names kept for one export.
#include "shell/FLNameForms.h"

#include <algorithm>

#include "objectbase/FSymbol.h"
#include "objectbase/OM.h"
#include "objectbase/QuotedString.h"
#include "objectbase/SymTab.h"

void FLNameForms::appendPlain(const InternalName& name, std::string& out) {
    FSymbol symbol;
    if (om->giveSymbol(name, symbol) == 0) return;
    if (symbol == builtinSymbol::Nil) {
        out += "[]";
        return;
    }
    stored = om->giveSymTab()->giveName(symbol);
    if (symbol.getType() != InternalName::String) {
        out += stored;
        return;
    }
    appendQuotedString(stored, out);
}

void FLNameForms::appendInteger(std::int32_t value, FLText& out) {
    char digits[12];
    char* const end = digits + sizeof digits;
    char* at = end;
    std::uint32_t rest = value < 0 ? 0u - std::uint32_t(value) : std::uint32_t(value);
    do {
        *--at = char('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (value < 0) *--at = '-';
    out.put(at, std::size_t(end - at));
}

void FLNameForms::appendMade(const InternalName& name, FLText& out) {
    const int type = name.getType();
    const std::int32_t number = name.getValue();
    if (om == nullptr) return;
    if ((type != InternalName::Object && type != InternalName::String) || name.getArity() != 0 ||
        number < 0 || number >= numberLimit) {
        made.clear();
        om->giveLexicalForm(name, made, 1, 0);
        out.put(made);
        return;
    }
    const auto place = static_cast<std::size_t>(number);
    if (place >= byNumber.size()) byNumber.resize(std::max(place + 1, byNumber.size() * 2));
    std::uint32_t& slot = byNumber[place];
    if (slot != 0) {
        // An object and a string of the same number: the second is made each time.
        made.clear();
        om->giveLexicalForm(name, made, 1, 0);
        out.put(made);
        return;
    }
    const std::size_t at = texts.size();
    if (at >= textsLimit) {
        made.clear();
        om->giveLexicalForm(name, made, 1, 0);
        out.put(made);
        return;
    }
    appendPlain(name, texts);
    kept.push_back(
        {name, static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(texts.size() - at)});
    slot = static_cast<std::uint32_t>(kept.size());
    out.put(texts.data() + at, texts.size() - at);
}

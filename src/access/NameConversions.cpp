// NameConversions: symbols and texts made into object-base names, and names read as texts.
#include "access/NameConversions.h"

#include "access/DecimalNumber.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"

NameConversions::NameConversions(OM* om)
    : om(om), symTab(om != nullptr ? om->giveSymTab() : nullptr) {}

int NameConversions::internValue(const FSymbol& symbol, InternalName& out) const {
    switch (symbol.getType()) {
        case InternalName::Integer:
        case InternalName::Float:
            // A number is its own name; the flag of the symbol plays no part.
            out = symbol.stored();
            return 1;
        case InternalName::String:
            if (om == nullptr) return 0;
            om->getOrCreateName(symbol, out);
            return 1;
        default:
            return om != nullptr ? om->giveInternalName(symbol, out) : 0;
    }
}

InternalName& NameConversions::internName(InternalName& out, const std::string& text,
                                          int type) const {
    return om != nullptr ? om->internName(out, text, type) : out;
}

InternalName& NameConversions::nameFromString(InternalName& out, const std::string& text,
                                              int type) const {
    if (symTab == nullptr || om == nullptr) return out;
    const FSymbol symbol = symTab->GetFSymbol(text, type, 0);
    out = InternalName::UndefinedObject;
    om->getOrCreateName(symbol, out);
    return out;
}

InternalName& NameConversions::numberOrString(InternalName& out, const std::string& text) const {
    if (decimalNumber::readWhole(text, out)) return out;
    return nameFromString(out, "\"" + text + "\"", InternalName::String);
}

int NameConversions::toStringConstant(const InternalName& source, InternalName& target) const {
    const int type = source.getType();
    if (type != InternalName::Integer && type != InternalName::Float) {
        target = source;
        return 0;
    }
    std::string text;
    if (om != nullptr) om->giveLexicalForm(source, text, 0, 1);
    nameFromString(target, "\"" + text + "\"", InternalName::String);
    return 1;
}

std::string NameConversions::lexicalForm(const InternalName& name) const {
    std::string text;
    if (om != nullptr) om->giveLexicalForm(name, text, 0, 0);
    return text;
}

std::string NameConversions::constantText(const InternalName& name) const {
    std::string text = lexicalForm(name);
    if (text.size() < 2) return std::string();
    // The quotes go where the text lies: a long string is not copied a second time.
    text.pop_back();
    text.erase(0, 1);
    return text;
}

InternalName& NameConversions::stringConstant(InternalName& out, const std::string& text) const {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return nameFromString(out, quoted, InternalName::String);
}

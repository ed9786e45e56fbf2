// NameConversions: the conversions between texts, source symbols and object-base names.
#pragma once

#include <string>

#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"

class OM;
class SymTab;

// Works on the object manager and its symbol table (back references, not owned: the access layer
// that owns the conversions holds the manager). Without a manager every conversion answers 0 or
// leaves its out-parameter as it was.
class NameConversions {
  public:
    explicit NameConversions(OM* om);
    NameConversions(const NameConversions&) = delete;
    NameConversions& operator=(const NameConversions&) = delete;

    // A source symbol's object-base name: numbers are their own names (flag 0), strings are made
    // on first use, other symbols only looked up (the answer says whether one was bound).
    int internValue(const FSymbol& symbol, InternalName& out) const;
    InternalName& internName(InternalName& out, const std::string& text, int type) const;
    // The name of the symbol (text, type, arity 0), made on first use.
    InternalName& nameFromString(InternalName& out, const std::string& text, int type) const;
    // A text that is a decimal number in full is that number (an integer when it is whole and
    // fits 32 bits, otherwise a float); any other text is the string constant that keeps its
    // double quotes.
    InternalName& numberOrString(InternalName& out, const std::string& text) const;
    // A number becomes the string constant of its lexical form (answer 1); any other name is
    // copied unchanged (answer 0).
    int toStringConstant(const InternalName& source, InternalName& target) const;

    // The lexical form of a name (plain style) as a string.
    std::string lexicalForm(const InternalName& name) const;
    // The text of a string constant: its lexical form without the enclosing quotes.
    std::string constantText(const InternalName& name) const;
    // out := the string constant with this text (made on first use).
    InternalName& stringConstant(InternalName& out, const std::string& text) const;

  private:
    OM* om;
    SymTab* symTab;
};

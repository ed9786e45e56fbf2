// PPVarSymTab: the symbol table through which the answer printer writes a query with the values of
// one answer in place of its variables.
#pragma once

#include <string>

#include "foundation/clib_dictionary.h"
#include "objectbase/FSymbol.h"
#include "objectbase/SymTab.h"

// Names each bound symbol by the text given to bind; a symbol without an entry prints as "_", so a
// variable the answer does not bind reads as an anonymous one.
class PPVarSymTab : public SymTab {
  public:
    PPVarSymTab() = default;
    PPVarSymTab(const PPVarSymTab&) = delete;
    PPVarSymTab& operator=(const PPVarSymTab&) = delete;

    std::string GetName(const InternalName& symbol) override;
    std::string giveName(const InternalName& symbol) const override;
    // Enters or overwrites the text of the symbol.
    virtual void bind(const FSymbol& symbol, const std::string& text);
    // Forgets every entry, then takes the name of every symbol of the table (nothing for null).
    virtual void load(const SymTab* names);

    std::string name() const override { return "aPPVarSymTab"; }
    bool isA(const std::string& className) const override;

  protected:
    ~PPVarSymTab() override = default;

  private:
    clib_dictionary<FSymbol, std::string> texts;
};

// The value table of the answer printer.
#include "shell/PPVarSymTab.h"

std::string PPVarSymTab::GetName(const InternalName& symbol) {
    return giveName(symbol);
}

std::string PPVarSymTab::giveName(const InternalName& symbol) const {
    const auto item = texts.lookup(FSymbol(symbol));
    return item != nullptr ? texts.inf(item) : std::string("_");
}

void PPVarSymTab::bind(const FSymbol& symbol, const std::string& text) {
    const auto item = texts.lookup(symbol);
    if (item != nullptr) {
        texts.change_inf(item, text);
    } else {
        texts.insert(symbol, text);
    }
}

void PPVarSymTab::load(const SymTab* names) {
    texts.clear();
    if (names == nullptr) return;
    names->forEachSymbol([this](const InternalName& symbol, const std::string& text) {
        bind(FSymbol(symbol), text);
    });
}

bool PPVarSymTab::isA(const std::string& className) const {
    return className == "PPVarSymTab" || SymTab::isA(className);
}

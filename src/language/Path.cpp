// Path: the parenthesised print, the result part and the copies of both.
#include "language/Path.h"

#include "foundation/OutputChannel.h"
#include "language/MethResult.h"

bool Path::isA(const std::string& className) const {
    return className == "Path" || FTerm::isA(className);
}

Path::Path(const Path& other)
    : FTerm(other), startKindValue(other.startKindValue), parenthesized(other.parenthesized) {
    MethResult* source = other.methResult.get();
    if (source != nullptr && (source->isClass("SMethResult") || source->isClass("MMethResult"))) {
        methResult = Ref<MethResult>::adopt(source->clone());
        if (methResult == nullptr) markIncomplete();
    }
}

Path::~Path() = default;

void Path::printNested(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    channel << "(";
    print(channel, names, vars);
    channel << ")";
}

void Path::setMethResult(MethResult* result) {
    methResult = Ref<MethResult>::share(result);
}

void Path::replaceStart(Path* /*start*/) {}

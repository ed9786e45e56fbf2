// OMAccess signature queries of the XML export: which classes take part in signatures and the
// class an object is exported as.
#include <vector>

#include "access/DescIter.h"
#include "access/OMAccess.h"
#include "access/SignatureClasses.h"
#include "objectbase/Iterator.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// Whether some description of the given signature type, turned into a lookup pattern by
// `place`, is answered; descriptions with fewer than minArguments arguments are skipped.
template <class Place>
bool someSignatureAnswers(OMAccess& access, MethodType type, int minArguments, Place place) {
    const auto descriptions = Ref<UnSpecDescIter>::make(Free, Free, -1, type, &access);
    bool found = false;
    for (bool more = descriptions->first(); more && !found; more = descriptions->next()) {
        const int argCount = static_cast<int>(descriptions->atColumn(3).asFloat());
        if (argCount < minArguments) continue;
        std::vector<InternalName> pattern(static_cast<std::size_t>(argCount + 3), Free);
        pattern[0] = descriptions->atColumn(1);
        pattern[1] = descriptions->atColumn(2);
        found = place(pattern, argCount, [&](const std::vector<InternalName>& cells) {
            return yieldsRow(
                access.lookup(type, cells.data(), static_cast<int>(cells.size()), nullptr));
        });
    }
    return found;
}

}  // namespace

int OMAccess::hasSignatures(const InternalName& cls) {
    for (MethodType type : {MethodType::ScalarSignature, MethodType::SetSignature})
        if (yieldsRow(new HostSpecDescIter(cls, Free, -1, type, this))) return 1;
    return 0;
}

int OMAccess::isResultType(const InternalName& cls) {
    for (MethodType type : {MethodType::ScalarSignature, MethodType::SetSignature,
                            MethodType::AttributeSetSignature}) {
        const bool found = someSignatureAnswers(
            *this, type, 0, [&](std::vector<InternalName>& pattern, int, auto lookupAnswers) {
                pattern.back() = cls;
                return lookupAnswers(pattern);
            });
        if (found) return 1;
    }
    return 0;
}

int OMAccess::isArgumentType(const InternalName& cls) {
    const bool found = someSignatureAnswers(
        *this, MethodType::ScalarSignature, 1,
        [&](std::vector<InternalName>& pattern, int argCount, auto lookupAnswers) {
            for (int i = 0; i < argCount; ++i) {
                pattern[static_cast<std::size_t>(2 + i)] = cls;
                if (lookupAnswers(pattern)) return true;
                pattern[static_cast<std::size_t>(2 + i)] = Free;
            }
            return false;
        });
    return found ? 1 : 0;
}

set<InternalName>* OMAccess::signatureClassesOf(const InternalName& x, int kind) {
    auto* classes = new set<InternalName>();
    const auto isa = Ref<Iterator>::adopt(makeEnhIsaIter(x, Free, IsaRelation(kind), nullptr));
    for (bool more = isa && isa->first(); more; more = isa->next()) {
        const InternalName cls = isa->atColumn(2);
        if (cls == x || classes->member(cls)) continue;
        if (takesPartInSignatures(cls)) classes->insert(cls);
    }
    return classes;
}

bool OMAccess::takesPartInSignatures(const InternalName& cls) {
    if (walkClasses) return walkClasses->takesPart(cls);
    return hasSignatures(cls) != 0 || isResultType(cls) != 0 || isArgumentType(cls) != 0;
}

bool OMAccess::openSignatureWalk() {
    if (walkClasses) return false;
    walkClasses = std::make_unique<SignatureClasses>(*this);
    return true;
}

void OMAccess::closeSignatureWalk() {
    walkClasses.reset();
}

InternalName& OMAccess::typeClassOf(InternalName& out, const InternalName& x) {
    set<InternalName>* classes = signatureClassesOf(x, 1);
    if (classes->empty()) {
        out = builtinObject::Object;
    } else if (classes->size() == 1) {
        out = classes->choose();
    } else {
        set<InternalName>* specific = mostSpecificClasses(*classes, 2);
        out = specific->choose();
        delete specific;
    }
    delete classes;
    return out;
}

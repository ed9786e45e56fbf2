// The classes that take part in signatures, from one walk over the signatures.
#include "access/SignatureClasses.h"

#include "access/OMAccess.h"
#include "objectbase/Iterator.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

}  // namespace

SignatureClasses::SignatureClasses(OMAccess& access) : access(access) {
    // One walk over the objects; in a frame the entries are ordered by method type, so each
    // signature type is a binary search and a run of its own entries, and a frame without
    // signatures is passed over without reading its other entries (a walk over every entry
    // was a sixth of an export's time). Their order answers nothing.
    constexpr MethodType types[] = {MethodType::ScalarSignature, MethodType::SetSignature,
                                    MethodType::AttributeSetSignature};
    const auto hosts = Ref<Iterator>::adopt(access.objNamesIterator(nullptr));
    Ref<Iterator> entries;
    for (bool host = hosts != nullptr && hosts->first(); host; host = hosts->next()) {
        const InternalName object = hosts->atColumn(1);
        for (MethodType type : types) {
            entries.renew([&](Iterator* old) { return access.methodIterator(object, type, old); });
            for (bool more = entries != nullptr && entries->first(); more; more = entries->next())
                signatures.push_back({type, object, entries->atColumn(1),
                                      static_cast<int>(entries->atColumn(3).asFloat())});
        }
    }
    for (const Signature& signature : signatures) {
        if (signature.type != MethodType::AttributeSetSignature)
            known.emplace(signature.host, true);
        std::vector<InternalName> pattern(static_cast<std::size_t>(signature.argCount + 3), Free);
        pattern[0] = signature.host;
        pattern[1] = signature.method;
        Ref<Iterator> rows = Ref<Iterator>::adopt(access.lookup(
            signature.type, pattern.data(), static_cast<int>(pattern.size()), nullptr));
        const bool arguments =
            signature.type == MethodType::ScalarSignature && signature.argCount > 0;
        for (bool row = rows != nullptr && rows->first(); row; row = rows->next()) {
            add(rows->atColumn(signature.argCount + 3));
            if (arguments)
                for (int col = 3; col <= signature.argCount + 2; ++col) add(rows->atColumn(col));
        }
    }
}

void SignatureClasses::add(const InternalName& cell) {
    if (cell.getType() != InternalName::SetName) {
        known.insert_or_assign(cell, true);
        return;
    }
    Ref<Iterator> members = Ref<Iterator>::adopt(access.setIterator(cell, nullptr));
    for (bool more = members != nullptr && members->first(); more; more = members->next())
        known.insert_or_assign(members->atColumn(1), true);
}

bool SignatureClasses::takesPart(const InternalName& cls) {
    const auto found = known.find(cls);
    if (found != known.end()) return found->second;
    const bool answers = boundLookupAnswers(cls);
    known.emplace(cls, answers);
    return answers;
}

bool SignatureClasses::boundLookupAnswers(const InternalName& cls) {
    for (const Signature& signature : signatures) {
        std::vector<InternalName> pattern(static_cast<std::size_t>(signature.argCount + 3), Free);
        pattern[0] = signature.host;
        pattern[1] = signature.method;
        pattern.back() = cls;
        if (yieldsRow(access.lookup(signature.type, pattern.data(),
                                    static_cast<int>(pattern.size()), nullptr)))
            return true;
        if (signature.type != MethodType::ScalarSignature) continue;
        pattern.back() = Free;
        for (int i = 0; i < signature.argCount; ++i) {
            pattern[static_cast<std::size_t>(2 + i)] = cls;
            if (yieldsRow(access.lookup(signature.type, pattern.data(),
                                        static_cast<int>(pattern.size()), nullptr)))
                return true;
            pattern[static_cast<std::size_t>(2 + i)] = Free;
        }
    }
    return false;
}

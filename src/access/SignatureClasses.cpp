// The classes that take part in signatures, from one walk over the signatures.
#include "access/SignatureClasses.h"

#include "access/OMAccess.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/OM.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

}  // namespace

SignatureClasses::SignatureClasses(OMAccess& access) : access(access) {
    // One walk over the objects, each one's entries read in place from its frame (three
    // iterators a frame, one for each signature type, were a sixth of an export's time). The
    // entries come in the order of their types; their order answers nothing.
    const auto hosts = Ref<Iterator>::adopt(access.objNamesIterator(nullptr));
    OM* om = access.om();
    for (bool host = hosts != nullptr && hosts->first(); host; host = hosts->next()) {
        const InternalName object = hosts->atColumn(1);
        const MainMemObjFrame* frame = om != nullptr ? om->getObjFrame(object) : nullptr;
        if (frame == nullptr) continue;
        frame->forEachEntry([&](const MethodKey& key, const InternalName&) {
            const int type = key.methodType;
            if (type >= code(MethodType::ScalarSignature) &&
                type <= code(MethodType::AttributeSetSignature))
                signatures.push_back({MethodType(type), object, key.method, key.argCount});
        });
    }
    for (const Signature& signature : signatures)
        if (signature.type != MethodType::AttributeSetSignature)
            known.emplace(signature.host, true);
}

void SignatureClasses::addNamedClasses() {
    namedClassesAdded = true;
    for (const Signature& signature : signatures) {
        std::vector<InternalName> pattern(static_cast<std::size_t>(signature.argCount + 3), Free);
        pattern[0] = signature.host;
        pattern[1] = signature.method;
        Ref<Iterator> rows = Ref<Iterator>::adopt(access.lookup(
            signature.type, pattern.data(), static_cast<int>(pattern.size()), nullptr));
        const bool arguments =
            signature.type == MethodType::ScalarSignature && signature.argCount > 0;
        std::vector<InternalName>& kept = lookedUp[signature];
        for (bool row = rows != nullptr && rows->first(); row; row = rows->next()) {
            for (int col = 1; col <= signature.argCount + 3; ++col)
                kept.push_back(rows->atColumn(col));
            add(rows->atColumn(signature.argCount + 3));
            if (arguments)
                for (int col = 3; col <= signature.argCount + 2; ++col) add(rows->atColumn(col));
        }
    }
}

const std::vector<InternalName>* SignatureClasses::rowsOf(MethodType type, const InternalName& host,
                                                          const InternalName& method,
                                                          int argCount) const {
    const auto found = lookedUp.find(Signature{type, host, method, argCount});
    return found == lookedUp.end() ? nullptr : &found->second;
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
    auto found = known.find(cls);
    if (found != known.end() && found->second) return true;
    if (!namedClassesAdded) {
        addNamedClasses();
        found = known.find(cls);
    }
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

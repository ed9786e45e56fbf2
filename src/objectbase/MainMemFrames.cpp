// Object frames, set frames and the method iterator over object frames.
#include "objectbase/MainMemFrames.h"

#include <ostream>
#include <vector>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/SetIterator.h"

int compare(const MethodKey& a, const MethodKey& b) {
    if (a.methodType != b.methodType) return a.methodType < b.methodType ? -1 : 1;
    if (a.argCount != b.argCount) return a.argCount < b.argCount ? -1 : 1;
    return compare(a.method, b.method);
}

namespace {

// The arrow of each method type: its built-in object and the text a printed frame shows, where
// the "@" forms print as their plain arrows.
struct Arrow {
    InternalName object;
    const char* text;
};

constexpr Arrow Arrows[] = {
    {builtinObject::Arrow, "->"},          {builtinObject::SetArrow, "->>"},
    {builtinObject::AtSetArrow, "->>"},    {builtinObject::InhArrow, "*->"},
    {builtinObject::InhSetArrow, "*->>"},  {builtinObject::AtInhSetArrow, "*->>"},
    {builtinObject::SigArrow, "=>"},       {builtinObject::SetSigArrow, "=>>"},
    {builtinObject::AtSetSigArrow, "=>>"},
};

const Arrow* arrowOf(int methodType) {
    constexpr int known = sizeof Arrows / sizeof Arrows[0];
    return methodType >= 0 && methodType < known ? &Arrows[methodType] : nullptr;
}

const char* arrowText(int methodType) {
    const Arrow* arrow = arrowOf(methodType);
    return arrow != nullptr ? arrow->text : "???";
}

}  // namespace

InternalName arrowObject(int methodType) {
    const Arrow* arrow = arrowOf(methodType);
    return arrow != nullptr ? arrow->object : InternalName::UndefinedObject;
}

// ---------------------------------------------------------------------------------------------
// MainMemObjFrame

MainMemObjFrame::MainMemObjFrame()
    : setName1(InternalName::InitialSetName),
      setName2(InternalName::InitialSetName),
      setName3(InternalName::UndefinedObject) {}

int MainMemObjFrame::size() const {
    return methods.size();
}

void MainMemObjFrame::clear() {
    methods.clear();
}

void MainMemObjFrame::print(OutputChannel& out) const {
    out << "[ : " << setName1 << std::endl << "  :: " << setName2;
    for (auto it = methods.first_item(); it != nullptr; it = methods.next_item(it)) {
        const MethodKey& key = methods.key(it);
        out << std::endl
            << "  " << key.method << " " << arrowText(key.methodType) << " " << methods.inf(it);
    }
    out << "]" << std::endl;
}

int MainMemObjFrame::lookupMethod(const InternalName& method, int methodType, int argCount,
                                  InternalName& value) const {
    auto it = methods.lookup(MethodKey(methodType, argCount, method));
    if (it == nullptr) return 0;
    value = methods.inf(it);
    return 1;
}

Iterator* MainMemObjFrame::methodIterator(int methodType, int arity, Iterator* reuse) {
    if (reuse != nullptr) {
        if (reuse->isA("OFrameIterator")) {
            static_cast<OFrameIterator*>(reuse)->reset(&methods, methodType, arity);
            return reuse;
        }
        decRef(reuse);
    }
    return new OFrameIterator(&methods, methodType, arity);
}

Iterator* MainMemObjFrame::methodIterator(int methodType, Iterator* reuse) {
    return methodIterator(methodType, -1, reuse);
}

int MainMemObjFrame::insertMethod(const InternalName& method, const InternalName& value,
                                  int methodType, int argCount) {
    MethodKey key(methodType, argCount, method);
    if (methods.lookup(key) != nullptr) return 0;
    methods.insert(key, value);
    return 1;
}

int MainMemObjFrame::replaceName(const InternalName& oldName, const InternalName& newName,
                                 clib_dictionary<InternalName, InternalName>& pairs) {
    struct Moved {
        MethodKey key;
        InternalName value;
    };
    std::vector<Moved> moved;
    int status = 0;
    for (auto it = methods.first_item(); it != nullptr; it = methods.next_item(it)) {
        const MethodKey key = methods.key(it);
        InternalName value = methods.inf(it);
        if (key.method == oldName) {
            auto target = methods.lookup(MethodKey(key.methodType, key.argCount, newName));
            // Two different values under one key must be equated by the caller; a value that
            // equals the one already there is no collision.
            if (target != nullptr && methods.inf(target) != value)
                pairs.insert(value, methods.inf(target));
            moved.push_back({key, value});
            status = 1;
        }
        if (value == oldName) {
            methods.change_inf(it, newName);
            status = 2;
        }
    }
    for (const Moved& entry : moved) {
        MethodKey renamed(entry.key.methodType, entry.key.argCount, newName);
        auto stored = methods.lookup(entry.key);
        InternalName value = stored != nullptr ? methods.inf(stored) : entry.value;
        if (methods.lookup(renamed) == nullptr) methods.insert(renamed, value);
        if (oldName != newName) methods.del(entry.key);
    }
    return status;
}

// ---------------------------------------------------------------------------------------------
// MainMemSetFrame

Iterator* MainMemSetFrame::getIterator(Iterator* reuse) {
    if (reuse != nullptr) {
        if (reuse->isA("SetIterator")) {
            static_cast<SetIterator*>(reuse)->reset(members);
            return reuse;
        }
        decRef(reuse);
    }
    return new SetIterator(members);
}

int MainMemSetFrame::size() const {
    return members.size();
}

void MainMemSetFrame::clear() {
    members.clear();
}

void MainMemSetFrame::print(OutputChannel& out) const {
    out << "{";
    bool firstMember = true;
    for (const InternalName& member : members.ascending()) {
        if (!firstMember) out << ",";
        out << member;
        firstMember = false;
    }
    out << "}" << std::endl;
}

bool MainMemSetFrame::contains(const InternalName& name) const {
    return members.contains(name);
}

int MainMemSetFrame::insert(const InternalName& name) {
    return members.insert(name) ? 1 : 0;
}

int MainMemSetFrame::replace(const InternalName& oldName, const InternalName& newName) {
    if (!members.erase(oldName)) return 0;
    members.insert(newName);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// OFrameIterator

OFrameIterator::OFrameIterator(MethodDictionary* methods, int methodType, int arity)
    : methods(methods), arityFilter(arity), typeFilter(methodType) {}

void OFrameIterator::reset(MethodDictionary* newMethods, int newType, int newArity) {
    methods = newMethods;
    typeFilter = newType;
    arityFilter = newArity;
    current = Item{};
    valid = false;
}

bool OFrameIterator::passes(const MethodKey& key) const {
    return (typeFilter == 1000 || typeFilter == key.methodType) &&
           (arityFilter == -1 || arityFilter == key.argCount);
}

// Moves forward from the current item to the first entry that passes the filters.
bool OFrameIterator::settle() {
    while (current != Item{} && !passes(methods->key(current)))
        current = methods->next_item(current);
    valid = current != Item{};
    if (valid) {
        const MethodKey& key = methods->key(current);
        methodType = key.methodType;
        argCount = key.argCount;
        method = key.method;
    }
    return valid;
}

bool OFrameIterator::first() {
    current = methods != nullptr ? methods->first_item() : Item{};
    return settle();
}

bool OFrameIterator::next() {
    if (methods == nullptr || !valid) {
        valid = false;
        return false;
    }
    current = methods->next_item(current);
    return settle();
}

InternalName OFrameIterator::atColumn(int col) {
    if (methods == nullptr || !valid || col < 1 || col > 4) {
        centralErrorHandler().report(err6::InvalidUse_5);
        return InternalName::UndefinedObject;
    }
    switch (col) {
        case 1:
            return method;
        case 2:
            return methods->inf(current);
        case 3:
            return InternalName(static_cast<std::int32_t>(argCount), InternalName::Integer, 0);
        default:
            return arrowObject(methodType);
    }
}

bool OFrameIterator::isA(const std::string& className) const {
    return className == "OFrameIterator";
}

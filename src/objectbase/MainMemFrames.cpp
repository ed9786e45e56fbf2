// Object frames, set frames and the method iterator over object frames.
#include "objectbase/MainMemFrames.h"

#include <algorithm>
#include <ostream>
#include <typeinfo>
#include <vector>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/CellHash.h"
#include "objectbase/FrameChanges.h"
#include "objectbase/MethodType.h"
#include "objectbase/SetIterator.h"

int compare(const MethodKey& a, const MethodKey& b) {
    if (a.methodType != b.methodType) return a.methodType < b.methodType ? -1 : 1;
    if (a.argCount != b.argCount) return a.argCount < b.argCount ? -1 : 1;
    return compare(a.method, b.method);
}

namespace {

// The built-in object of each method type's arrow, in the order of the types.
constexpr InternalName ArrowObjects[] = {
    builtinObject::Arrow,    builtinObject::SetArrow,    builtinObject::AtSetArrow,
    builtinObject::InhArrow, builtinObject::InhSetArrow, builtinObject::AtInhSetArrow,
    builtinObject::SigArrow, builtinObject::SetSigArrow, builtinObject::AtSetSigArrow,
};
static_assert(sizeof ArrowObjects / sizeof ArrowObjects[0] ==
              sizeof methodTypeTexts / sizeof methodTypeTexts[0]);

const char* arrowText(int methodType) {
    const MethodTypeText* text = methodTypeText(methodType);
    return text != nullptr ? text->plainArrow : "???";
}

}  // namespace

InternalName arrowObject(int methodType) {
    return methodTypeText(methodType) != nullptr ? ArrowObjects[methodType]
                                                 : InternalName::UndefinedObject;
}

// ---------------------------------------------------------------------------------------------
// MainMemObjFrame

namespace {

std::uint64_t shapeHash(const MethodShape& shape) {
    const std::uint64_t head = std::uint64_t(std::uint16_t(shape.key.methodType)) |
                               std::uint64_t(std::uint16_t(shape.key.argCount)) << 16 |
                               std::uint64_t(shape.valueKind) << 32 |
                               std::uint64_t(std::uint8_t(shape.valueFlag)) << 40;
    return hashMix::step(hashMix::step(hashMix::Seed, head), cellWord(shape.key.method));
}

bool sameShape(const MethodShape& a, const MethodShape& b) {
    return a.key.methodType == b.key.methodType && a.key.argCount == b.key.argCount &&
           a.key.method == b.key.method && a.valueKind == b.valueKind && a.valueFlag == b.valueFlag;
}

}  // namespace

MethodShapes::Table::Table() : shapes(1) {
    index.add(shapeHash(shapes[0]), 0);
    shapesAt = shapes.data();
}

std::uint32_t MethodShapes::numberOf(const MethodKey& key, const InternalName& value) {
    Table& held = table();
    const MethodShape shape{key, std::uint8_t(value.getType()), std::int8_t(value.getArity())};
    std::uint32_t& recent =
        held.recent[(std::uint32_t(key.method.getValue()) + std::uint32_t(key.methodType)) %
                    held.recent.size()];
    if (sameShape(held.shapes[recent], shape)) return recent;
    const auto next = std::uint32_t(held.shapes.size());
    const auto [number, added] = held.index.insert(
        shapeHash(shape), next, [&](std::uint32_t n) { return sameShape(held.shapes[n], shape); });
    if (added) {
        held.shapes.push_back(shape);
        shapesAt = held.shapes.data();
    }
    recent = number;
    return number;
}

MethodEntries::iterator MethodEntries::insert(const_iterator at, const MethodSlot& entry) {
    const std::size_t place = std::size_t(at - data());
    frameChanges::note();
    const std::uint32_t count = std::uint32_t(size()), room = capacity();
    if (count == room) reallocate(room < 8 ? room + 1 : room * 2, hasExtra());
    MethodSlot* entries = data();
    std::copy_backward(entries + place, entries + count, entries + count + 1);
    entries[place] = entry;
    ++state;
    return entries + place;
}

MethodEntries::iterator MethodEntries::erase(const_iterator at) {
    const std::size_t place = std::size_t(at - data());
    frameChanges::note();
    MethodSlot* entries = data();
    std::copy(entries + place + 1, entries + size(), entries + place);
    --state;
    return entries + place;
}

void MethodEntries::clear() {
    frameChanges::note();
    state &= ~CountMask;
    // The extra name's slot keeps the array; the entries' room goes back.
    if (hasExtra()) {
        reallocate(1, true);
        return;
    }
    release();
    inPlaceSlots[0] = inPlaceSlots[1] = MethodSlot{};
    state = 0;
}

void MethodEntries::setExtraName(const InternalName& name) {
    frameChanges::note();
    if (!hasExtra()) reallocate(capacity(), true);
    many()[0] = MethodSlot(MethodKey(), name);
}

void MethodEntries::reallocate(std::uint32_t room, bool extra) {
    auto* fresh = new MethodSlot[room + extra];
    if (hasExtra()) fresh[0] = many()[0];
    std::copy(data(), data() + size(), fresh + extra);
    release();
    out = OutOfLineArray{};
    std::memcpy(out.address, &fresh, sizeof fresh);
    out.capacity = room;
    state = std::uint32_t(size()) | OutOfLine | (extra ? Extra : 0);
}

void MethodEntries::release() {
    frameChanges::note();
    if (!inPlace()) delete[] many();
}

MainMemObjFrame::MainMemObjFrame()
    : setName1(InternalName::InitialSetName), setName3(InternalName::UndefinedObject) {}

void MainMemObjFrame::setSetName2(const InternalName& name) {
    // A frame that never had superclasses keeps its entries in place.
    if (name != getSetName2()) methods.setExtraName(name);
}

int MainMemObjFrame::size() const {
    return int(methods.size());
}

void MainMemObjFrame::clear() {
    methods.clear();
}

void MainMemObjFrame::print(OutputChannel& out) const {
    out << "[ : " << getSetName1() << std::endl << "  :: " << getSetName2();
    for (const MethodSlot& entry : methods) {
        out << std::endl
            << "  " << entry.method() << " " << arrowText(entry.type()) << " " << entry.value();
    }
    out << "]" << std::endl;
}

namespace {

bool keyBefore(const MethodSlot& entry, const MethodKey& key) {
    return compare(entry.key(), key) < 0;
}

}  // namespace

MethodEntries::const_iterator MainMemObjFrame::findEntry(const MethodKey& key) const {
    return std::lower_bound(methods.begin(), methods.end(), key, keyBefore);
}

const MethodSlot* MainMemObjFrame::entryOf(const MethodKey& key) const {
    auto at = findEntry(key);
    return at != methods.end() && compare(at->key(), key) == 0 ? &*at : nullptr;
}

int MainMemObjFrame::lookupMethod(const InternalName& method, int methodType, int argCount,
                                  InternalName& value) const {
    const MethodSlot* entry = entryOf(MethodKey(methodType, argCount, method));
    if (entry == nullptr) return 0;
    value = entry->value();
    return 1;
}

Iterator* MainMemObjFrame::methodIterator(int methodType, int arity, Iterator* reuse) {
    auto old = Ref<Iterator>::adopt(reuse);
    if (old) {
        if (typeid(*old) == typeid(OFrameIterator)) {
            static_cast<OFrameIterator*>(old.get())->reset(&methods, methodType, arity);
            return old.release();
        }
        old.reset();
    }
    return new OFrameIterator(&methods, methodType, arity);
}

Iterator* MainMemObjFrame::methodIterator(int methodType, Iterator* reuse) {
    return methodIterator(methodType, -1, reuse);
}

int MainMemObjFrame::insertMethod(const InternalName& method, const InternalName& value,
                                  int methodType, int argCount) {
    const MethodKey key(methodType, argCount, method);
    auto at = findEntry(key);
    if (at != methods.end() && compare(at->key(), key) == 0) return 0;
    methods.insert(at, MethodSlot(key, value));
    return 1;
}

int MainMemObjFrame::removeMethod(const InternalName& method, int methodType, int argCount) {
    const MethodKey key(methodType, argCount, method);
    auto at = findEntry(key);
    if (at == methods.end() || compare(at->key(), key) != 0) return 0;
    methods.erase(at);
    return 1;
}

int MainMemObjFrame::replaceName(const InternalName& oldName, const InternalName& newName,
                                 clib_dictionary<InternalName, InternalName>& pairs) {
    std::vector<MethodSlot> moved;
    int status = 0;
    for (std::size_t at = 0; at < methods.size(); ++at) {
        const MethodKey key = methods[at].key();
        const InternalName value = methods[at].value();
        if (key.method == oldName) {
            const MethodSlot* target = entryOf(MethodKey(key.methodType, key.argCount, newName));
            // Two different values under one key must be equated by the caller; a value that
            // equals the one already there is no collision.
            if (target != nullptr && target->value() != value) pairs.insert(value, target->value());
            moved.emplace_back(key, value);
            status = 1;
        }
        if (value == oldName) {
            frameChanges::note();
            methods[at].setValue(newName);
            status = 2;
        }
    }
    for (const MethodSlot& entry : moved) {
        const MethodSlot* stored = entryOf(entry.key());
        const InternalName value = stored != nullptr ? stored->value() : entry.value();
        // Stored only when the renamed key is free; the entry under the old key goes.
        insertMethod(newName, value, entry.type(), entry.arity());
        if (oldName == newName) continue;
        if (const MethodSlot* old = entryOf(entry.key())) methods.erase(old);
    }
    return status;
}

// ---------------------------------------------------------------------------------------------
// MainMemSetFrame

Iterator* MainMemSetFrame::getIterator(Iterator* reuse) {
    auto old = Ref<Iterator>::adopt(reuse);
    if (old) {
        // Exactly the class: an operand's walk of names keeps other rows.
        if (typeid(*old) == typeid(SetIterator)) {
            static_cast<SetIterator*>(old.get())->reset(members);
            return old.release();
        }
        old.reset();
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

int MainMemSetFrame::erase(const InternalName& name) {
    return members.erase(name) ? 1 : 0;
}

int MainMemSetFrame::replace(const InternalName& oldName, const InternalName& newName) {
    if (!members.erase(oldName)) return 0;
    members.insert(newName);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// OFrameIterator

OFrameIterator::OFrameIterator(const MethodEntries* methods, int methodType, int arity)
    : methods(methods), arityFilter(arity), typeFilter(methodType) {}

void OFrameIterator::reset(const MethodEntries* newMethods, int newType, int newArity) {
    methods = newMethods;
    typeFilter = newType;
    arityFilter = newArity;
    current = 0;
    valid = false;
}

bool OFrameIterator::passes(const MethodKey& key) const {
    return (typeFilter == 1000 || typeFilter == key.methodType) &&
           (arityFilter == -1 || arityFilter == key.argCount);
}

// Moves forward from the current entry to the first one that passes the filters.
bool OFrameIterator::settle() {
    // The entries are ordered by method type first: past the type asked for none passes, and a
    // frame walked type by type (a save walks nine types a frame) need not read the rest.
    while (current < methods->size() && !passes((*methods)[current].key())) {
        if (typeFilter != 1000 && (*methods)[current].key().methodType > typeFilter) {
            current = methods->size();
            break;
        }
        ++current;
    }
    valid = current < methods->size();
    if (valid) {
        const MethodKey key = (*methods)[current].key();
        methodType = key.methodType;
        argCount = key.argCount;
        method = key.method;
    }
    return valid;
}

// Entries can be added (inherited values, paths) while their frame is walked. The walk goes on
// from the key it stands on, as a walk of a search tree would: entries added behind it are
// met, entries added before it are not.
bool OFrameIterator::find() {
    const MethodKey key(methodType, argCount, method);
    if (current < methods->size() && compare((*methods)[current].key(), key) == 0) return true;
    current = std::size_t(std::lower_bound(methods->begin(), methods->end(), key, keyBefore) -
                          methods->begin());
    return current < methods->size() && compare((*methods)[current].key(), key) == 0;
}

bool OFrameIterator::first() {
    current = 0;
    if (methods == nullptr) {
        valid = false;
        return false;
    }
    if (typeFilter != 1000)
        current = std::size_t(std::partition_point(methods->begin(), methods->end(),
                                                   [this](const MethodSlot& entry) {
                                                       return entry.key().methodType < typeFilter;
                                                   }) -
                              methods->begin());
    return settle();
}

bool OFrameIterator::next() {
    if (methods == nullptr || !valid) {
        valid = false;
        return false;
    }
    // Past the current key, wherever it stands now.
    if (find()) ++current;
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
            // An entry removed under the walk has no value any more.
            return find() ? (*methods)[current].value() : InternalName::UndefinedObject;
        case 3:
            return InternalName(static_cast<std::int32_t>(argCount), InternalName::Integer, 0);
        default:
            return arrowObject(methodType);
    }
}

bool OFrameIterator::isA(const std::string& className) const {
    return className == "OFrameIterator";
}

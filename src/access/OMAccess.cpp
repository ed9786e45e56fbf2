// OMAccess: attachment to the object manager, the forwards, the name-mapping dictionary and the
// conversions between texts, symbols and object-base names.
#include "access/OMAccess.h"

#include "access/DecimalNumber.h"
#include "access/SignatureClasses.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"

OMAccess::OMAccess(OM* om) : attachedOM(Ref<OM>::share(om)) {
    if (attachedOM == nullptr) return;
    attachedOM->setOMAccess(this);
    symTab = attachedOM->giveSymTab();
}

OMAccess::~OMAccess() {
    nameMap.clear();
    if (attachedOM == nullptr) return;
    if (attachedOM->getOMAccess() == this) attachedOM->setOMAccess(nullptr);
}

bool OMAccess::isOk() const {
    return attachedOM != nullptr && attachedOM->isOk();
}

void OMAccess::clear() {
    if (attachedOM != nullptr) attachedOM->clear();
}

int OMAccess::applyEqualities() {
    return attachedOM != nullptr ? attachedOM->applyEqualities() : 0;
}

void OMAccess::equate(const InternalName& a, const InternalName& b, int& out) {
    if (attachedOM != nullptr) out = attachedOM->equate(a, b, 0);
}

int OMAccess::applyEquality(InternalName& representative) {
    return attachedOM != nullptr ? attachedOM->applyEquality(representative) : 0;
}

void OMAccess::cleanup() {
    if (attachedOM != nullptr) attachedOM->cleanup();
}

void OMAccess::mapName(const InternalName& name, const InternalName& value) {
    nameMap.insert(name, value);
}

bool OMAccess::isMapped(const InternalName& name) const {
    return nameMap.lookup(name) != nullptr;
}

InternalName OMAccess::mappedName(const InternalName& name) const {
    auto item = nameMap.lookup(name);
    return item != nullptr ? nameMap.inf(item) : name;
}

void OMAccess::remapName(InternalName oldName, InternalName rep) {
    // Moving an entry onto its own key would delete it below.
    if (oldName == rep) return;
    inheritancePhases.remapName(oldName, rep);
    auto item = nameMap.lookup(oldName);
    if (item == nullptr) return;
    const InternalName mapped = nameMap.inf(item);
    // Both names stood for something: what they stood for is now one object too.
    if (isMapped(rep)) {
        int ignored = 0;
        equate(mapped, mappedName(rep), ignored);
    }
    nameMap.insert(rep, mapped);
    nameMap.del(oldName);
}

int OMAccess::giveLexicalForm(const InternalName& name, std::string& out, int quote, int style) {
    return attachedOM != nullptr ? attachedOM->giveLexicalForm(name, out, quote, style) : 0;
}

int OMAccess::getOrCreateName(const FSymbol& symbol, InternalName& out) {
    return attachedOM != nullptr ? attachedOM->getOrCreateName(symbol, out) : 0;
}

int OMAccess::registerName(const FSymbol& symbol, const InternalName& name) {
    return attachedOM != nullptr ? attachedOM->registerName(symbol, name) : 0;
}

Iterator* OMAccess::objNamesIterator(Iterator* old) {
    return attachedOM != nullptr ? attachedOM->objNamesIterator(old) : nullptr;
}

Iterator* OMAccess::methodIterator(const InternalName& host, std::optional<MethodType> type) {
    // The object base takes 1000 for "every method type".
    return attachedOM != nullptr
               ? attachedOM->methodIterator(host, type ? code(*type) : 1000, nullptr)
               : nullptr;
}

int OMAccess::internValue(const FSymbol& symbol, InternalName& out) {
    switch (symbol.getType()) {
        case InternalName::Integer:
        case InternalName::Float:
            // A number is its own name; the flag of the symbol plays no part.
            out = symbol.stored();
            return 1;
        case InternalName::String:
            if (attachedOM == nullptr) return 0;
            attachedOM->getOrCreateName(symbol, out);
            return 1;
        default:
            return attachedOM != nullptr ? attachedOM->giveInternalName(symbol, out) : 0;
    }
}

InternalName& OMAccess::internName(InternalName& out, const std::string& text, int type) {
    return attachedOM != nullptr ? attachedOM->internName(out, text, type) : out;
}

InternalName& OMAccess::nameFromString(InternalName& out, const std::string& text, int type) {
    if (symTab == nullptr || attachedOM == nullptr) return out;
    const FSymbol symbol = symTab->GetFSymbol(text, type, 0);
    out = InternalName::UndefinedObject;
    attachedOM->getOrCreateName(symbol, out);
    return out;
}

InternalName& OMAccess::numberOrString(InternalName& out, const std::string& text) {
    if (decimalNumber::readWhole(text, out)) return out;
    return nameFromString(out, "\"" + text + "\"", InternalName::String);
}

int OMAccess::giveSymbol(const InternalName& name, FSymbol& out) {
    return attachedOM != nullptr ? attachedOM->giveSymbol(name, out) : 0;
}

bool OMAccess::isPredicate(const InternalName& name) {
    return attachedOM != nullptr && attachedOM->isPredicate(name);
}

Iterator* OMAccess::setIterator(const InternalName& setName, Iterator* old) {
    return attachedOM != nullptr ? attachedOM->setIterator(setName, old) : nullptr;
}

const MemberSet* OMAccess::setMembers(const InternalName& setName) {
    MainMemSetFrame* frame = attachedOM != nullptr ? attachedOM->getSetFrame(setName) : nullptr;
    return frame != nullptr ? &frame->memberSet() : nullptr;
}

int OMAccess::lookupName(const std::string& text, InternalName& out, int arity) {
    return attachedOM != nullptr ? attachedOM->lookupName(text, out, arity) : 0;
}

SymTab* OMAccess::giveSymTab() {
    return attachedOM != nullptr ? attachedOM->giveSymTab() : nullptr;
}

int OMAccess::giveLocalFile(const InternalName& name, std::string& file) {
    return attachedOM != nullptr ? attachedOM->giveLocalFile(name, file) : 0;
}

bool OMAccess::isEmptyPredicate(const InternalName& name) {
    return attachedOM != nullptr && attachedOM->isEmptyPredicate(name);
}

Iterator* OMAccess::methodHostsIterator(const InternalName& method, std::int16_t type,
                                        std::int16_t argCount, Iterator* old) {
    return attachedOM != nullptr ? attachedOM->methodHostsIterator(method, type, argCount, old)
                                 : nullptr;
}

Iterator* OMAccess::isaIterator(const InternalName& name, IsaRelation kind, Iterator* old) {
    return attachedOM != nullptr ? attachedOM->isaIterator(name, code(kind), old) : nullptr;
}

int OMAccess::isaTest(const InternalName& x, const InternalName& cls, IsaRelation kind) {
    return attachedOM != nullptr ? attachedOM->isaHolds(x, cls, code(kind)) : 0;
}

int OMAccess::lookupMethodValue(const InternalName& host, const InternalName& method,
                                const InternalName* args, int argCount, MethodType type,
                                InternalName& value) {
    return attachedOM != nullptr
               ? attachedOM->lookupMethodValue(host, method, args, argCount, code(type), value)
               : 0;
}

int OMAccess::lookupMethodValue(const InternalName& host, const InternalName& method,
                                InternalName& value) {
    return lookupMethodValue(host, method, nullptr, 0, MethodType::Scalar, value);
}

int OMAccess::initDelta(DeltaTable* table) {
    return attachedOM != nullptr ? attachedOM->initDelta(table) : 0;
}

void OMAccess::clearDelta() {
    if (attachedOM != nullptr) attachedOM->clearDelta();
}

void OMAccess::showDelta() {
    if (attachedOM != nullptr) attachedOM->showDelta();
}

int OMAccess::dump(int format) {
    if (attachedOM != nullptr) attachedOM->dump(format);
    return 0;
}

void OMAccess::showFrame(const std::string& text, int arity) {
    if (attachedOM != nullptr) attachedOM->showFrame(text, arity);
}

std::string OMAccess::lexicalForm(const InternalName& name) {
    std::string text;
    giveLexicalForm(name, text, 0, 0);
    return text;
}

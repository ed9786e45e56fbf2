// OMAccess: attachment to the object manager, the forwards to it and to the collaborators the
// layer owns.
#include "access/OMAccess.h"

#include "access/PatternMatcher.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"

OMAccess::OMAccess(OM* om)
    : attachedOM(Ref<OM>::share(om)),
      conversions(om),
      patterns(std::make_unique<PatternMatcher>(*this)),
      documents(std::make_unique<DocumentQueries>(*this)),
      signatures(std::make_unique<SignatureQueries>(*this)),
      builtins(std::make_unique<BuiltinPredicates>(*this, conversions)) {
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

void OMAccess::remapName(InternalName oldName, InternalName rep) {
    if (oldName == rep) return;
    inheritancePhases.remapName(oldName, rep);
    // Both names stood for something: what they stood for is now one object too.
    nameMap.move(oldName, rep, [this](const InternalName& a, const InternalName& b) {
        int ignored = 0;
        equate(a, b, ignored);
    });
}

int OMAccess::giveLexicalForm(const InternalName& name, std::string& out, int quote, int style) {
    return attachedOM != nullptr ? attachedOM->giveLexicalForm(name, out, quote, style) : 0;
}

int OMAccess::getOrCreateName(const FSymbol& symbol, InternalName& out) {
    return attachedOM != nullptr ? attachedOM->getOrCreateName(symbol, out) : 0;
}

int OMAccess::makeFreshObject(InternalName& out) {
    return attachedOM != nullptr ? attachedOM->makeFreshObject(out) : 0;
}

void OMAccess::makeFreshObjects(InternalName* out, std::size_t count) {
    if (attachedOM != nullptr) attachedOM->makeFreshObjects(out, count);
}

int OMAccess::registerName(const FSymbol& symbol, const InternalName& name) {
    return attachedOM != nullptr ? attachedOM->registerName(symbol, name) : 0;
}

Iterator* OMAccess::objNamesIterator(Iterator* old) {
    return attachedOM != nullptr ? attachedOM->objNamesIterator(old) : nullptr;
}

Iterator* OMAccess::methodIterator(const InternalName& host, std::optional<MethodType> type,
                                   Iterator* reuse) {
    if (attachedOM == nullptr) {
        Ref<Iterator>::adopt(reuse).reset();
        return nullptr;
    }
    // The object base takes 1000 for "every method type".
    return attachedOM->methodIterator(host, type ? code(*type) : 1000, reuse);
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
    const SetFrameView frame =
        attachedOM != nullptr ? attachedOM->setFrameOf(setName) : SetFrameView();
    return frame ? &frame.memberSet() : nullptr;
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

Iterator* OMAccess::patternMatch(int perl, const InternalName* args, int arity) {
    return patterns->match(perl, args, arity);
}

// Construction, shell protocol, names and frame access of the main-memory object manager.
#include "objectbase/MainMemOM.h"

#include <iostream>
#include <memory>
#include <new>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/FrameManager.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/NameHandler.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"

int compare(const MethodSig& a, const MethodSig& b) {
    if (a.methodType != b.methodType) return a.methodType < b.methodType ? -1 : 1;
    if (a.argCount != b.argCount) return a.argCount < b.argCount ? -1 : 1;
    return 0;
}

namespace {

Ref<SymTab> builtinSymbols() {
    Ref<SymTab> symbols = Ref<SymTab>::make();
    symbols->initBuiltinSymbols();
    return symbols;
}

}  // namespace

MainMemOM::MainMemOM()
    : symTab(builtinSymbols()), frameManager(Ref<FrameManager>::make(*this, *symTab)) {
    nameHandler = Ref<NameHandler>::make();
    registerBuiltinObjects();
}

MainMemOM::~MainMemOM() {
    clear();
    // The frames go before the names and symbols they use.
    frameManager.reset();
    nameHandler.reset();
    // Parsers and printers that keep the symbol table beyond this manager hold their own
    // reference; this one is the manager's.
    symTab.reset();
}

void MainMemOM::display(OutputChannel& channel) const {
    channel << "This is an ObjectManager. \n";
    channel << "Display the contents with the dump command." << std::endl;
}

bool MainMemOM::isA(const std::string& className) const {
    return className == "OM" || FLSysObject::isA(className);
}

void MainMemOM::registerBuiltinObjects() {
    registerName(builtinSymbol::Nil, builtinObject::Nil);
    registerName(builtinSymbol::Arrow, builtinObject::Arrow);
    registerName(builtinSymbol::SetArrow, builtinObject::SetArrow);
    registerName(builtinSymbol::SigArrow, builtinObject::SigArrow);
    registerName(builtinSymbol::SetSigArrow, builtinObject::SetSigArrow);
    registerName(builtinSymbol::InhArrow, builtinObject::InhArrow);
    registerName(builtinSymbol::InhSetArrow, builtinObject::InhSetArrow);
    registerName(builtinSymbol::AtSetArrow, builtinObject::AtSetArrow);
    registerName(builtinSymbol::AtInhSetArrow, builtinObject::AtInhSetArrow);
    registerName(builtinSymbol::AtSetSigArrow, builtinObject::AtSetSigArrow);
    registerName(builtinSymbol::Self, builtinObject::Self);
    registerName(builtinSymbol::Root, builtinObject::Root);
}

// ---------------------------------------------------------------------------------------------
// Names and symbols

int MainMemOM::getOrCreateName(const FSymbol& symbol, InternalName& out) {
    if (symbol.getType() == InternalName::Integer || symbol.getType() == InternalName::Float) {
        out = symbol.stored();  // a number is its own identifier: nothing is made
        return 0;
    }
    bool made = false;
    out = symbolToName.findOrInsert(
        symbol,
        [&] {
            if (symbol.getType() != InternalName::String)
                return InternalName(nameHandler->nextObjectId(), InternalName::Object, 0);
            const InternalName string(nameHandler->nextObjectId(), InternalName::String, 0);
            strings.noteMade(string);
            return string;
        },
        made);
    if (!made) return 0;
    // A name fresh from the counter has no symbol yet, unless one was registered under its
    // number beforehand.
    if (!nameToSymbol.emplace(out, symbol)) nameToSymbol.insert_or_assign(out, symbol);
    if (deltas.on()) return recordObject(out);
    return 1;
}

inline int MainMemOM::nameFreshSymbol(const FSymbol& symbol, InternalName& out) {
    // The symbol is one above every symbol and its object one above every object: both mostly
    // continue the runs of their maps' pages, where getOrCreateName's general look at the
    // symbol's slot and the name's took 280 instructions a name.
    const InternalName name(nameHandler->upcomingObjectId(), InternalName::Object, 0);
    if (!symbolToName.appendFresh(symbol, name)) [[unlikely]]
        return getOrCreateName(symbol, out);
    nameHandler->nextObjectId();
    out = name;
    const bool bound = nameToSymbol.appendFresh(name, symbol);
    if (!bound || deltas.on()) [[unlikely]]
        return finishFreshObject(symbol, name, bound);
    return 1;
}

int MainMemOM::makeFreshObject(InternalName& out) {
    return nameFreshSymbol(symTab->freshFunction(0), out);
}

void MainMemOM::makeFreshObjects(InternalName* out, std::size_t count) {
    if (count == 0) return;
    // The symbols first: nothing of the names depends on the table, and they take consecutive
    // ids.
    const std::int32_t firstSymbol = symTab->freshFunctions(0, count).getValue();
    std::size_t i = 0;
    while (i < count) {
        const FSymbol symbol(firstSymbol + std::int32_t(i), InternalName::Function, 0);
        const InternalName name(nameHandler->upcomingObjectId(), InternalName::Object, 0);
        // The pairs that continue both maps' runs within their pages are entered together.
        std::size_t room = deltas.on() ? 0 : symbolToName.freshRoom(symbol, name, count - i);
        if (room != 0) room = nameToSymbol.freshRoom(name, symbol, room);
        if (room == 0) {
            nameFreshSymbol(symbol, out[i++]);
            continue;
        }
        symbolToName.appendFreshRun(symbol, name, room);
        nameToSymbol.appendFreshRun(name, symbol, room);
        for (std::size_t j = 0; j < room; ++j)
            out[i + j] = InternalName(nameHandler->nextObjectId(), InternalName::Object, 0);
        i += room;
    }
}

int MainMemOM::finishFreshObject(const FSymbol& symbol, const InternalName& name, bool bound) {
    // The rest of getOrCreateName for a name made from the counter, which has no symbol yet
    // unless one was registered under its number beforehand.
    if (!bound && !nameToSymbol.emplace(name, symbol)) nameToSymbol.insert_or_assign(name, symbol);
    if (deltas.on()) return recordObject(name);
    return 1;
}

int MainMemOM::registerName(const FSymbol& symbol, const InternalName& name) {
    symbolToName.insert_or_assign(symbol, name);
    nameToSymbol.insert_or_assign(name, symbol);
    // A function symbol bound to another table: handles that kept the old one resolve it again.
    if (name.getType() == InternalName::ParamFrame) framesMoved();
    return 1;
}

int MainMemOM::giveInternalName(const FSymbol& symbol, InternalName& out) {
    if (symbol.getType() == InternalName::Integer || symbol.getType() == InternalName::Float) {
        out = symbol.stored();
        return 1;
    }
    const std::optional<InternalName> known = symbolToName.find(symbol);
    if (!known) return 0;
    out = *known;
    return 1;
}

int MainMemOM::giveSymbol(const InternalName& name, FSymbol& out) {
    return nameToSymbol.findInto(name, out) ? 1 : 0;
}

int MainMemOM::giveName(const InternalName& name, std::string& out) {
    if (name.getType() == InternalName::Integer) {
        out = std::to_string(name.getValue());
        return 1;
    }
    const std::optional<FSymbol> symbol = nameToSymbol.find(name);
    if (!symbol) return 0;
    out = symTab->giveName(*symbol);
    return 1;
}

InternalName& MainMemOM::internName(InternalName& out, const std::string& text, int type) {
    if (type == InternalName::Function && !text.empty()) {
        char c = text[0];
        if (c == '#')
            type = InternalName::Float;
        else if (c >= '0' && c <= '9')
            type = InternalName::Integer;
        else if (c == '"')
            type = InternalName::String;
    }
    getOrCreateName(symTab->GetFSymbol(text, type, 0), out);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Frames

MainMemObjFrame* MainMemOM::getObjFrame(const InternalName& name) {
    MainMemObjFrame* frame = nullptr;
    frameManager->getObjFrame(name, frame);
    return frame;
}

MainMemSetFrame* MainMemOM::getSetFrame(const InternalName& name) {
    MainMemSetFrame* frame = nullptr;
    frameManager->getSetFrame(name, frame);
    return frame;
}

MainMemPredFrame* MainMemOM::getPredFrame(const InternalName& name) {
    MainMemPredFrame* frame = nullptr;
    frameManager->getPredFrame(name, frame);
    return frame;
}

MainMemParamFrame* MainMemOM::getParamFrame(const InternalName& name) {
    MainMemParamFrame* frame = nullptr;
    frameManager->getParamFrame(name, frame);
    return frame;
}

bool MainMemOM::isPredicate(const InternalName& name) {
    return getPredFrame(name) != nullptr;
}

bool MainMemOM::isEmptyPredicate(const InternalName& name) {
    MainMemPredFrame* frame = getPredFrame(name);
    return frame == nullptr || frame->size() == 0;
}

MainMemObjFrame* MainMemOM::createObjFrame(const InternalName& name) {
    MainMemObjFrame* frame = frameManager->allocateObjFrame();
    if (frame == nullptr) return nullptr;
    if (frameManager->insertObjFrame(name, frame) != 0) return nullptr;
    return frame;
}

MainMemObjFrame* MainMemOM::objFrameFor(const InternalName& name, bool& made) {
    return frameManager->objFrameFor(name, made);
}

MainMemParamFrame* MainMemOM::createParamFrame(int arity, InternalName& name) {
    // The registry owns the frame (and destroys it when it refuses it).
    std::unique_ptr<MainMemParamFrame> frame(new (std::nothrow) MainMemParamFrame(arity));
    if (frame == nullptr) {
        centralErrorHandler().report(err5::NoParamFrame);
        return nullptr;
    }
    InternalName fresh(nameHandler->nextParamId(), InternalName::ParamFrame,
                       static_cast<std::int8_t>(arity));
    MainMemParamFrame* const registered = frame.get();
    if (frameManager->insertParamFrame(fresh, std::move(frame)) != 0) {
        centralErrorHandler().report(err5::NoParamFrame);
        return nullptr;
    }
    name = fresh;
    return registered;
}

// ---------------------------------------------------------------------------------------------
// Read access to the indexes

const MainMemOM::UsageSet* MainMemOM::usageOf(const InternalName& name) {
    auto& index = usages();
    auto it = index.find(name);
    return it != index.end() ? &it->second : nullptr;
}

void MainMemOM::forEachUnloggedValue(
    const std::function<void(const InternalName&, const InternalName&)>& visit) {
    const auto names = Ref<Iterator>::adopt(objNamesIterator(nullptr));
    Ref<Iterator> entries;
    Ref<Iterator> members;
    for (bool more = names->first(); more; more = names->next()) {
        if (controlEvents::farewellPending()) return;
        const InternalName host = names->atColumn(1);
        MainMemObjFrame* frame = getObjFrame(host);
        if (frame == nullptr) continue;
        entries.renew([&](Iterator* old) { return frame->methodIterator(1000, 0, old); });
        for (bool entry = entries->first(); entry; entry = entries->next()) {
            const InternalName value = entries->atColumn(2);
            if (value.getType() != InternalName::SetName) {
                visit(value, host);  // a scalar value
                continue;
            }
            MainMemSetFrame* set = getSetFrame(value);
            if (set == nullptr) continue;
            members.renew([&](Iterator* old) { return set->getIterator(old); });
            for (bool member = members->first(); member; member = members->next())
                visit(members->atColumn(1), host);
        }
    }
    forEachUnloggedRowCell(visit, Walk::UntilFarewell);
}

void MainMemOM::forEachUnloggedRowCell(
    const std::function<void(const InternalName&, const InternalName&)>& visit, Walk walk) {
    for (const auto& [frameName, unused] : usage.unloggedRowFrames()) {
        MainMemParamFrame* params = getParamFrame(frameName);
        if (params == nullptr) continue;
        const ParamRows& rows = params->storedRows();
        const int width = rows.width();
        ParamRows::Cursor at;
        std::vector<InternalName> current;
        for (const InternalName* row = rows.first(at); row != nullptr;
             row = rows.next(at, current.data())) {
            if (walk == Walk::UntilFarewell && controlEvents::farewellPending()) return;
            current.assign(row, row + width);
            for (const InternalName& cell : current) visit(cell, frameName);
        }
    }
}

void MainMemOM::collectUnloggedStrings(std::vector<InternalName>& strings) {
    auto keep = [&strings](const InternalName& value) {
        if (value.getType() == InternalName::String) strings.push_back(value);
    };
    frameManager->forEachObjFrame([&](const InternalName&, const MainMemObjFrame* frame) {
        frame->forEachEntry([&](const MethodKey& key, const InternalName& value) {
            if (key.argCount != 0) return;
            if (value.getType() != InternalName::SetName) {
                keep(value);  // a scalar value
                return;
            }
            if (const MainMemSetFrame* set = getSetFrame(value))
                for (const InternalName& member : set->memberSet().ascending()) keep(member);
        });
    });
    forEachUnloggedRowCell([&keep](const InternalName& cell, const InternalName&) { keep(cell); },
                           Walk::Whole);
}

FlatNameMap<InternalName, UsageSet>& MainMemOM::usages() {
    if (UsageIndex::Map* live = usage.liveIndex()) return *live;
    return usage.built([this](const UsageIndex::Visit& visit) { forEachUnloggedValue(visit); });
}

const set<MethodSig>* MainMemOM::signaturesOf(const InternalName& method) {
    return methodSignatures.valueOr(method, nullptr);
}

bool MainMemOM::isPendingEquality(const InternalName& replaced, InternalName& representative) {
    return equalities.isPending(replaced, representative);
}

bool MainMemOM::pathHostOf(const InternalName& object, InternalName& host) {
    auto it = pathHosts.lookup(object);
    if (it == nullptr) return false;
    host = pathHosts.inf(it);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writing single entries, and the answers for which the main-memory base has no content.

int MainMemOM::giveLocalFile(const InternalName&, std::string&) {
    return 0;
}

void MainMemOM::showEntry(const InternalName& method, const InternalName& value, int type) {
    writer.formatMethodEntry(method, value, debugChannel(), type);
}

int MainMemOM::lookupName(const std::string& text, InternalName& out, int arity) {
    if (arity >= 0) {
        out = symTab->GetFSymbol(text, InternalName::Predicate, arity);
        return 1;
    }
    FSymbol symbol = symTab->GetFSymbol(text, InternalName::Function, 0);
    if (giveInternalName(symbol, out) != 0) return 1;
    std::cout << "if we come here, something bad happened in MainMemOM.cc\n";
    return 0;
}

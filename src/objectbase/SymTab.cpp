// SymTab and SymTabEntry: entering, naming and printing symbols, and the built-in symbols.
#include "objectbase/SymTab.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/LinearProbing.h"

// The entry stays 24 bytes: see the class comment.
static_assert(sizeof(SymTabEntry) == 24);

SymTabEntry::SymTabEntry(std::string_view name, std::int32_t kind, std::int32_t arity)
    : entryKind(kind), entryArity(arity) {
    assign(name);
}

SymTabEntry::SymTabEntry(const SymTabEntry& other)
    : entryKind(other.entryKind), entryArity(other.entryArity) {
    assign(other.getName());
}

SymTabEntry::SymTabEntry(SymTabEntry&& other) noexcept
    : length(other.length), entryKind(other.entryKind), entryArity(other.entryArity) {
    std::memcpy(text, other.text, Inline);
    other.length = 0;  // the allocation, if any, is this entry's now
}

SymTabEntry& SymTabEntry::operator=(const SymTabEntry& other) {
    if (this == &other) return *this;
    release();
    entryKind = other.entryKind;
    entryArity = other.entryArity;
    assign(other.getName());
    return *this;
}

SymTabEntry& SymTabEntry::operator=(SymTabEntry&& other) noexcept {
    if (this == &other) return *this;
    release();
    std::memcpy(text, other.text, Inline);
    length = other.length;
    entryKind = other.entryKind;
    entryArity = other.entryArity;
    other.length = 0;
    return *this;
}

char* SymTabEntry::heapText() const {
    char* held = nullptr;
    std::memcpy(&held, text, sizeof held);
    return held;
}

void SymTabEntry::assign(std::string_view name) {
    length = static_cast<std::uint32_t>(name.size());
    if (isInline()) {
        std::memcpy(text, name.data(), name.size());
        return;
    }
    char* held = new char[name.size()];
    std::memcpy(held, name.data(), name.size());
    std::memcpy(text, &held, sizeof held);
}

void SymTabEntry::release() {
    if (!isInline()) delete[] heapText();
    length = 0;
}

int SymTabEntry::compare(const SymTabEntry& other) const {
    if (entryKind != other.entryKind) return entryKind < other.entryKind ? -1 : 1;
    if (entryArity != other.entryArity) return entryArity < other.entryArity ? -1 : 1;
    const int byName = getName().compare(other.getName());
    return byName < 0 ? -1 : (byName > 0 ? 1 : 0);
}

std::ostream& SymTabEntry::print(std::ostream& out) const {
    return out << getName() << ' ' << InternalName::typePrefix(entryKind) << ' ' << entryArity;
}

std::ostream& operator<<(std::ostream& out, const SymTabEntry& entry) {
    return entry.print(out);
}

SymTab::SymTab() = default;

SymTab::SymTab(const SymTab& other) : FLSysObject(other) {
    copyFrom(other);
}

SymTab& SymTab::operator=(const SymTab& other) {
    copyFrom(other);
    return *this;
}

std::int32_t SymTab::readInteger(const std::string& text) {
    constexpr std::int64_t Max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t Min = std::numeric_limits<std::int32_t>::min();
    std::size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    std::int64_t magnitude = 0;
    bool outOfRange = false;
    for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        // Once beyond the range the remaining digits only matter for where the text ends.
        if (!outOfRange) magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > Max + 1) outOfRange = true;
    }
    std::int64_t result = negative ? -magnitude : magnitude;
    if (outOfRange || result > Max || result < Min) {
        centralErrorHandler().report(err10::IntegerOutOfRange);
        return negative ? static_cast<std::int32_t>(Min) : static_cast<std::int32_t>(Max);
    }
    return static_cast<std::int32_t>(result);
}

float SymTab::readFloat(const std::string& text) {
    return roundToFloat(std::strtod(text.c_str(), nullptr));
}

FSymbol SymTab::GetFSymbol(const std::string& name, int kind, int arity) {
    if (arity < 0) centralErrorHandler().report(err10::NegativeArity);
    if ((kind == InternalName::String || kind == InternalName::Integer ||
         kind == InternalName::Variable) &&
        arity != 0) {
        centralErrorHandler().report(err10::ArityNotZero);
        arity = 0;
    }
    if (kind == InternalName::Integer) return FSymbol(readInteger(name), InternalName::Integer, -1);
    if (kind == InternalName::Float) {
        const std::string number = !name.empty() && name[0] == '#' ? name.substr(1) : name;
        return FSymbol(std::bit_cast<std::int32_t>(readFloat(number)), InternalName::Float, -1);
    }
    if (!name.empty() && name[0] == '_') {
        if (name.size() == 1) return newSymbol(InternalName::DontCare, 0);
        kind = InternalName::DontCare;
    }
    return enter(name, kind, arity);
}

std::uint64_t SymTab::hashKey(std::string_view name, int kind, int arity) {
    std::uint64_t hash = std::hash<std::string_view>()(name);
    hash ^= (static_cast<std::uint64_t>(static_cast<std::uint32_t>(kind)) << 32 |
             static_cast<std::uint32_t>(arity)) *
            0x9e3779b97f4a7c15ULL;
    // Mixed once more: the slot and the tag both come from the low 32 bits.
    hash ^= hash >> 29;
    hash *= 0xbf58476d1ce4e5b9ULL;
    hash ^= hash >> 32;
    return hash;
}

std::size_t SymTab::slotOf(std::string_view name, int kind, int arity, std::uint64_t hash) const {
    const std::size_t mask = index.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash);
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = index[at];
        if (slot.id == 0) return at;
        if (slot.hashTag != tag) continue;
        const SymTabEntry& entry = byId[slot.id - 1];
        if (entry.getKind() == kind && entry.getArity() == arity && entry.getName() == name)
            return at;
    }
}

void SymTab::growIndex() {
    rehashLinearProbing(
        index, index.empty() ? 64 : index.size() * 2, [](const Slot& slot) { return slot.id == 0; },
        [](const Slot& slot) { return slot.hashTag; });
}

FSymbol SymTab::enter(const std::string& name, int kind, int arity) {
    if ((byId.size() + 1) * 2 > index.size()) growIndex();
    const std::uint64_t hash = hashKey(name, kind, arity);
    Slot& slot = index[slotOf(name, kind, arity, hash)];
    if (slot.id != 0) return FSymbol(static_cast<std::int32_t>(slot.id), kind, arity);
    const std::int32_t id = nextId();
    byId.emplace_back(name, kind, arity);
    slot = Slot{static_cast<std::uint32_t>(id), static_cast<std::uint32_t>(hash)};
    return FSymbol(id, kind, arity);
}

FSymbol SymTab::createNewSymbol(const std::string& base, int kind, int arity) {
    std::string prefix = base.empty() ? std::string() : base + "_";
    switch (kind) {
        case InternalName::Predicate:
            prefix += "p" + std::to_string(arity) + "_";
            break;
        case InternalName::Variable:
            prefix += "X";
            break;
        case InternalName::DontCare:
            prefix += "_#";
            break;
        default:
            if (kind != InternalName::Function)
                centralErrorHandler().report(err10::WrongSymbolType);
            kind = InternalName::Function;
            prefix += "f" + std::to_string(arity) + "_";
            break;
    }
    for (std::int64_t n = nextId();; ++n) {
        const std::size_t before = byId.size();
        FSymbol symbol = GetFSymbol(prefix + std::to_string(n), kind, arity);
        if (byId.size() != before) return symbol;
    }
}

FSymbol SymTab::newSymbol(int kind, int arity) {
    return createNewSymbol("", kind, arity);
}

const SymTabEntry* SymTab::find(const InternalName& symbol) const {
    const std::int32_t id = symbol.getValue();
    if (id < 1 || static_cast<std::size_t>(id) > byId.size()) return nullptr;
    const SymTabEntry& entry = byId[static_cast<std::size_t>(id) - 1];
    // The identifier names this entry only with the entry's own kind and arity.
    if (FSymbol(id, entry.getKind(), entry.getArity()) != FSymbol(symbol)) return nullptr;
    return &entry;
}

std::string SymTab::GetName(const InternalName& symbol) {
    const int kind = symbol.getType();
    if (kind == InternalName::Integer || kind == InternalName::Float) return giveName(symbol);
    // Asking for the name of an identifier that is no symbol at all (an object, a set name).
    if (kind > InternalName::BuiltinPredicate) centralErrorHandler().report(err10::NoSymbolType);
    const SymTabEntry* entry = find(symbol);
    if (entry == nullptr) {
        centralErrorHandler().report(err10::SymbolNotFound);
        return "NULL";
    }
    return std::string(entry->getName());
}

std::string SymTab::giveName(const InternalName& symbol) const {
    switch (symbol.getType()) {
        case InternalName::Integer:
            return std::to_string(symbol.getValue());
        case InternalName::Float:
            return "#" + floatToText(symbol.asFloat());
        default: {
            const SymTabEntry* entry = find(symbol);
            return entry == nullptr ? "NULL" : std::string(entry->getName());
        }
    }
}

bool SymTab::isAnonymous(const InternalName& symbol) const {
    const std::string text = giveName(symbol);
    return !text.empty() && text[0] == '_';
}

void SymTab::print(std::ostream& out) const {
    std::vector<std::int32_t> ids(byId.size());
    for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<std::int32_t>(i + 1);
    std::sort(ids.begin(), ids.end(),
              [this](std::int32_t a, std::int32_t b) { return byId[a - 1] < byId[b - 1]; });
    for (std::int32_t id : ids) out << id << " : " << byId[id - 1] << '\n';
    out << "NextEntry : " << nextId() << '\n';
}

void SymTab::reset() {
    byId.clear();
    index.clear();
    initBuiltinSymbols();
}

void SymTab::initBuiltinSymbols() {
    const builtinSymbol::Entry* table = builtinSymbol::entries();
    for (int i = 0; i < builtinSymbol::Count; ++i)
        enter(table[i].name, table[i].kind, table[i].arity);
}

void SymTab::copyFrom(const SymTab& other) {
    if (&other == this) return;
    byId = other.byId;
    index = other.index;
}

const SymTabEntry* SymTab::entryOf(std::int32_t id) const {
    if (id < 1 || static_cast<std::size_t>(id) > byId.size()) return nullptr;
    return &byId[static_cast<std::size_t>(id) - 1];
}

const SymTabEntry* SymTab::lookup(const std::string& name, int kind, int arity) const {
    if (index.empty()) return nullptr;
    const Slot& slot = index[slotOf(name, kind, arity, hashKey(name, kind, arity))];
    return slot.id == 0 ? nullptr : &byId[slot.id - 1];
}

bool SymTab::isA(const std::string& className) const {
    return className == "SymTab" || FLSysObject::isA(className);
}

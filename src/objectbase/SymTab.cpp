// SymTab and SymTabEntry: entering, naming and printing symbols, and the built-in symbols.
#include "objectbase/SymTab.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

// The entry stays 16 bytes: see the class comment.
static_assert(sizeof(SymTabEntry) == 16);

namespace {

// Writes the decimal digits of n at `at` (room for ten); their count. Two digits a step from a
// table: a fresh name's number is written for every imported element, where the library's
// general conversion took a hundred instructions a number.
std::size_t writeDecimal(char* at, std::uint32_t n) {
    static constexpr char pairs[] =
        "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243"
        "4445464748495051525354555657585960616263646566676869707172737475767778798081828384858687"
        "888990919293949596979899";
    std::size_t length = 1;
    for (std::uint64_t bound = 10; length < 10 && n >= bound; bound *= 10) ++length;
    char* end = at + length;
    for (; n >= 100; n /= 100) {
        end -= 2;
        std::memcpy(end, pairs + 2 * (n % 100), 2);
    }
    if (n >= 10)
        std::memcpy(end - 2, pairs + 2 * n, 2);
    else
        end[-1] = static_cast<char>('0' + n);
    return length;
}

// Copies a text of at most twelve characters in two overlapping pieces, or three characters,
// instead of a call of memcpy for a length known only at run time: every symbol entered is
// copied so.
void copyShort(char* to, const char* from, std::size_t length) {
    if (length >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + length - 4, from + length - 4, 4);
    } else if (length >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + length - 4, from + length - 4, 4);
    } else if (length > 0) {
        to[0] = from[0];
        to[length / 2] = from[length / 2];
        to[length - 1] = from[length - 1];
    }
}

}  // namespace

SymTabEntry::SymTabEntry(std::string_view name, std::int32_t kind, std::int32_t arity) {
    assign(name, kind, arity);
}

SymTabEntry::SymTabEntry(const SymTabEntry& other) {
    assign(other.getName(), other.getKind(), other.getArity());
}

SymTabEntry::SymTabEntry(SymTabEntry&& other) noexcept {
    take(other);
}

SymTabEntry& SymTabEntry::operator=(const SymTabEntry& other) {
    if (this == &other) return *this;
    release();
    assign(other.getName(), other.getKind(), other.getArity());
    return *this;
}

SymTabEntry& SymTabEntry::operator=(SymTabEntry&& other) noexcept {
    if (this == &other) return *this;
    release();
    take(other);
    return *this;
}

void SymTabEntry::take(SymTabEntry& other) {
    std::memcpy(text, other.text, Inline);
    shortArity = other.shortArity;
    shortKind = other.shortKind;
    length = other.length;
    other.length = 0;  // the allocation, if any, is this entry's now
}

SymTabEntry::Key SymTabEntry::outside() const {
    Key key;
    std::memcpy(&key, block(), sizeof key);
    return key;
}

std::string_view SymTabEntry::getName() const {
    if (isInline()) return {text, length};
    const char* held = block();
    return {held + sizeof(Key), outside().length};
}

bool SymTabEntry::textOfOutsideKey(std::int32_t kind, std::int32_t arity,
                                   std::string_view& out) const {
    const char* held = block();
    Key key;
    std::memcpy(&key, held, sizeof key);
    if (static_cast<std::uint8_t>(key.kind) != kind || static_cast<std::int8_t>(key.arity) != arity)
        return false;
    out = {held + sizeof(Key), key.length};
    return true;
}

void SymTabEntry::assign(std::string_view name, std::int32_t kind, std::int32_t arity) {
    if (name.size() <= Inline && kind >= 0 && kind <= 0xff &&
        arity >= std::numeric_limits<std::int16_t>::min() &&
        arity <= std::numeric_limits<std::int16_t>::max()) {
        copyShort(text, name.data(), name.size());
        length = static_cast<std::uint8_t>(name.size());
        shortKind = static_cast<std::uint8_t>(kind);
        shortArity = static_cast<std::int16_t>(arity);
        return;
    }
    char* held = new char[sizeof(Key) + name.size()];
    const Key key{name.size(), kind, arity};
    std::memcpy(held, &key, sizeof key);
    std::memcpy(held + sizeof key, name.data(), name.size());
    std::memcpy(text, &held, sizeof held);
    length = Outside;
}

void SymTabEntry::release() {
    if (!isInline()) delete[] block();
    length = 0;
}

int SymTabEntry::compare(const SymTabEntry& other) const {
    const std::int32_t kind = getKind();
    const std::int32_t otherKind = other.getKind();
    if (kind != otherKind) return kind < otherKind ? -1 : 1;
    const std::int32_t arity = getArity();
    const std::int32_t otherArity = other.getArity();
    if (arity != otherArity) return arity < otherArity ? -1 : 1;
    const int byName = getName().compare(other.getName());
    return byName < 0 ? -1 : (byName > 0 ? 1 : 0);
}

std::ostream& SymTabEntry::print(std::ostream& out) const {
    return out << getName() << ' ' << InternalName::typePrefix(getKind()) << ' ' << getArity();
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
    return FSymbol(enter(name, kind, arity));
}

std::size_t SymTab::slotOf(std::string_view name, int kind, int arity, std::uint64_t hash) const {
    const std::uint32_t tag = tagOf(hash);
    const std::uint32_t tagMask = (std::uint32_t{1} << tagBits) - 1;
    return index.probe(hash, [&](IndexSlot slot) {
        if ((slot.bits & tagMask) != tag) return false;
        const SymTabEntry& entry = byId[(slot.bits >> tagBits) - 1];
        return entry.getKind() == kind && entry.getArity() == arity && entry.getName() == name;
    });
}

void SymTab::rebuildIndex(std::size_t room) {
    // Self-named fresh names are left out: the index holds no more than it holds now.
    const std::size_t held = index.size();
    index.release();
    index.reserve(held + room, [](IndexSlot) { return std::uint64_t(0); });
    // The index holds fewer ids than it has slots until the next rebuild; ids beyond that
    // logarithm, which fresh names outside the index lead to, narrow the tags when they come.
    const auto idBits =
        std::max(static_cast<std::uint32_t>(std::countr_zero(index.capacity())),
                 static_cast<std::uint32_t>(std::bit_width(static_cast<std::uint32_t>(nextId()))));
    tagBits = idBits >= 32 ? 0 : std::min(MaxTagBits, 32 - idBits);
    // The slots of the next few entries are loaded while an entry is placed: the index is
    // larger than the caches, and each placement would otherwise wait for its slot. The entries
    // are hashed in id order, Ahead of their placement, in a ring; self-named ones are passed.
    constexpr std::size_t Ahead = 16;
    struct Pending {
        std::uint64_t hash;
        std::uint32_t id;
    };
    Pending ring[Ahead];
    std::size_t first = 0;
    std::size_t queued = 0;
    const std::size_t count = byId.size();
    std::size_t next = 0;
    auto refill = [&] {
        for (; queued < Ahead && next < count; ++next) {
            const SymTabEntry& entry = byId[next];
            if (selfNamed(entry.getName(), entry.getKind(), entry.getArity()) != 0) continue;
            const std::uint64_t hash = hashKey(entry.getName(), entry.getKind(), entry.getArity());
            index.prefetch(hash);
            ring[(first + queued++) % Ahead] = {hash, static_cast<std::uint32_t>(next + 1)};
        }
    };
    for (refill(); queued != 0; refill()) {
        const Pending entry = ring[first];
        first = (first + 1) % Ahead;
        --queued;
        index.add(entry.hash, IndexSlot{entry.id << tagBits | tagOf(entry.hash)});
    }
}

void SymTab::narrowTags(std::uint64_t id) {
    // Room for the ids up to twice this one: a run of fresh names narrows once a doubling.
    const auto idBits = static_cast<std::uint32_t>(std::bit_width(id)) + 1;
    const std::uint32_t narrower = idBits >= 32 ? 0 : std::min(tagBits, 32 - idBits);
    const std::uint32_t shift = tagBits - narrower;
    const std::uint32_t tagMask = (std::uint32_t{1} << tagBits) - 1;
    for (std::size_t at = 0; at < index.capacity(); ++at) {
        IndexSlot& slot = index[at];
        if (slot.isFree()) continue;
        slot.bits = (slot.bits >> tagBits) << narrower | (slot.bits & tagMask) >> shift;
    }
    tagBits = narrower;
}

std::uint32_t SymTab::freshNumber(std::string_view name, int kind, int arity) {
    if (kind != InternalName::Function || arity < 0 || arity > 9 || name.size() < 4 ||
        name[0] != 'f' || name[1] != '0' + arity || name[2] != '_' || name[3] == '0')
        return 0;
    std::uint64_t number = 0;
    for (std::size_t at = 3; at < name.size(); ++at) {
        const char c = name[at];
        if (c < '0' || c > '9') return 0;
        number = std::min<std::uint64_t>(number * 10 + std::uint64_t(c - '0'), UINT32_MAX);
    }
    return static_cast<std::uint32_t>(number);
}

std::int32_t SymTab::selfNamed(std::string_view name, int kind, int arity) const {
    const std::uint32_t number = freshNumber(name, kind, arity);
    if (number == 0 || number > byId.size()) return 0;
    const SymTabEntry& entry = byId[number - 1];
    if (entry.getKind() != kind || entry.getArity() != arity || entry.getName() != name) return 0;
    return static_cast<std::int32_t>(number);
}

InternalName SymTab::enter(std::string_view name, int kind, int arity, std::uint64_t hash) {
    // A fresh function name lies outside the index; its text gives its entry.
    if (kind == InternalName::Function && !name.empty() && name[0] == 'f') {
        if (const std::int32_t id = selfNamed(name, kind, arity); id != 0)
            return InternalName(id, InternalName::Function, static_cast<std::int8_t>(arity));
    }
    if (indexFull()) rebuildIndex();
    const std::size_t at = slotOf(name, kind, arity, hash);
    std::int32_t id = 0;
    if (!index[at].isFree()) {
        id = static_cast<std::int32_t>(index[at].bits >> tagBits);
    } else {
        id = nextId();
        byId.emplace_back(name, kind, arity);
        // Narrowing the tags moves no slot: `at` stays the key's place.
        fitIds(static_cast<std::uint64_t>(id));
        index.fill(at, IndexSlot{static_cast<std::uint32_t>(id) << tagBits | tagOf(hash)});
        if (kind == InternalName::Function)
            freshTaken = std::max(freshTaken, freshNumber(name, kind, arity));
    }
    // A kind that names no symbol is reported as an FSymbol reports it.
    if (static_cast<std::uint8_t>(kind) > InternalName::BuiltinPredicate)
        return FSymbol(id, static_cast<std::uint8_t>(kind), static_cast<std::int8_t>(arity));
    return InternalName(id, static_cast<std::uint8_t>(kind), static_cast<std::int8_t>(arity));
}

FSymbol SymTab::createNewSymbol(const std::string& base, int kind, int arity) {
    if (base.empty() && kind == InternalName::Function && arity >= 0 && arity < 10)
        return freshFunction(arity);
    // An import makes a fresh name for every element: the text is built in one buffer, the
    // number written behind the prefix in place.
    std::string name;
    if (!base.empty()) {
        name += base;
        name += '_';
    }
    switch (kind) {
        case InternalName::Predicate:
            name += 'p';
            name += std::to_string(arity);
            name += '_';
            break;
        case InternalName::Variable:
            name += 'X';
            break;
        case InternalName::DontCare:
            name += "_#";
            break;
        default:
            if (kind != InternalName::Function)
                centralErrorHandler().report(err10::WrongSymbolType);
            kind = InternalName::Function;
            name += 'f';
            name += std::to_string(arity);
            name += '_';
            break;
    }
    const std::size_t prefix = name.size();
    char digits[24];
    for (std::int64_t n = nextId();; ++n) {
        const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, n);
        name.resize(prefix);
        name.append(digits, written.ptr);
        const std::size_t before = byId.size();
        FSymbol symbol = GetFSymbol(name, kind, arity);
        if (byId.size() != before) {
            // Fresh names come in runs (one for each element of a document), and the next one
            // mostly takes the next number: its index slot is loaded while the caller works
            // with this one, instead of a cache miss of a large index at the next call.
            const std::to_chars_result next = std::to_chars(digits, digits + sizeof digits, n + 1);
            name.resize(prefix);
            name.append(digits, next.ptr);
            prefetch(hashKey(name, kind, arity));
            return symbol;
        }
    }
}

FSymbol SymTab::freshFunctionAnew(int arity) {
    // An import makes a fresh name for every element, a million for a large document: the text
    // ("f0_" and the number) is written in place and hashed once, and none of GetFSymbol's
    // rules concerns it.
    constexpr std::size_t prefix = FreshPrefix;
    auto write = [arity](PreparedName& name, std::int64_t number) {
        name.text[0] = 'f';
        name.text[1] = static_cast<char>('0' + arity);
        name.text[2] = '_';
        const std::to_chars_result written =
            std::to_chars(name.text + prefix, name.text + sizeof name.text, number);
        name.length = static_cast<std::size_t>(written.ptr - name.text);
        name.number = number;
        name.arity = arity;
        name.hash =
            hashKey(std::string_view(name.text, name.length), InternalName::Function, arity);
    };
    const std::int32_t id = nextId();
    if (id > 0 && static_cast<std::uint32_t>(id) > freshTaken) {
        // No entered name has this text: it is written into its entry, which its number finds.
        // It does not follow the name made last (which freshFunction stepped), or has a digit
        // more: it is written whole.
        FreshText& fresh = freshNames().lastFresh;
        fresh.text[0] = 'f';
        fresh.text[1] = static_cast<char>('0' + arity);
        fresh.text[2] = '_';
        fresh.length = prefix + writeDecimal(fresh.text + prefix, static_cast<std::uint32_t>(id));
        fresh.arity = arity;
        fresh.number = static_cast<std::uint32_t>(id);
        byId.emplace_back(SymTabEntry::Padded{fresh.text, fresh.length}, InternalName::Function,
                          arity);
        return FSymbol(id, InternalName::Function, static_cast<std::int8_t>(arity));
    }
    PreparedName& prepared = freshNames().prepared;
    for (std::int64_t n = id;; ++n) {
        if (prepared.number != n || prepared.arity != arity) write(prepared, n);
        const std::size_t before = byId.size();
        const InternalName symbol = enter(std::string_view(prepared.text, prepared.length),
                                          InternalName::Function, arity, prepared.hash);
        if (byId.size() != before) {
            // Fresh names come in runs, and the next one mostly takes the next number: its index
            // slot is loaded while the caller works with this one, instead of a cache miss of a
            // large index at the next call.
            write(prepared, n + 1);
            prefetch(prepared.hash);
            return FSymbol(symbol);
        }
    }
}

FSymbol SymTab::newSymbol(int kind, int arity) {
    if (kind == InternalName::Function && arity >= 0 && arity < 10) return freshFunction(arity);
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
    index.release();
    tagBits = 0;
    freshTaken = 0;
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
    tagBits = other.tagBits;
    freshTaken = other.freshTaken;
}

const SymTabEntry* SymTab::entryOf(std::int32_t id) const {
    if (id < 1 || static_cast<std::size_t>(id) > byId.size()) return nullptr;
    return &byId[static_cast<std::size_t>(id) - 1];
}

const SymTabEntry* SymTab::lookup(const std::string& name, int kind, int arity) const {
    if (const std::int32_t id = selfNamed(name, kind, arity); id != 0) return &byId[id - 1];
    if (index.empty()) return nullptr;
    const IndexSlot slot = index[slotOf(name, kind, arity, hashKey(name, kind, arity))];
    return slot.isFree() ? nullptr : &byId[(slot.bits >> tagBits) - 1];
}

bool SymTab::isA(const std::string& className) const {
    return className == "SymTab" || FLSysObject::isA(className);
}

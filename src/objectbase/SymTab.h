// SymTab, the symbol table that maps (name, kind, arity) to symbols and back, and its key
// SymTabEntry.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/FLSysObject.h"
#include "foundation/FlatHashTable.h"
#include "foundation/HashMix.h"
#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"

// The key of a symbol: its text, kind and arity. Ordered by kind, then arity, then text.
//
// A symbol table holds one entry per symbol of a program or document (a consulted fact brings
// one or two new ones, an imported element several), so an entry is 16 bytes: a text of up to
// 12 characters lies inside it with its kind and arity; a longer text, or a kind or arity too
// large for the entry's small fields, goes to an allocation of its own that holds all three,
// and the entry keeps its address.
class SymTabEntry {
  public:
    SymTabEntry() = default;
    SymTabEntry(std::string_view name, std::int32_t kind, std::int32_t arity);
    // A text in a buffer of at least Inline bytes, which a short text is copied from whole.
    struct Padded {
        const char* text;
        std::size_t length;
    };
    SymTabEntry(Padded name, std::int32_t kind, std::int32_t arity) {
        if (name.length > Inline || kind < 0 || kind > 0xff ||
            arity < std::numeric_limits<std::int16_t>::min() ||
            arity > std::numeric_limits<std::int16_t>::max()) {
            assign(std::string_view(name.text, name.length), kind, arity);
            return;
        }
        std::memcpy(text, name.text, Inline);
        length = static_cast<std::uint8_t>(name.length);
        shortKind = static_cast<std::uint8_t>(kind);
        shortArity = static_cast<std::int16_t>(arity);
    }
    SymTabEntry(const SymTabEntry& other);
    SymTabEntry(SymTabEntry&& other) noexcept;
    SymTabEntry& operator=(const SymTabEntry& other);
    SymTabEntry& operator=(SymTabEntry&& other) noexcept;
    ~SymTabEntry() { release(); }

    std::string_view getName() const;
    std::int32_t getKind() const { return isInline() ? shortKind : outside().kind; }
    std::int32_t getArity() const { return isInline() ? shortArity : outside().arity; }

    // The text, when the entry's kind and arity, as a symbol's byte and signed byte hold them,
    // are these (those of the symbol whose number names the entry): the key is read once, where
    // getKind, getArity and getName read it each.
    bool textOfKey(std::int32_t kind, std::int32_t arity, std::string_view& out) const {
        if (!isInline()) return textOfOutsideKey(kind, arity, out);
        if (shortKind != kind || static_cast<std::int8_t>(shortArity) != arity) return false;
        out = {text, length};
        return true;
    }

    // Where a text that lies outside the entry lies, or null: a cache hint.
    const void* textStorage() const { return isInline() ? nullptr : block(); }

    // -1, 0 or 1.
    int compare(const SymTabEntry& other) const;
    bool operator==(const SymTabEntry& other) const { return compare(other) == 0; }
    bool operator!=(const SymTabEntry& other) const { return compare(other) != 0; }
    bool operator<(const SymTabEntry& other) const { return compare(other) < 0; }
    bool operator<=(const SymTabEntry& other) const { return compare(other) <= 0; }
    bool operator>(const SymTabEntry& other) const { return compare(other) > 0; }
    bool operator>=(const SymTabEntry& other) const { return compare(other) >= 0; }

    // The text, a blank, the kind's prefix, a blank and the arity ("get f 0").
    std::ostream& print(std::ostream& out) const;

  private:
    static constexpr std::uint8_t Inline = 12;
    // The value of `length` when the key lies outside.
    static constexpr std::uint8_t Outside = 0xff;
    // The head of the allocation of a key that lies outside; its text follows it.
    struct Key {
        std::size_t length;
        std::int32_t kind;
        std::int32_t arity;
    };

    bool isInline() const { return length != Outside; }
    // The allocation, whose address the first bytes of `text` hold.
    char* block() const {
        char* held = nullptr;
        std::memcpy(&held, text, sizeof held);
        return held;
    }
    Key outside() const;
    bool textOfOutsideKey(std::int32_t kind, std::int32_t arity, std::string_view& out) const;
    void assign(std::string_view name, std::int32_t kind, std::int32_t arity);
    // Takes the other entry's contents, its allocation too, and leaves it empty.
    void take(SymTabEntry& other);
    void release();

    char text[Inline] = {};
    std::int16_t shortArity = 0;
    std::uint8_t shortKind = 0;
    std::uint8_t length = 0;
};

inline int compare(const SymTabEntry& a, const SymTabEntry& b) {
    return a.compare(b);
}
std::ostream& operator<<(std::ostream& out, const SymTabEntry& entry);

// Turns the symbols of the program text into identifiers and back. Ids are handed out
// sequentially from 1; integers and floats are not entered, their identifier carries the number.
// A new table is empty: its owner calls initBuiltinSymbols right after constructing it.
class SymTab : public FLSysObject {
  public:
    SymTab();
    SymTab(const SymTab& other);
    SymTab& operator=(const SymTab& other);

    // The symbol of (name, kind, arity), entered when new. Integers (kind 3) and floats (kind 4)
    // are encoded in the identifier; a name beginning with "_" is a don't-care variable, and "_"
    // alone is a new one on every call.
    virtual FSymbol GetFSymbol(const std::string& name, int kind, int arity);
    // A symbol whose name was not yet in the table ("p2_57", "f0_58", "X59", "_#60",
    // "rule_f1_61").
    virtual FSymbol createNewSymbol(const std::string& base, int kind, int arity);
    virtual FSymbol newSymbol(int kind, int arity);
    // newSymbol for a function symbol of one-digit arity ("f0_58"), which needs no base.
    //
    // Such a name whose number is its own id ("f0_58" with id 58) is found from its text alone:
    // the number gives the entry, which is compared with the key. Those names are therefore
    // not entered into the hashed index, and a fresh name whose number no entered name of that
    // form reaches (see freshTaken) cannot be taken: it is written and appended without a
    // look at the index. An import that makes a million of them saves the hashing, the probe
    // and the index's growth for each (360 instructions a name before, about 40 now). Inline
    // for a name that follows the one made last, as an import's names do: its text is the last
    // one's, stepped by one in place.
    FSymbol freshFunction(int arity) {
        const std::int32_t id = nextId();
        if (freshState != nullptr && id > 0 && static_cast<std::uint32_t>(id) > freshTaken &&
            freshState->lastFresh.number + 1 == static_cast<std::uint32_t>(id) &&
            freshState->lastFresh.arity == arity &&
            stepDecimal(freshState->lastFresh.text + FreshPrefix,
                        freshState->lastFresh.length - FreshPrefix)) [[likely]] {
            FreshText& fresh = freshState->lastFresh;
            fresh.number = static_cast<std::uint32_t>(id);
            byId.emplace_back(SymTabEntry::Padded{fresh.text, fresh.length}, InternalName::Function,
                              arity);
            return FSymbol(id, InternalName::Function, static_cast<std::int8_t>(arity));
        }
        return freshFunctionAnew(arity);
    }
    // freshFunction `count` times (at least once); the first symbol. Once one name was made
    // outside the index, the next ones are too, each the last one's text stepped.
    FSymbol freshFunctions(int arity, std::size_t count) {
        const FSymbol first = freshFunction(arity);
        std::size_t made = 1;
        if (static_cast<std::uint32_t>(first.getValue()) > freshTaken) {
            FreshText& fresh = freshNames().lastFresh;
            for (;
                 made < count && stepDecimal(fresh.text + FreshPrefix, fresh.length - FreshPrefix);
                 ++made) {
                ++fresh.number;
                byId.emplace_back(SymTabEntry::Padded{fresh.text, fresh.length},
                                  InternalName::Function, arity);
            }
        }
        for (; made < count; ++made) freshFunction(arity);
        return first;
    }
    // Prepares the table for this many symbols beyond those entered: a caller about to make
    // many fresh names (an import makes one for each element) has the index's slots widened for
    // their ids once, rather than again at each doubling of the ids. The fresh names themselves
    // take no room in the index (see freshFunction).
    void reserve(std::size_t more) { fitIds(std::uint64_t(nextId()) + more); }
    // Prepares the index for this many names to be entered: an import about to name a text for
    // each of its elements has the index made once for all of them, rather than made anew at
    // each doubling, which read every entry held again (two percent of a large import).
    void reserveIndex(std::size_t more) {
        if (more != 0 && indexFull(more)) rebuildIndex(more);
    }
    // The text of a symbol: integers in decimal, floats as "#" and the number, anything else from
    // the table; an identifier the table does not hold is reported and gives "NULL".
    virtual std::string GetName(const InternalName& symbol);
    // As GetName, without any report.
    virtual std::string giveName(const InternalName& symbol) const;
    virtual int getArity(const InternalName& symbol) const { return symbol.getArity(); }
    // True when the symbol's text begins with "_".
    virtual bool isAnonymous(const InternalName& symbol) const;
    virtual int getType(const InternalName& symbol) const { return symbol.getType(); }
    // One line "id : entry" per entry in key order, then "NextEntry : " and the next id.
    virtual void print(std::ostream& out) const;
    using FLSysObject::print;
    // Empties the table and enters the built-in symbols again.
    virtual void reset();
    // Enters the 40 built-in symbols (ids 1-40 in an empty table).
    virtual void initBuiltinSymbols();
    // Replaces this table's contents by a copy of the other's.
    virtual void copyFrom(const SymTab& other);
    // The entry holding the id, or null.
    virtual const SymTabEntry* entryOf(std::int32_t id) const;
    // The entry of the key (name, kind, arity), or null when there is none.
    virtual const SymTabEntry* lookup(const std::string& name, int kind, int arity) const;
    // The hash of a key, which nameSymbol takes back. Inline: the scanner hashes every name it
    // reads.
    static std::uint64_t hashKey(std::string_view name, int kind, int arity) {
        // Eight characters a step: a symbol's text is mostly a short name, which this hashes
        // in a step or two where a byte-wise hash of the text cost a call and a loop.
        std::uint64_t h = hashMix::Seed;
        const char* at = name.data();
        std::size_t left = name.size();
        for (; left > 8; left -= 8, at += 8) h = hashMix::step(h, load64(at));
        // The last one to eight characters are read as two words that may overlap, none
        // beyond the text: copying them byte by byte into a word on the stack and reading that
        // back made the processor wait for the copy, a fifth of a consulted fact's hashing.
        std::uint64_t rest = 0;
        if (left >= 4) {
            rest = std::uint64_t(load32(at)) << 32 | load32(at + left - 4);
        } else if (left > 0) {
            rest = std::uint64_t(std::uint8_t(at[0])) << 16 |
                   std::uint64_t(std::uint8_t(at[left / 2])) << 8 | std::uint8_t(at[left - 1]);
        }
        h = hashMix::step(h, rest);
        return hashMix::step(h, (std::uint64_t(std::uint32_t(kind)) << 32 | std::uint32_t(arity)) ^
                                    std::uint64_t(name.size()) << 56);
    }
    // Starts loading the index where a lookup of the key of this hash begins: a reader that
    // knows its next few keys before it enters them lets their cache misses overlap.
    void prefetch(std::uint64_t hash) const { index.prefetch(hash); }
    // GetFSymbol for a name none of its special rules concern (a name that begins with a
    // lower-case letter, of a kind other than integer, float, string and variable), with the
    // key's hash given; the symbol comes back as its base class, as enter gives it.
    InternalName nameSymbol(std::string_view name, int kind, int arity, std::uint64_t hash) {
        return enter(name, kind, arity, hash);
    }

    std::string name() const override { return "aSymTab"; }
    bool isA(const std::string& className) const override;

    // The id the next new symbol receives: ids are handed out densely from 1.
    std::int32_t nextId() const { return static_cast<std::int32_t>(byId.size()) + 1; }

    // Calls visit(symbol, text) for every entered symbol in ascending id order.
    template <class Visit>
    void forEachSymbol(Visit visit) const {
        std::int32_t id = 1;
        for (const SymTabEntry& entry : byId)
            visit(FSymbol(id++, entry.getKind(), entry.getArity()), std::string(entry.getName()));
    }

    // The integer a text denotes, read like atoi (blanks, an optional sign, the leading digits; 0
    // when there are none) but range-checked: a value beyond 32 bits is reported and the nearest
    // 32-bit integer is taken instead of a wrapped one.
    static std::int32_t readInteger(const std::string& text);
    // The 32-bit float a text denotes (read like atof, then rounded to float).
    static float readFloat(const std::string& text);

  protected:
    ~SymTab() override = default;

  private:
    static std::uint64_t load64(const char* at) {
        std::uint64_t word;
        std::memcpy(&word, at, sizeof word);
        return word;
    }
    static std::uint32_t load32(const char* at) {
        std::uint32_t word;
        std::memcpy(&word, at, sizeof word);
        return word;
    }

    // A slot of the hashed index is the id shifted up by tagBits (0 for an empty slot), with
    // the top tagBits bits of its key's hash below it: they reject most other keys of a probe
    // sequence without touching their entries, so the index may be up to 4/5 full: a probe
    // sequence then still stays within a cache line or two (16 slots a line). Four bytes a slot
    // rather than eight (a 32-bit hash beside the id), at 4/5 rather than 1/2, took 100,000
    // consulted molecules from 42 to 10 bytes a fact for the index, at the same speed.
    //
    // The index is rebuilt before it holds as many ids as it has slots, so an id of an entry it
    // holds needs little more than that number's logarithm in bits: the tags take all the
    // others, chosen anew at each rebuild (13 bits at half a million slots). With a fixed 6
    // bits, one probe in five for a new symbol read a stranger's entry, a cache miss in a large
    // table. Fresh names outside the index take ids too, which may outgrow that logarithm: the
    // tags are then narrowed in place (fitIds), a tag being the top bits of its key's hash.
    static constexpr std::uint32_t MaxTagBits = 16;
    std::uint32_t tagOf(std::uint64_t hash) const {
        return tagBits == 0 ? 0 : static_cast<std::uint32_t>(hash >> (64 - tagBits));
    }

    // freshFunction when the next name does not follow the one made last: the text is written
    // anew, or the name is looked up in the index when an entered name may have its text.
    FSymbol freshFunctionAnew(int arity);
    // Adds one to the decimal number of `length` digits at `at`; false, the digits unchanged,
    // when the sum has one digit more.
    static bool stepDecimal(char* at, std::size_t length) {
        std::size_t i = length;
        while (i > 0 && at[i - 1] == '9') --i;
        if (i == 0) return false;
        ++at[i - 1];
        for (; i < length; ++i) at[i] = '0';
        return true;
    }
    // The id of the entry whose key is (name, kind, arity) when the name is the fresh function
    // name of that entry's own id ("f<arity>_<id>"); 0 otherwise.
    std::int32_t selfNamed(std::string_view name, int kind, int arity) const;
    // The number n of a function name "f<arity>_<n>" of one-digit arity, or 0 for any other
    // key (a number beyond 32 bits counts as the largest).
    static std::uint32_t freshNumber(std::string_view name, int kind, int arity);
    // Narrows the tags of the index's slots, when needed, so that every id up to `id` fits
    // beside them: ids of entries outside the index run ahead of the index's own size.
    void fitIds(std::uint64_t id) {
        if (tagBits != 0 && (id >> (32 - tagBits)) != 0) narrowTags(id);
    }
    void narrowTags(std::uint64_t id);
    // Finds or enters (name, kind, arity) without the special rules of GetFSymbol. The symbol
    // comes back as its base class: a function that returned an FSymbol built it on the stack
    // and read it back as one word before that read could see the writes, where its base comes
    // back in a register (two fifths of this function's time on 100,000 consulted molecules).
    InternalName enter(std::string_view name, int kind, int arity) {
        return enter(name, kind, arity, hashKey(name, kind, arity));
    }
    InternalName enter(std::string_view name, int kind, int arity, std::uint64_t hash);
    // The entry of an identifier, or null.
    const SymTabEntry* find(const InternalName& symbol) const;
    // The index slot that holds the key, or the empty slot where it belongs.
    std::size_t slotOf(std::string_view name, int kind, int arity, std::uint64_t hash) const;
    // Makes the index anew for `room` more ids than the table holds, entering the ids in order:
    // the entries are read one after the other, where growing slot by slot read them at random.
    // The tags take every bit of a slot that the index's ids leave free.
    void rebuildIndex(std::size_t room = 1);
    // True when `more` ids would fill the index beyond its load.
    bool indexFull(std::size_t more = 1) const {
        return index.capacity() == 0 ||
               (index.size() + more) * LoadDen > index.capacity() * LoadNum;
    }
    // The entries by id (id 1 first), in chunks that never move, so the pointers entryOf and
    // lookup hand out stay valid as the table grows: chunk k holds FirstChunk << k entries. A
    // clause's table of a few variables costs one chunk of 64 bytes (a deque took 512 and a map
    // of its blocks, a new page every few clauses of a long program), and a table of a million
    // symbols about twenty chunks. With the open-addressed index beside it a symbol costs its
    // entry and about two slots, where two ordered maps (key -> id and id -> key) cost two tree
    // nodes and a key comparison chain of string compares per lookup: a 20 MB document enters
    // about a million symbols.
    class Entries {
      public:
        Entries() = default;
        Entries(const Entries& other) { append(other); }
        Entries& operator=(const Entries& other) {
            if (this != &other) {
                clear();
                append(other);
            }
            return *this;
        }
        ~Entries() { clear(); }

        std::size_t size() const { return count; }
        const SymTabEntry& operator[](std::size_t i) const {
            const auto [chunk, at] = place(i);
            return chunks[chunk][at];
        }
        template <class... Args>
        void emplace_back(Args&&... args) {
            if (nextFree == chunkEnd) [[unlikely]] {
                const auto [chunk, at] = place(count);
                if (at == 0) addChunk(chunk);
                nextFree = chunks[chunk] + at;
                chunkEnd = chunks[chunk] + (FirstChunk << chunk);
            }
            new (nextFree) SymTabEntry(std::forward<Args>(args)...);
            ++nextFree;
            ++count;
        }
        void clear() {
            for (std::size_t i = 0; i < count; ++i) {
                const auto [chunk, at] = place(i);
                chunks[chunk][at].~SymTabEntry();
            }
            for (std::size_t k = 0; k < chunkCount; ++k) ::operator delete(chunks[k]);
            chunks.reset();
            chunkCount = 0;
            count = 0;
            nextFree = nullptr;
            chunkEnd = nullptr;
        }

        class const_iterator {
          public:
            const_iterator(const Entries& entries, std::size_t i) : entries(&entries), i(i) {}
            const SymTabEntry& operator*() const { return (*entries)[i]; }
            const_iterator& operator++() {
                ++i;
                return *this;
            }
            const_iterator operator++(int) {
                const_iterator before = *this;
                ++i;
                return before;
            }
            bool operator==(const const_iterator& other) const { return i == other.i; }
            bool operator!=(const const_iterator& other) const { return i != other.i; }

          private:
            const Entries* entries;
            std::size_t i;
        };
        const_iterator begin() const { return {*this, 0}; }
        const_iterator end() const { return {*this, count}; }
        const_iterator cbegin() const { return begin(); }

      private:
        static constexpr std::size_t FirstChunk = 4;
        // The chunk of entry i and its place there: chunk k begins at FirstChunk * (2^k - 1).
        static std::pair<std::size_t, std::size_t> place(std::size_t i) {
            const std::size_t k = std::size_t(std::bit_width(i / FirstChunk + 1)) - 1;
            return {k, i - FirstChunk * ((std::size_t{1} << k) - 1)};
        }
        void append(const Entries& other) {
            for (const SymTabEntry& entry : other) emplace_back(entry);
        }

        // Chunk k's storage, k+1 of them: the list grows by one with each chunk, so a clause's
        // table of a few variables keeps one pointer where a list long enough for every id an
        // InternalName can carry took 232 bytes in each of a program's clauses.
        void addChunk(std::size_t chunk) {
            auto grown = std::make_unique<SymTabEntry*[]>(chunk + 1);
            for (std::size_t k = 0; k < chunkCount; ++k) grown[k] = chunks[k];
            grown[chunk] = static_cast<SymTabEntry*>(
                ::operator new(sizeof(SymTabEntry) * (FirstChunk << chunk)));
            chunks = std::move(grown);
            chunkCount = chunk + 1;
        }

        std::unique_ptr<SymTabEntry*[]> chunks;
        std::size_t chunkCount = 0;
        std::size_t count = 0;
        // The place of the next entry and the end of its chunk: a symbol is appended without
        // working out its chunk.
        SymTabEntry* nextFree = nullptr;
        SymTabEntry* chunkEnd = nullptr;
    };
    Entries byId;
    struct IndexSlot {
        std::uint32_t bits = 0;
        bool isFree() const { return bits == 0; }
    };
    static constexpr unsigned LoadNum = 4;
    static constexpr unsigned LoadDen = 5;
    FlatHashTable<IndexSlot, LoadNum, LoadDen> index;
    std::uint32_t tagBits = 0;
    // The largest number n of an entered function name "f<arity>_<n>" of one-digit arity that
    // lies in the index: a fresh name of a larger number is no entered name's.
    std::uint32_t freshTaken = 0;
    // The fresh function name freshFunction expects to make next, written and hashed when its
    // slot was prefetched: a name's text and hash depend on its number and arity alone, so
    // they serve whenever a call comes for them, and a run of fresh names writes and hashes
    // each name once (a tenth of an imported element's symbol).
    struct PreparedName {
        std::int64_t number = -1;
        int arity = -1;
        std::uint64_t hash = 0;
        std::size_t length = 0;
        char text[32] = {};
    };
    // The length of a fresh name's "f<arity>_".
    static constexpr std::size_t FreshPrefix = 3;
    // The text of the fresh name made last outside the index: the next one, one number
    // higher, mostly differs in its last digit only, which is stepped in place.
    struct FreshText {
        std::uint32_t number = 0;
        int arity = -1;
        std::size_t length = 0;
        char text[16] = {};
    };
    // The two above, made when the table first makes a fresh name: only the base's own table
    // makes them, and a clause's table of variables, one for each clause of a program, has no
    // use for their 90 bytes. Neither is copied with the table: both only save work.
    struct FreshNames {
        PreparedName prepared;
        FreshText lastFresh;
    };
    FreshNames& freshNames() {
        if (freshState == nullptr) freshState = std::make_unique<FreshNames>();
        return *freshState;
    }
    std::unique_ptr<FreshNames> freshState;
};

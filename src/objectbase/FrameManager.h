// The registry of all frames of the main-memory object base, their pools and name iterators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Error.h"
#include "foundation/ManagedObject.h"
#include "foundation/clib_dictionary.h"
#include "foundation/clib_list.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"

class OM;
class SymTab;

// Walks the registered names of one kind of frame in identifier order; one column, the name.
template <class F>
class NamesIterator : public Iterator {
  public:
    using Names = clib_dictionary<InternalName, F*>;

    explicit NamesIterator(Names* names) : names(names) {}

    // Points the iterator at another dictionary, unpositioned.
    void reset(Names* newNames) {
        names = newNames;
        current = Item{};
    }

    bool first() override {
        current = names != nullptr ? names->first_item() : Item{};
        return current != Item{};
    }

    bool next() override {
        if (names == nullptr || current == Item{}) return false;
        current = names->next_item(current);
        return current != Item{};
    }

    // The current name; any other column, or no current name, gives the undefined object.
    InternalName atColumn(int col) override {
        if (col != 1 || names == nullptr || current == Item{}) return InternalName::UndefinedObject;
        return names->key(current);
    }

    int columns() override { return 1; }

  protected:
    ~NamesIterator() override = default;

  private:
    using Item = decltype(std::declval<Names&>().first_item());

    Names* names;
    Item current{};
};

// Object, set and parameter frames found by name. Object, set and parameter-frame names come from
// counters, so their numbers are dense: a frame whose name is an object, string, set or
// parameter-frame name sits in a slot indexed by its number, and only names of other kinds (or one
// whose slot another name holds) go to an ordered map. Every stored value looks its host's object
// frame and its set frame up, and an import or a consult registers a frame per object: a tree
// descent and a tree node per frame were a quarter of a method-heavy evaluation and about 100 bytes
// per object. The slots come in pages made on first use, so frames of a few names among many
// numbers cost a page each, not an array up to the largest number.
template <class F>
class FrameRegistry {
  public:
    // The frame registered under the name, or null.
    F* find(const InternalName& name) const;
    // Registers a name that is not registered yet.
    void insert(const InternalName& name, F* frame);
    // False when the name was not registered.
    bool erase(const InternalName& name);
    bool empty() const { return count == 0; }
    void clear();
    // The smallest registered name above `after` (the smallest of all when `after` is null);
    // false when there is none.
    bool nameAfter(const InternalName* after, InternalName& name) const;
    // Calls `visit` with every registered frame, in no particular order.
    template <class Visit>
    void forEachFrame(Visit visit) const {
        for (const auto& page : pages) {
            if (page == nullptr) continue;
            for (std::size_t at = 0; at < PageSize; ++at)
                if (F* frame = page[at].frame()) visit(frame);
        }
        for (const auto& [name, frame] : others) visit(frame);
    }

  private:
    // The slot of a number: the frame's address in the low 48 bits and the kind and flag of the
    // name that holds it in the high 16 (the number is the slot's place). Every object, string
    // and set name takes a number, with a frame or not, so the pages hold a slot for each: 8
    // bytes where a (name, frame) pair took 16 (100,000 consulted molecules: 16 bytes a fact
    // less). A frame whose address does not fit in 48 bits is registered among the others.
    class Slot {
      public:
        static constexpr int AddressBits = 48;
        // A slot never taken: no name of its number is registered anywhere. A slot given up: a
        // name of its number may still be registered among the others (one that found the slot
        // taken).
        static constexpr std::uint8_t NeverTaken = 0xff;
        static constexpr std::uint8_t GivenUp = 0xfe;

        static bool fits(const F* frame) {
            return (reinterpret_cast<std::uintptr_t>(frame) >> AddressBits) == 0;
        }
        void hold(const InternalName& name, F* frame) {
            word = reinterpret_cast<std::uintptr_t>(frame) |
                   std::uint64_t(std::uint8_t(name.getType())) << AddressBits |
                   std::uint64_t(std::uint8_t(name.getArity())) << (AddressBits + 8);
        }
        void mark(std::uint8_t state) { word = std::uint64_t(state) << AddressBits; }
        F* frame() const {
            return reinterpret_cast<F*>(
                static_cast<std::uintptr_t>(word & ((std::uint64_t(1) << AddressBits) - 1)));
        }
        std::uint8_t kind() const { return std::uint8_t(word >> AddressBits); }
        bool holds(const InternalName& name) const {
            return frame() != nullptr && kind() == name.getType() &&
                   std::int8_t(word >> (AddressBits + 8)) == name.getArity();
        }
        InternalName name(std::size_t number) const {
            return {std::int32_t(number), kind(), std::int8_t(word >> (AddressBits + 8))};
        }

      private:
        std::uint64_t word = std::uint64_t(NeverTaken) << AddressBits;
    };
    static_assert(sizeof(void*) == 8, "frame slots keep a 64-bit address");
    static constexpr std::size_t PageSize = 512;
    static constexpr std::size_t MaxNumber = std::size_t(1) << 27;

    // The slot of the name, or null when it has none (made when `making`).
    Slot* slotFor(const InternalName& name, bool making);
    const Slot* slotFor(const InternalName& name) const;
    // The name of the first slot holding a frame at a number from `number` on whose name is
    // above `after`; false when there is none.
    bool slotFrom(std::size_t number, const InternalName* after, InternalName& name) const;

    std::vector<std::unique_ptr<Slot[]>> pages;
    std::map<InternalName, F*> others;
    std::size_t count = 0;
};

// Walks the registered names of object or set frames in identifier order; one column, the name.
// The walk stands on a name, not on a stored entry: it goes on after that name whatever is
// registered or unregistered meanwhile.
template <class F>
class RegistryNamesIterator : public Iterator {
  public:
    explicit RegistryNamesIterator(const FrameRegistry<F>* names) : names(names) {}

    // Points the iterator at another registry, unpositioned.
    void reset(const FrameRegistry<F>* newNames) {
        names = newNames;
        positioned = false;
    }

    bool first() override {
        positioned = names != nullptr && names->nameAfter(nullptr, current);
        return positioned;
    }

    bool next() override {
        if (names == nullptr || !positioned) return false;
        positioned = names->nameAfter(&current, current);
        return positioned;
    }

    // The current name; any other column, or no current name, gives the undefined object.
    InternalName atColumn(int col) override {
        if (col != 1 || names == nullptr || !positioned) return InternalName::UndefinedObject;
        return current;
    }

    int columns() override { return 1; }

  protected:
    ~RegistryNamesIterator() override = default;

  private:
    const FrameRegistry<F>* names;
    InternalName current = InternalName::UndefinedObject;
    bool positioned = false;
};

class ObjNamesIterator : public RegistryNamesIterator<MainMemObjFrame> {
  public:
    using RegistryNamesIterator::RegistryNamesIterator;
    bool isA(const std::string& className) const override;
};

class SetNamesIterator : public RegistryNamesIterator<MainMemSetFrame> {
  public:
    using RegistryNamesIterator::RegistryNamesIterator;
    bool isA(const std::string& className) const override;
};

class PredNamesIterator : public NamesIterator<MainMemPredFrame> {
  public:
    using NamesIterator::NamesIterator;
    bool isA(const std::string& className) const override;
};

class ParamNamesIterator : public RegistryNamesIterator<MainMemParamFrame> {
  public:
    using RegistryNamesIterator::RegistryNamesIterator;
    bool isA(const std::string& className) const override;
};

// Owns every frame of the main-memory object base and finds it by name. Object and set frames
// come from preallocated blocks; predicate and parameter frames are made by the caller and
// handed over on registration.
class FrameManager : public ManagedObject {
  public:
    FrameManager(OM& owner, SymTab& symbols);
    FrameManager(const FrameManager&) = delete;
    FrameManager& operator=(const FrameManager&) = delete;

    // An unused empty frame from the pool, or null when no block can be had.
    MainMemSetFrame* allocateSetFrame();
    MainMemObjFrame* allocateObjFrame();

    // 0 after registering the frame under the name; 1 after reporting a refusal.
    int insertObjFrame(const InternalName& name, MainMemObjFrame* frame);
    int insertSetFrame(const InternalName& name, MainMemSetFrame* frame);
    int insertPredFrame(const InternalName& name, MainMemPredFrame* frame);
    int insertParamFrame(const InternalName& name, MainMemParamFrame* frame);

    // The frame registered under the name, or null; the result is always 0.
    int getObjFrame(const InternalName& name, MainMemObjFrame*& frame);
    int getSetFrame(const InternalName& name, MainMemSetFrame*& frame);
    int getPredFrame(const InternalName& name, MainMemPredFrame*& frame);
    int getParamFrame(const InternalName& name, MainMemParamFrame*& frame);

    // 0 after unregistering the name (the frame is not destroyed); 1 after reporting a failure.
    int deleteObjFrame(const InternalName& name);
    int deleteSetFrame(const InternalName& name);
    int deleteParamFrame(const InternalName& name);

    // 1 when any frame is registered, else 0.
    int hasFrames() const;

    // Iterators over the registered names of one kind; `reuse` is re-targeted when it has the
    // requested class.
    Iterator* objNames(Iterator* reuse);
    Iterator* setNames(Iterator* reuse);
    Iterator* predNames(Iterator* reuse);
    Iterator* paramNames(Iterator* reuse);

    // Forgets every frame: pooled frames are emptied, predicate and parameter frames destroyed.
    void clear();

    int objectCount() const { return objCount; }
    int setCount() const { return setFrameCount; }
    int predicateCount() const { return predCount; }
    int parameterCount() const { return paramCount; }

  protected:
    ~FrameManager() override;

  private:
    // A block is an array of frames, constructed and destroyed as a whole.
    template <class F>
    F* allocateFrom(F*& current, clib_list<F*>& full, std::int32_t blockSize,
                    std::int32_t& nextIndex, const Error& failure);
    template <class Names, class F>
    int registerFrame(Names& frames, const InternalName& name, F* frame, std::int32_t& count,
                      const Error& exists, const Error& failed);
    template <class Names>
    int unregisterFrame(Names& frames, const InternalName& name, std::int32_t& count,
                        const Error& missing, const Error& failed, bool traceOnStdout);
    template <class It, class Names>
    Iterator* namesIterator(Iterator* reuse, Names& names, const char* className);
    void releaseFullBlocks();

    std::int32_t objCount = 0;
    std::int32_t setFrameCount = 0;
    std::int32_t predCount = 0;
    std::int32_t paramCount = 0;
    OM& owner;
    SymTab& symbols;
    // A name is registered when it stands in the dictionary of its kind. Every frame lives in main
    // memory, so no record of where a frame is held is kept beside it.
    FrameRegistry<MainMemObjFrame> objFrames;
    FrameRegistry<MainMemSetFrame> setFrames;
    // An imported element makes two parameter frames (its text's position, its references): a
    // dictionary node for each cost about 110 bytes where a slot takes 8.
    FrameRegistry<MainMemParamFrame> paramFrames;
    clib_dictionary<InternalName, MainMemPredFrame*> predFrames;
    clib_list<MainMemSetFrame*> fullSetBlocks;
    clib_list<MainMemObjFrame*> fullObjBlocks;
    MainMemSetFrame* currentSetBlock = nullptr;
    MainMemObjFrame* currentObjBlock = nullptr;
    std::int32_t setBlockSize = 10000;
    std::int32_t objBlockSize = 5000;
    std::int32_t nextSetIndex = 0;
    std::int32_t nextObjIndex = 0;
    bool poolValid = false;
};

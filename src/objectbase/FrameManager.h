// The registry of all frames of the main-memory object base, their pools and name iterators.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "foundation/Error.h"
#include "foundation/ManagedObject.h"
#include "foundation/clib_list.h"
#include "objectbase/FrameBlocks.h"
#include "objectbase/FrameRegistry.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/SetFrameRegistry.h"

class OM;
class SymTab;

// Walks the registered names of one kind of frame in identifier order; one column, the name.
// The walk stands on a name, not on a stored entry: it goes on after that name whatever is
// registered or unregistered meanwhile.
template <class Names>
class RegistryNamesIterator : public Iterator {
  public:
    explicit RegistryNamesIterator(const Names* names) : names(names) {}

    // Points the iterator at another registry, unpositioned.
    void reset(const Names* newNames) {
        names = newNames;
        walk = RegistryWalk();
    }

    bool first() override {
        walk = RegistryWalk();
        return names != nullptr && names->step(walk);
    }

    bool next() override {
        if (names == nullptr || !walk.positioned) return false;
        return names->step(walk);
    }

    // The current name; any other column, or no current name, gives the undefined object.
    InternalName atColumn(int col) override {
        if (col != 1 || names == nullptr || !walk.positioned) return InternalName::UndefinedObject;
        return walk.current;
    }

    int columns() override { return 1; }

  protected:
    ~RegistryNamesIterator() override = default;

  private:
    const Names* names;
    RegistryWalk walk;
};

class ObjNamesIterator : public RegistryNamesIterator<FrameRegistry<MainMemObjFrame>> {
  public:
    using RegistryNamesIterator::RegistryNamesIterator;
    bool isA(const std::string& className) const override;
};

class SetNamesIterator : public RegistryNamesIterator<SetFrameRegistry> {
  public:
    using RegistryNamesIterator::RegistryNamesIterator;
    bool isA(const std::string& className) const override;
};

class PredNamesIterator : public RegistryNamesIterator<FrameRegistry<MainMemPredFrame>> {
  public:
    using RegistryNamesIterator::RegistryNamesIterator;
    bool isA(const std::string& className) const override;
};

class ParamNamesIterator : public RegistryNamesIterator<FrameRegistry<MainMemParamFrame>> {
  public:
    using RegistryNamesIterator::RegistryNamesIterator;
    bool isA(const std::string& className) const override;
};

// Owns every frame of the main-memory object base and finds it by name. Object and set frames
// come from preallocated blocks; predicate and parameter frames are made by the caller and
// handed over on registration, and their registries own them from then on.
class FrameManager : public ManagedObject {
  public:
    FrameManager(OM& owner, SymTab& symbols);
    FrameManager(const FrameManager&) = delete;
    FrameManager& operator=(const FrameManager&) = delete;

    // An unused empty frame from the pool, or null when no block can be had.
    MainMemSetFrame* allocateSetFrame();
    // A new empty set frame registered under the name (kept at its number when the name comes
    // from the set counter, else from the pool); null after reporting a refusal or a failure.
    MainMemSetFrame* makeSetFrame(const InternalName& name) {
        if (MainMemSetFrame* frame = setFrames.make(name)) {
            ++setFrameCount;
            return frame;
        }
        return makePooledSetFrame(name);
    }
    MainMemObjFrame* allocateObjFrame();
    // The object frame registered under the name, or a new empty one registered now (made
    // tells which); null when no frame can be had. Inline, with the pool's next frame taken
    // in place: an import makes a frame for every element, and the calls to make one cost
    // about 70 instructions of the 190 it took.
    MainMemObjFrame* objFrameFor(const InternalName& name, bool& made) {
        MainMemObjFrame* frame = objFrames.findOrInsert(
            name,
            [this] {
                MainMemObjFrame* taken = poolValid ? objBlocks.take() : nullptr;
                return taken != nullptr ? taken : allocateObjFrame();
            },
            made);
        if (made) ++objCount;
        return frame;
    }

    // 0 after registering the frame under the name; 1 after reporting a refusal (a refused
    // predicate or parameter frame is destroyed).
    int insertObjFrame(const InternalName& name, MainMemObjFrame* frame);
    int insertSetFrame(const InternalName& name, MainMemSetFrame* frame);
    int insertPredFrame(const InternalName& name, std::unique_ptr<MainMemPredFrame> frame);
    int insertParamFrame(const InternalName& name, std::unique_ptr<MainMemParamFrame> frame);
    // A new, empty predicate frame of that arity registered under the name; null after
    // reporting NoPredFrame.
    MainMemPredFrame* makePredFrame(const InternalName& name, int arity);

    // The frame registered under the name, or null; the result is always 0.
    int getObjFrame(const InternalName& name, MainMemObjFrame*& frame);
    int getSetFrame(const InternalName& name, MainMemSetFrame*& frame);
    int getPredFrame(const InternalName& name, MainMemPredFrame*& frame);
    int getParamFrame(const InternalName& name, MainMemParamFrame*& frame);
    // The set frames, for a reader that finds many in place (SetFrameRegistry::findInPlace).
    const SetFrameRegistry& setFrameRegistry() const { return setFrames; }
    // The parameter frames, likewise (FrameRegistry::findInPlace).
    const FrameRegistry<MainMemParamFrame>& paramFrameRegistry() const { return paramFrames; }

    // 0 after unregistering the name (a parameter frame is destroyed, a pooled frame stays in its
    // block); 1 after reporting a failure.
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
    // Calls visit(name, frame) for every object frame, in no particular order: for a reader
    // whose result does not depend on the order, without an iterator's calls per name.
    template <class Visit>
    void forEachObjFrame(Visit visit) const {
        objFrames.forEachFrame(visit);
    }

    // Forgets every frame: pooled frames are emptied, predicate and parameter frames destroyed.
    void clear();

    int objectCount() const { return objCount; }
    int setCount() const { return setFrameCount; }
    int predicateCount() const { return predCount; }
    int parameterCount() const { return paramCount; }

  protected:
    ~FrameManager() override;

  private:
    // makeSetFrame for a name the registry does not keep at its number: a frame from the pool.
    MainMemSetFrame* makePooledSetFrame(const InternalName& name);
    template <class F>
    F* allocateFrom(FrameBlocks<F>& blocks, const Error& failure);
    template <class Names, class Held>
    int registerFrame(Names& frames, const InternalName& name, Held frame, std::int32_t& count,
                      const Error& exists, const Error& failed);
    template <class Names>
    int unregisterFrame(Names& frames, const InternalName& name, std::int32_t& count,
                        const Error& missing, const Error& failed, bool traceOnStdout);
    template <class It, class Names>
    Ref<Iterator> namesIterator(Ref<Iterator> reuse, Names& names);

    std::int32_t objCount = 0;
    std::int32_t setFrameCount = 0;
    std::int32_t predCount = 0;
    std::int32_t paramCount = 0;
    OM& owner;
    SymTab& symbols;
    // Object and set frames come from pools of blocks, each block an array of frames constructed
    // and destroyed as a whole. Object frames number 4,096 a block (192 KB), set frames 8,192.
    FrameBlocks<MainMemSetFrame> setBlocks{13};
    FrameBlocks<MainMemObjFrame> objBlocks{12};
    // A name is registered when it stands in the dictionary of its kind. Every frame lives in main
    // memory, so no record of where a frame is held is kept beside it. The object-frame registry
    // holds frames by their numbers in the pool.
    FrameRegistry<MainMemObjFrame> objFrames{&objBlocks};
    SetFrameRegistry setFrames;
    // An imported element makes two parameter frames (its text's position, its references): a
    // dictionary node for each cost about 110 bytes where a slot takes 8.
    FrameRegistry<MainMemParamFrame> paramFrames;
    // Predicate names have no numbered slots: all of them are hashed among the others.
    FrameRegistry<MainMemPredFrame> predFrames;
    bool poolValid = false;
};

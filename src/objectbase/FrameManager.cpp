// The frame manager: frame pools, the registry of frames by name and the name iterators.
#include "objectbase/FrameManager.h"

#include <algorithm>
#include <iostream>
#include <new>
#include <typeinfo>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

// ---------------------------------------------------------------------------------------------
// Name iterators

bool ObjNamesIterator::isA(const std::string& className) const {
    return className == "ObjNamesIterator";
}

bool SetNamesIterator::isA(const std::string& className) const {
    return className == "SetNamesIterator";
}

bool PredNamesIterator::isA(const std::string& className) const {
    return className == "PredNamesIterator";
}

bool ParamNamesIterator::isA(const std::string& className) const {
    return className == "ParamNamesIterator";
}

// ---------------------------------------------------------------------------------------------
// Construction and pools

FrameManager::FrameManager(OM& owner, SymTab& symbols) : owner(owner), symbols(symbols) {
    poolValid = setBlocks.grow() && objBlocks.grow();
    if (!poolValid) centralErrorHandler().report(err5::NoSetFrame);
}

FrameManager::~FrameManager() = default;

template <class F>
F* FrameManager::allocateFrom(FrameBlocks<F>& blocks, const Error& failure) {
    if (!poolValid) return nullptr;
    if (F* frame = blocks.take()) return frame;
    if (!blocks.grow()) {
        poolValid = false;
        centralErrorHandler().report(failure);
        return nullptr;
    }
    return blocks.take();
}

MainMemSetFrame* FrameManager::allocateSetFrame() {
    return allocateFrom(setBlocks, err5::NoSetFrame);
}

MainMemObjFrame* FrameManager::allocateObjFrame() {
    return allocateFrom(objBlocks, err5::NoObjFrame);
}

// ---------------------------------------------------------------------------------------------
// Registry

namespace {

// Adds the frame unless the name is registered; false when it is.
bool addIfNew(SetFrameRegistry& frames, const InternalName& name, MainMemSetFrame* frame) {
    if (frames.find(name) != nullptr) return false;
    frames.insert(name, frame);
    return true;
}
// A FrameRegistry answers both with one look at the name's slot; one that owns its frames
// destroys a refused one.
template <class F>
bool addIfNew(FrameRegistry<F>& frames, const InternalName& name,
              typename FrameRegistry<F>::Held frame) {
    return frames.insertNew(name, std::move(frame));
}

}  // namespace

template <class Names, class Held>
int FrameManager::registerFrame(Names& frames, const InternalName& name, Held frame,
                                std::int32_t& count, const Error& exists, const Error& failed) {
    if (!addIfNew(frames, name, std::move(frame))) {
        centralErrorHandler().report(exists);
        centralErrorHandler().report(failed);
        return 1;
    }
    ++count;
    return 0;
}

template <class Names>
int FrameManager::unregisterFrame(Names& frames, const InternalName& name, std::int32_t& count,
                                  const Error& missing, const Error& failed, bool traceOnStdout) {
    if (!frames.erase(name)) {
        if (traceOnStdout) std::cout << "FrameMgr Error1 " << name.getValue() << std::endl;
        centralErrorHandler().report(missing);
        centralErrorHandler().report(failed);
        return 1;
    }
    --count;
    return 0;
}

int FrameManager::insertObjFrame(const InternalName& name, MainMemObjFrame* frame) {
    return registerFrame(objFrames, name, frame, objCount, err5::ObjFrameExists,
                         err5::Failed2InsertObjFrame);
}

MainMemSetFrame* FrameManager::makePooledSetFrame(const InternalName& name) {
    MainMemSetFrame* frame = allocateSetFrame();
    if (frame == nullptr || insertSetFrame(name, frame) != 0) return nullptr;
    return frame;
}

int FrameManager::insertSetFrame(const InternalName& name, MainMemSetFrame* frame) {
    return registerFrame(setFrames, name, frame, setFrameCount, err5::SetFrameExists,
                         err5::Failed2InsertSetFrame);
}

int FrameManager::insertPredFrame(const InternalName& name,
                                  std::unique_ptr<MainMemPredFrame> frame) {
    return registerFrame(predFrames, name, std::move(frame), predCount, err5::PredFrameExists,
                         err5::Failed2InsertPredFrame);
}

MainMemPredFrame* FrameManager::makePredFrame(const InternalName& name, int arity) {
    // The registry owns the frame (and destroys it when it refuses it).
    std::unique_ptr<MainMemPredFrame> frame(new (std::nothrow) MainMemPredFrame(arity));
    if (frame == nullptr) {
        centralErrorHandler().report(err5::NoPredFrame);
        return nullptr;
    }
    MainMemPredFrame* const registered = frame.get();
    if (insertPredFrame(name, std::move(frame)) != 0) {
        centralErrorHandler().report(err5::NoPredFrame);
        return nullptr;
    }
    return registered;
}

int FrameManager::insertParamFrame(const InternalName& name,
                                   std::unique_ptr<MainMemParamFrame> frame) {
    return registerFrame(paramFrames, name, std::move(frame), paramCount, err5::ParamFrameExists,
                         err5::Failed2InsertParamFrame);
}

int FrameManager::getObjFrame(const InternalName& name, MainMemObjFrame*& frame) {
    frame = objFrames.find(name);
    return 0;
}

int FrameManager::getSetFrame(const InternalName& name, MainMemSetFrame*& frame) {
    frame = setFrames.find(name);
    return 0;
}

int FrameManager::getPredFrame(const InternalName& name, MainMemPredFrame*& frame) {
    frame = predFrames.find(name);
    return 0;
}

int FrameManager::getParamFrame(const InternalName& name, MainMemParamFrame*& frame) {
    frame = paramFrames.find(name);
    return 0;
}

int FrameManager::deleteObjFrame(const InternalName& name) {
    return unregisterFrame(objFrames, name, objCount, err5::ObjFrameNotExists,
                           err5::Failed2DeleteObjFrame, true);
}

int FrameManager::deleteSetFrame(const InternalName& name) {
    return unregisterFrame(setFrames, name, setFrameCount, err5::SetFrameNotExists,
                           err5::Failed2DeleteSetFrame, false);
}

int FrameManager::deleteParamFrame(const InternalName& name) {
    return unregisterFrame(paramFrames, name, paramCount, err5::ParamNameNotExists,
                           err5::Failed2DeleteParamFrame, false);
}

int FrameManager::hasFrames() const {
    return objFrames.empty() && setFrames.empty() && predFrames.empty() && paramFrames.empty() ? 0
                                                                                               : 1;
}

// ---------------------------------------------------------------------------------------------
// Name iteration

template <class It, class Names>
Ref<Iterator> FrameManager::namesIterator(Ref<Iterator> reuse, Names& names) {
    if (reuse) {
        if (typeid(*reuse) == typeid(It)) {
            static_cast<It*>(reuse.get())->reset(&names);
            return reuse;
        }
        centralErrorHandler().report(err5::GotUnknownIterator);
        reuse.reset();
    }
    return Ref<Iterator>::adopt(new It(&names));
}

Iterator* FrameManager::objNames(Iterator* reuse) {
    return namesIterator<ObjNamesIterator>(Ref<Iterator>::adopt(reuse), objFrames).release();
}

Iterator* FrameManager::setNames(Iterator* reuse) {
    return namesIterator<SetNamesIterator>(Ref<Iterator>::adopt(reuse), setFrames).release();
}

Iterator* FrameManager::predNames(Iterator* reuse) {
    return namesIterator<PredNamesIterator>(Ref<Iterator>::adopt(reuse), predFrames).release();
}

Iterator* FrameManager::paramNames(Iterator* reuse) {
    return namesIterator<ParamNamesIterator>(Ref<Iterator>::adopt(reuse), paramFrames).release();
}

// ---------------------------------------------------------------------------------------------
// Clearing

void FrameManager::clear() {
    // Frames of the last blocks handed out earlier keep their places, so they are emptied rather
    // than handed out again.
    setBlocks.keepLastBlock();
    objBlocks.keepLastBlock();
    objFrames.clear();
    setFrames.clear();
    // The parameter and predicate frames go with their registries.
    paramFrames.clear();
    predFrames.clear();
    objCount = 0;
    setFrameCount = 0;
    predCount = 0;
    paramCount = 0;
}

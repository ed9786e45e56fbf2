// The registry by name: slots found by number, names walked in identifier order.
#include "objectbase/FrameRegistry.h"

#include <algorithm>

#include "objectbase/MainMemFrames.h"
#include "objectbase/MemberSet.h"

namespace {

// The number of a name that may have a slot, or -1.
std::int64_t directNumber(const InternalName& name, std::size_t maxNumber) {
    const int kind = name.getType();
    if (kind != InternalName::Object && kind != InternalName::String &&
        kind != InternalName::SetName && kind != InternalName::ParamFrame)
        return -1;
    if (name.getValue() < 0 || std::size_t(name.getValue()) >= maxNumber) return -1;
    return name.getValue();
}

}  // namespace

template <class F>
std::pair<typename FrameRegistry<F>::Page*, std::size_t> FrameRegistry<F>::slotFor(
    const InternalName& name, bool making) {
    const std::int64_t number = directNumber(name, MaxNumber);
    if (number < 0) return {nullptr, 0};
    const std::size_t page = std::size_t(number) / PageSize;
    if (page >= pages.size()) {
        if (!making) return {nullptr, 0};
        pages.resize(page + 1);
    }
    if (pages[page] == nullptr) {
        if (!making) return {nullptr, 0};
        pages[page] = std::make_unique<Page>();  // never taken
    }
    return {pages[page].get(), std::size_t(number) % PageSize};
}

template <class F>
std::pair<const typename FrameRegistry<F>::Page*, std::size_t> FrameRegistry<F>::slotFor(
    const InternalName& name) const {
    const std::int64_t number = directNumber(name, MaxNumber);
    if (number < 0) return {nullptr, 0};
    const std::size_t page = std::size_t(number) / PageSize;
    if (page >= pages.size() || pages[page] == nullptr) return {nullptr, 0};
    return {pages[page].get(), std::size_t(number) % PageSize};
}

template <class F>
F* FrameRegistry<F>::findRegistered(const InternalName& name) const {
    if (directNumber(name, MaxNumber) >= 0) {
        // Every such name takes its slot on registration unless another name holds it.
        const auto [page, at] = slotFor(name);
        if (page == nullptr || page->neverTaken(at)) return nullptr;
        if (page->holds(at, name)) return page->frame(at, numbering);
    }
    return others.valueOr(name, nullptr);
}

template <class F>
F* FrameRegistry<F>::findOther(const InternalName& name) const {
    return others.valueOr(name, nullptr);
}

template <class F>
void FrameRegistry<F>::insert(const InternalName& name, Held frame) {
    const auto [page, at] = slotFor(name, true);
    insertAt(page, at, name, std::move(frame));
}

template <class F>
bool FrameRegistry<F>::insertNew(const InternalName& name, Held frame) {
    // A slot never taken says that no name of its number is registered anywhere: one look at it
    // settles the common case, a name made for a new frame.
    const auto [page, at] = slotFor(name, true);
    if ((page == nullptr || !page->neverTaken(at)) && find(name) != nullptr) return false;
    insertAt(page, at, name, std::move(frame));
    return true;
}

template <class F>
void FrameRegistry<F>::insertAt(Page* page, std::size_t at, const InternalName& name, Held frame) {
    ++count;
    recent = {name, rawOf(frame)};
    if (page != nullptr && !page->taken(at)) {
        if (page->hold(at, name, frame, numbering)) return;
        // The name is found among the others only while its slot does not say never taken.
        page->giveUp(at);
    }
    others.emplace(name, std::move(frame));
    ++othersChanges;
    if (othersInOrder.empty() || othersInOrder.back() < name)
        othersInOrder.push_back(name);
    else
        othersLate.push_back(name);
    if (othersLate.size() > 16 + others.size() / 16 ||
        othersInOrder.size() + othersLate.size() > 2 * others.size() + 64)
        settleOrder();
}

template <class F>
void FrameRegistry<F>::settleOrder() {
    if (othersInOrder.size() + othersLate.size() == others.size()) {
        // No name erased since the last merge: the late ones are sorted and merged in. Sorting
        // every name anew at each merge cost a program of thousands of relations made out of
        // name order a sort of all of them for every sixteenth made.
        std::sort(othersLate.begin(), othersLate.end());
        const auto middle =
            othersInOrder.insert(othersInOrder.end(), othersLate.begin(), othersLate.end());
        std::inplace_merge(othersInOrder.begin(), middle, othersInOrder.end());
        othersLate.clear();
        return;
    }
    othersInOrder.clear();
    othersLate.clear();
    for (const auto& [name, frame] : others) othersInOrder.push_back(name);
    std::sort(othersInOrder.begin(), othersInOrder.end());
}

template <class F>
bool FrameRegistry<F>::erase(const InternalName& name) {
    if (recent.name == name) recent = {};
    const auto [page, at] = slotFor(name, false);
    if (page != nullptr && page->holds(at, name)) {
        page->giveUp(at);
        --count;
        return true;
    }
    if (others.erase(name) == 0) return false;
    ++othersChanges;
    --count;
    return true;
}

template <class F>
typename FrameRegistry<F>::Held FrameRegistry<F>::take(const InternalName& name) {
    if (recent.name == name) recent = {};
    const auto [page, at] = slotFor(name, false);
    if (page != nullptr && page->holds(at, name)) {
        Held frame{};
        if constexpr (Owning)
            frame = std::move(page->frames[at]);
        else
            frame = page->frame(at, numbering);
        page->giveUp(at);
        --count;
        return frame;
    }
    const auto found = others.find(name);
    if (found == others.end()) return Held{};
    Held frame = std::move(found->second);
    others.erase(found);
    ++othersChanges;
    --count;
    return frame;
}

template <class F>
void FrameRegistry<F>::clear() {
    recent = {};
    ++othersChanges;
    pages.clear();
    others.clear();
    othersInOrder.clear();
    othersLate.clear();
    count = 0;
}

template <class F>
bool FrameRegistry<F>::slotFrom(std::size_t number, const InternalName* after,
                                InternalName& name) const {
    for (std::size_t page = number / PageSize; page < pages.size(); ++page) {
        const Page* slots = pages[page].get();
        if (slots == nullptr) continue;
        for (std::size_t at = slots->takenFrom(page == number / PageSize ? number % PageSize : 0);
             at < PageSize; at = slots->takenFrom(at + 1)) {
            const InternalName held = slots->name(at, page * PageSize + at);
            if (after == nullptr || *after < held) {
                name = held;
                return true;
            }
        }
    }
    return false;
}

template <class F>
bool FrameRegistry<F>::otherAfter(const InternalName* after, InternalName& name) const {
    auto at = after == nullptr
                  ? othersInOrder.begin()
                  : std::upper_bound(othersInOrder.begin(), othersInOrder.end(), *after);
    while (at != othersInOrder.end() && others.count(*at) == 0) ++at;
    bool found = at != othersInOrder.end();
    if (found) name = *at;
    for (const InternalName& late : othersLate)
        if ((after == nullptr || *after < late) && (!found || late < name) && others.count(late)) {
            name = late;
            found = true;
        }
    return found;
}

template <class F>
bool FrameRegistry<F>::nameAfter(const InternalName* after, InternalName& name) const {
    InternalName other;
    const bool inOthers = otherAfter(after, other);
    // Slots of numbers below the name's value hold smaller names.
    const std::size_t from =
        after == nullptr || after->getValue() < 0 ? 0 : std::size_t(after->getValue());
    InternalName slotName;
    const bool inSlot = slotFrom(from, after, slotName);
    if (!inOthers && !inSlot) return false;
    if (!inSlot || (inOthers && other < slotName))
        name = other;
    else
        name = slotName;
    return true;
}

template <class F>
bool FrameRegistry<F>::step(RegistryWalk& walk) const {
    const InternalName* after = walk.positioned ? &walk.current : nullptr;
    if (!walk.otherKnown || walk.othersAt != othersChanges) {
        walk.otherFound = otherAfter(after, walk.other);
        walk.otherKnown = true;
        walk.othersAt = othersChanges;
    }
    // Slots of numbers below the name's value hold smaller names.
    const std::size_t from =
        after == nullptr || after->getValue() < 0 ? 0 : std::size_t(after->getValue());
    InternalName slotName;
    const bool inSlot = slotFrom(from, after, slotName);
    if (!walk.otherFound && !inSlot) {
        walk.positioned = false;
        return false;
    }
    if (!inSlot || (walk.otherFound && walk.other < slotName)) {
        walk.current = walk.other;
        // The next hashed name lies above this one: searched at the next step.
        walk.otherKnown = false;
    } else {
        // No hashed name lies between the last name and this slot's: the one kept stays next.
        walk.current = slotName;
    }
    walk.positioned = true;
    return true;
}

template class FrameRegistry<MainMemObjFrame>;
template class FrameRegistry<MainMemSetFrame>;
template class FrameRegistry<MainMemParamFrame>;
template class FrameRegistry<MainMemPredFrame>;
template class FrameRegistry<MemberSet>;

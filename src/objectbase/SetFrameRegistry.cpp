// The set-frame registry: frames kept at their set number, the rest by name.
#include "objectbase/SetFrameRegistry.h"

#include <bit>
#include <new>

const MainMemSetFrame* SetFrameRegistry::kept(const InternalName& name) const {
    const std::int64_t number = numberOf(name);
    if (number < 0) return nullptr;
    const std::size_t page = std::size_t(number) / PageSize;
    if (page >= pages.size() || pages[page] == nullptr) return nullptr;
    const std::size_t at = std::size_t(number) % PageSize;
    if ((pages[page]->present[at / 64] >> (at % 64) & 1) == 0) return nullptr;
    return &pages[page]->frames[at];
}

const MainMemSetFrame* SetFrameRegistry::findOther(const InternalName& name) const {
    return others.find(name);
}

MainMemSetFrame* SetFrameRegistry::makeElsewhere(const InternalName& name) {
    const std::int64_t number = numberOf(name);
    if (number < 0 || others.find(name) != nullptr) return nullptr;
    const std::size_t page = std::size_t(number) / PageSize;
    if (page >= pages.size()) pages.resize(page + 1);
    if (pages[page] == nullptr) {
        // Default-initialised: the frames construct themselves and the bits start clear, and
        // zeroing the 12 KB first as well cost a tenth of making a frame.
        pages[page].reset(new (std::nothrow) Page);
        if (pages[page] == nullptr) return nullptr;
    }
    Page& slots = *pages[page];
    const std::size_t at = std::size_t(number) % PageSize;
    const std::uint64_t bit = std::uint64_t(1) << (at % 64);
    if ((slots.used[at / 64] & bit) != 0) return nullptr;
    slots.used[at / 64] |= bit;
    slots.present[at / 64] |= bit;
    ++count;
    return &slots.frames[at];
}

bool SetFrameRegistry::erase(const InternalName& name) {
    const std::int64_t number = numberOf(name);
    if (number >= 0 && kept(name) != nullptr) {
        const std::size_t at = std::size_t(number) % PageSize;
        pages[std::size_t(number) / PageSize]->present[at / 64] &= ~(std::uint64_t(1) << (at % 64));
        --count;
        return true;
    }
    return others.erase(name);
}

void SetFrameRegistry::clear() {
    pages.clear();
    count = 0;
    others.clear();
}

std::int64_t SetFrameRegistry::presentFrom(std::size_t number) const {
    for (std::size_t page = number / PageSize; page < pages.size(); ++page) {
        if (pages[page] == nullptr) continue;
        const std::size_t first = page == number / PageSize ? number % PageSize : 0;
        for (std::size_t word = first / 64; word < Words; ++word) {
            std::uint64_t bits = pages[page]->present[word];
            if (word == first / 64) bits &= ~std::uint64_t(0) << (first % 64);
            if (bits != 0)
                return std::int64_t(page * PageSize + word * 64 +
                                    std::size_t(std::countr_zero(bits)));
        }
    }
    return -1;
}

bool SetFrameRegistry::nameAfter(const InternalName* after, InternalName& name) const {
    InternalName other;
    const bool inOthers = others.nameAfter(after, other);
    // Kept names are (n, SetName, 1): the first one above `after` is at its value or the next.
    std::size_t from =
        after == nullptr || after->getValue() < 0 ? 0 : std::size_t(after->getValue());
    std::int64_t number = presentFrom(from);
    if (number >= 0 && after != nullptr &&
        !(*after < InternalName(std::int32_t(number), InternalName::SetName, 1)))
        number = presentFrom(std::size_t(number) + 1);
    if (number < 0) {
        if (inOthers) name = other;
        return inOthers;
    }
    const InternalName keptName(std::int32_t(number), InternalName::SetName, 1);
    name = inOthers && other < keptName ? other : keptName;
    return true;
}

// NameMarks: a small mark for each name an export meets, read and set without a hash probe for
// the plain objects and strings.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"

// The XML export marks every object and value it walks (held once or shared, nested, written,
// its class set). The objects and strings without arguments, nearly all of them, are numbered
// densely by the name counter, so their marks stand in arrays indexed by that number, and so do
// small non-negative integers; any other name goes to a map. A mark of Mark() means none.
template <class Mark>
class NameMarks {
  public:
    // The mark of a name; Mark() when it has none.
    // Inline for the dense names; a name in the map is looked up out of line.
    [[gnu::always_inline]] Mark get(const InternalName& name) const {
        if (!isDense(name)) [[unlikely]]
            return otherMark(name);
        const std::vector<Mark>& dense = denseOf(name);
        const auto at = std::size_t(std::uint32_t(name.getValue()));
        return at < dense.size() ? dense[at] : Mark();
    }
    // Gives the name the mark and answers the mark it had.
    [[gnu::always_inline]] Mark set(const InternalName& name, Mark mark) {
        if (!isDense(name)) [[unlikely]]
            return setOther(name, mark);
        std::vector<Mark>& dense = denseOf(name);
        const auto at = std::size_t(std::uint32_t(name.getValue()));
        if (at >= dense.size()) [[unlikely]]
            grow(dense, at);
        const Mark had = dense[at];
        dense[at] = mark;
        return had;
    }
    // Raises the name's mark by one unless it is `most` already; answers the mark it had. One
    // look at the name where a get and a set took two: the export counts the holders of every
    // value it walks this way.
    [[gnu::always_inline]] Mark raise(const InternalName& name, Mark most) {
        if (!isDense(name)) [[unlikely]] {
            const Mark had = otherMark(name);
            if (had != most) setOther(name, Mark(had + 1));
            return had;
        }
        std::vector<Mark>& dense = denseOf(name);
        const auto at = std::size_t(std::uint32_t(name.getValue()));
        if (at >= dense.size()) [[unlikely]]
            grow(dense, at);
        const Mark had = dense[at];
        if (had != most) dense[at] = Mark(had + 1);
        return had;
    }
    // Makes room for the marks of the objects numbered below `count` at once: a walk that knows
    // the objects it meets saves growing the array, and copying it, step by step.
    void reserveObjects(std::size_t count) {
        if (dense[0].size() < count) dense[0].resize(count, Mark());
    }
    // Forgets every mark.
    void clear() {
        for (std::vector<Mark>& marks : dense) marks.clear();
        others.clear();
    }

  private:
    [[gnu::noinline]] Mark otherMark(const InternalName& name) const {
        return others.valueOr(name, Mark());
    }
    [[gnu::noinline]] Mark setOther(const InternalName& name, Mark mark) {
        const auto placed = others.emplace(name, mark);
        if (placed.second) return Mark();
        const Mark had = placed.first->second;
        placed.first->second = mark;
        return had;
    }
    [[gnu::noinline]] static void grow(std::vector<Mark>& dense, std::size_t at) {
        dense.resize(std::max(at + 1, dense.size() * 2), Mark());
    }

    // An object or a string is marked in an array by its number, an integer by its value; any
    // other name in the map. Integers are any values a base holds, so only small ones are kept
    // in an array. The limit below which a name of each kind is marked in an array (0: never),
    // and the array, are read from tables by the kind: one comparison tells a dense name.
    struct DenseKinds {
        std::uint32_t limit[256] = {};
        std::uint8_t array[256] = {};
        constexpr DenseKinds() {
            limit[InternalName::Object] = std::uint32_t(1) << 24;
            limit[InternalName::String] = std::uint32_t(1) << 24;
            limit[InternalName::Integer] = std::uint32_t(1) << 20;
            array[InternalName::String] = 1;
            array[InternalName::Integer] = 2;
        }
    };
    static constexpr DenseKinds denseKinds{};
    [[gnu::always_inline]] static bool isDense(const InternalName& name) {
        // A negative value is above every limit as an unsigned number.
        return name.getArity() == 0 &&
               std::uint32_t(name.getValue()) < denseKinds.limit[std::uint8_t(name.getType())];
    }
    [[gnu::always_inline]] std::vector<Mark>& denseOf(const InternalName& name) {
        return dense[denseKinds.array[std::uint8_t(name.getType())]];
    }
    [[gnu::always_inline]] const std::vector<Mark>& denseOf(const InternalName& name) const {
        return dense[denseKinds.array[std::uint8_t(name.getType())]];
    }

    // Objects, strings, integers.
    std::vector<Mark> dense[3];
    FlatNameMap<InternalName, Mark> others;
};

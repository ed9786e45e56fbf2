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
        const int kind = denseKind(name);
        if (kind < 0) [[unlikely]]
            return otherMark(name);
        const std::vector<Mark>& dense = kind == 0 ? objects : kind == 1 ? strings : integers;
        const auto at = std::size_t(name.getValue());
        return at < dense.size() ? dense[at] : Mark();
    }
    // Gives the name the mark and answers the mark it had.
    [[gnu::always_inline]] Mark set(const InternalName& name, Mark mark) {
        const int kind = denseKind(name);
        if (kind < 0) [[unlikely]]
            return setOther(name, mark);
        std::vector<Mark>& dense = kind == 0 ? objects : kind == 1 ? strings : integers;
        const auto at = std::size_t(name.getValue());
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
        const int kind = denseKind(name);
        if (kind < 0) [[unlikely]] {
            const Mark had = otherMark(name);
            if (had != most) setOther(name, Mark(had + 1));
            return had;
        }
        std::vector<Mark>& dense = kind == 0 ? objects : kind == 1 ? strings : integers;
        const auto at = std::size_t(name.getValue());
        if (at >= dense.size()) [[unlikely]]
            grow(dense, at);
        const Mark had = dense[at];
        if (had != most) dense[at] = Mark(had + 1);
        return had;
    }
    // Makes room for the marks of the objects numbered below `count` at once: a walk that knows
    // the objects it meets saves growing the array, and copying it, step by step.
    void reserveObjects(std::size_t count) {
        if (objects.size() < count) objects.resize(count, Mark());
    }
    // Forgets every mark.
    void clear() {
        objects.clear();
        strings.clear();
        integers.clear();
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

    // 0 for an object, 1 for a string, each marked by its number, 2 for an integer marked by
    // its value; -1 for a name in the map. Integers are any values a base holds, so only small
    // ones are kept in the array.
    [[gnu::always_inline]] static int denseKind(const InternalName& name) {
        constexpr std::int32_t numberLimit = 1 << 24;
        constexpr std::int32_t integerLimit = 1 << 20;
        if (name.getArity() != 0 || name.getValue() < 0) return -1;
        if (name.getType() == InternalName::Object && name.getValue() < numberLimit) return 0;
        if (name.getType() == InternalName::String && name.getValue() < numberLimit) return 1;
        if (name.getType() == InternalName::Integer && name.getValue() < integerLimit) return 2;
        return -1;
    }

    std::vector<Mark> objects;
    std::vector<Mark> strings;
    std::vector<Mark> integers;
    FlatNameMap<InternalName, Mark> others;
};

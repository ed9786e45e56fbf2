// Keeping, placing and writing out the printed forms of one save.
#include "objectbase/LexicalFormCache.h"

#include <algorithm>

std::uint32_t LexicalFormCache::add(const InternalName& name, int style, int quote,
                                    const Form& form, int result, bool findable) {
    const auto entry = static_cast<std::uint32_t>(entries.size());
    Entry made;
    made.name = name;
    made.textAt = text.size();
    made.textSize = static_cast<std::uint32_t>(form.text.size());
    made.partAt = static_cast<std::uint32_t>(parts.size());
    made.partCount = static_cast<std::uint32_t>(form.parts.size());
    made.result = result;
    text += form.text;
    parts.insert(parts.end(), form.parts.begin(), form.parts.end());
    entries.push_back(made);
    if (!findable) return entry;
    if (style == 0 && quote == 1) {
        const std::size_t number = plainNumber(name);
        if (number != SIZE_MAX) {
            if (number >= plainByNumber.size())
                plainByNumber.resize(std::max(number + 1, plainByNumber.size() * 2));
            if (plainByNumber[number] == 0) {
                plainByNumber[number] = entry + 1;
                return entry;
            }
        }
    }
    byName[style * 2 + quote].emplace(name, entry);
    return entry;
}

void LexicalFormCache::place(std::uint32_t entry, Form& form) const {
    const Entry& placed = entries[entry];
    if (placed.textSize == 0 && placed.partCount == 0) return;
    if (form.text.size() + placed.textSize > inlineText ||
        form.parts.size() + placed.partCount > inlineParts) {
        form.parts.push_back({static_cast<std::uint32_t>(form.text.size()), entry});
        return;
    }
    const auto shift = static_cast<std::uint32_t>(form.text.size());
    form.text.append(text.data() + placed.textAt, placed.textSize);
    for (std::uint32_t i = 0; i < placed.partCount; ++i) {
        const Part& part = parts[placed.partAt + i];
        form.parts.push_back({part.at + shift, part.entry});
    }
}

bool LexicalFormCache::write(std::uint32_t entry, std::string& out, controlEvents::StopPoll& stop) {
    const Entry& first = entries[entry];
    if (first.partCount == 0) {
        out.append(text.data() + first.textAt, first.textSize);
        return true;
    }
    // A long form refers to a chain of others (a list of thousands of cells to the forms of its
    // tails), written from a stack of the entries begun, not one call a link.
    const std::size_t base = writing.size();
    writing.push_back({entry, 0, 0});
    while (writing.size() > base) {
        Writing& now = writing.back();
        const Entry& current = entries[now.entry];
        if (now.part == current.partCount) {
            out.append(text.data() + current.textAt + now.at, current.textSize - now.at);
            writing.pop_back();
            continue;
        }
        if (stop.stop()) {
            writing.resize(base);
            return false;
        }
        const Part& part = parts[current.partAt + now.part];
        out.append(text.data() + current.textAt + now.at, part.at - now.at);
        now.at = part.at;
        ++now.part;
        const Entry& inner = entries[part.entry];
        if (inner.partCount == 0)
            out.append(text.data() + inner.textAt, inner.textSize);
        else
            writing.push_back({part.entry, 0, 0});
    }
    return true;
}

void LexicalFormCache::clear() {
    text = std::string();
    parts = {};
    entries = {};
    plainByNumber = {};
    for (auto& map : byName) map.clear();
    writing = {};
}

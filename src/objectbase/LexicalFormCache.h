// LexicalFormCache: the printed forms of names made once for the length of one save, dump or
// export, and written out from there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"
#include "platform/ControlEvents.h"

// A save writes the form of a name at every occurrence, and the lists a rule builds share their
// tails with all the longer lists: made anew each time, the forms of the prefix lists of a list
// cost a walk over every cell of every list. Here the form of each name is made once in each
// style and quoting it is asked for. The form of a made object holds the forms of its parts
// inline while they are short and refers to them past that, so that each form takes memory
// bounded by its own pieces while writing one copies whole runs of text.
//
// The base must not change while the forms are kept (the object base's keepForms contract).
class LexicalFormCache {
  public:
    static constexpr std::uint32_t none = UINT32_MAX;

    // A place in a form's text where the whole form of another entry goes.
    struct Part {
        std::uint32_t at;
        std::uint32_t entry;
    };
    // A form being made: its text and the parts referred to.
    struct Form {
        std::string text;
        std::vector<Part> parts;
        void clear() {
            text.clear();
            parts.clear();
        }
    };

    // The entry of a name's form in a style (0 to 2) with strings quoted (quote 1) or not
    // (quote 0), or `none`.
    std::uint32_t find(const InternalName& name, int style, int quote) const {
        if (style == 0 && quote == 1) {
            const std::size_t number = plainNumber(name);
            if (number < plainByNumber.size()) {
                const std::uint32_t at = plainByNumber[number];
                if (at != 0 && entries[at - 1].name == name) return at - 1;
            }
        }
        return byName[style * 2 + quote].valueOr(name, none);
    }
    // Appends the plain quoted form (style 0, quote 1) of an object or a string once it is
    // kept; false, and nothing written, before. The form of such a name holds no part, and the
    // answer of the call that made it is 1. Inline: a save asks it for most names it writes.
    bool writePlain(const InternalName& name, std::string& out) const {
        const std::size_t number = plainNumber(name);
        if (number >= plainByNumber.size() || plainByNumber[number] == 0) return false;
        const Entry& entry = entries[plainByNumber[number] - 1];
        if (entry.name != name) return false;
        out.append(text.data() + entry.textAt, entry.textSize);
        return true;
    }
    // placePlain: the same as place for such a name's kept form; false before it is kept.
    bool placePlain(const InternalName& name, Form& form) const {
        const std::size_t number = plainNumber(name);
        if (number >= plainByNumber.size() || plainByNumber[number] == 0) return false;
        const std::uint32_t entry = plainByNumber[number] - 1;
        if (entries[entry].name != name) return false;
        place(entry, form);
        return true;
    }
    // Keeps a form with the result of the call that made it. A form that depends on where it
    // was made (a cycle cut it short) is kept for the parts that refer to it only, and never
    // found.
    std::uint32_t add(const InternalName& name, int style, int quote, const Form& form, int result,
                      bool findable);
    int result(std::uint32_t entry) const { return entries[entry].result; }
    // Adds the form of `entry` to `form`: inline while the text stays short, else referred to.
    void place(std::uint32_t entry, Form& form) const;
    // Appends the whole text of an entry; false when a stop request cut it short.
    bool write(std::uint32_t entry, std::string& out, controlEvents::StopPoll& stop);
    // Frees every form.
    void clear();

  private:
    // Up to this many bytes (and parts) of a part's form are copied inline into a form.
    static constexpr std::size_t inlineText = 256;
    static constexpr std::size_t inlineParts = 8;

    struct Entry {
        InternalName name;
        std::size_t textAt = 0;
        std::uint32_t textSize = 0;
        std::uint32_t partAt = 0;
        std::uint32_t partCount = 0;
        std::int32_t result = 0;
    };
    // The objects and strings of the name counter are numbered densely: their plain quoted form
    // (the one a save asks for) is found by number, without a hash probe.
    static std::size_t plainNumber(const InternalName& name) {
        constexpr std::int32_t limit = 1 << 24;
        if ((name.getType() != InternalName::Object && name.getType() != InternalName::String) ||
            name.getArity() != 0 || name.getValue() < 0 || name.getValue() >= limit)
            return SIZE_MAX;
        return static_cast<std::size_t>(name.getValue());
    }

    std::string text;
    std::vector<Part> parts;
    std::vector<Entry> entries;
    // Entry plus one (0: none) by number, for style 0 and quote 1.
    std::vector<std::uint32_t> plainByNumber;
    // By style * 2 + quote.
    FlatNameMap<InternalName, std::uint32_t> byName[6];
    // The entries being written and how far, the innermost last.
    struct Writing {
        std::uint32_t entry;
        std::uint32_t part;
        std::uint32_t at;
    };
    std::vector<Writing> writing;
};

// FLNameForms: the printed forms of names, made once for the length of one export.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "objectbase/InternalName.h"
#include "shell/FLText.h"

class OM;

// An export writes an object's name for its frame, its class lines and every value that names
// it; the object manager made the form anew at each occurrence, through its general walk for
// terms. Here a number's form is written straight away, a plain object's or string's is made
// once from its symbol and copied after, and every other name (paths, function terms, floats) is
// made by the object manager as before. The base must stay as it is while the forms are kept.
class FLNameForms {
  public:
    // Asks `om`, which it does not own, for the forms it does not make itself.
    explicit FLNameForms(OM* om) : om(om) {}

    // Appends the name's form, as OM::giveLexicalForm writes it with strings quoted.
    void append(const InternalName& name, FLText& out) {
        const int type = name.getType();
        if (type == InternalName::Integer) {
            appendInteger(name.getValue(), out);
            return;
        }
        // A name seen before: its form is copied.
        if ((type == InternalName::Object || type == InternalName::String) &&
            name.getArity() == 0) {
            const auto place = static_cast<std::uint32_t>(name.getValue());
            if (place < byNumber.size()) {
                const std::uint32_t slot = byNumber[place];
                if (slot != 0 && kept[slot - 1].name == name) {
                    out.put(texts.data() + kept[slot - 1].at, kept[slot - 1].size);
                    return;
                }
            }
        }
        appendMade(name, out);
    }

  private:
    // The decimal digits of a number, as std::to_string writes them.
    static void appendInteger(std::int32_t value, FLText& out);
    // A name not seen before, or one whose form is not kept: made, and kept when it is plain.
    void appendMade(const InternalName& name, FLText& out);
    // A plain object's or string's form, written as the object manager writes it: the symbol's
    // text, quoted and escaped for a string, "[]" for the empty list.
    void appendPlain(const InternalName& name, std::string& out);

    // A plain name's form: where it lies in `texts`.
    struct Kept {
        InternalName name;
        std::uint32_t at;
        std::uint32_t size;
    };
    // Plain names are numbered densely by the symbol table: they are found by their number.
    static constexpr std::int32_t numberLimit = 1 << 24;
    // Places in `texts` are kept in 32 bits; past this the forms are made each time.
    static constexpr std::size_t textsLimit = std::size_t(1) << 31;

    OM* om;
    // By number: 1 + the place in `kept`; 0 for none yet.
    std::vector<std::uint32_t> byNumber;
    std::vector<Kept> kept;
    // The kept forms, one after the other.
    std::string texts;
    // The stored text of the name being made; the form of a name that is not kept.
    std::string stored;
    std::string made;
};

// The operations all dump formatters share: the buffered writing, the end of line and the XML
// form of names.
#include "objectbase/DumpFormatter.h"

#include <string_view>
#include <utility>

#include "foundation/OutputChannel.h"
#include "objectbase/InternalName.h"
#include "objectbase/OM.h"

void DumpFormatter::newLine() {
    line += '\n';
    emit(true);
}

void DumpFormatter::handOn(bool flush) {
    OutputChannel& channel = debugChannel();
    channel << line;
    if (flush && !batching) channel << std::flush;
    line.clear();
}

void DumpFormatter::batch(bool on) {
    batching = on;
    if (!on && !line.empty()) emit(true);
}

void DumpFormatter::write(std::string_view text) {
    line.append(text);
    emit(false);
}

void DumpFormatter::writeLine(std::string_view text) {
    line.append(text);
    line += '\n';
    emit(true);
}

std::string DumpFormatter::lex(const InternalName& name) {
    std::string lexical;
    if (om != nullptr) om->giveLexicalForm(name, lexical, 1, 0);
    return lexical;
}

void DumpFormatter::appendLex(const InternalName& name, std::string& out) {
    if (om != nullptr) om->giveLexicalForm(name, out, 1, 0);
}

std::string DumpFormatter::xmlName(const InternalName& name) {
    // A string's text is its own characters, not the escapes of its F-Logic form.
    std::string own;
    if (name.getType() == InternalName::String && om != nullptr && om->giveName(name, own) != 0)
        return xmlNameOfLexicalForm(InternalName::String, std::move(own));
    return xmlNameOfLexicalForm(name.getType(), lex(name));
}

namespace {

// A set of characters looked up in a table: a name is read once, where find_first_of searched
// the whole set for each of its characters (a dump makes an XML name for every value it writes).
class CharClass {
  public:
    constexpr explicit CharClass(std::string_view chars) {
        for (char c : chars) member[static_cast<unsigned char>(c)] = true;
    }
    bool anyIn(std::string_view text) const {
        for (char c : text)
            if (member[static_cast<unsigned char>(c)]) return true;
        return false;
    }

  private:
    bool member[256] = {};
};

constexpr CharClass Markup("&<>'\"");
constexpr CharClass MarkupOutsideQuotes("&<>");
// What a plain name's XML form replaces, drops or escapes.
constexpr CharClass NotPlain("().@ ,\"-&<>'");

// Most names hold no character escapeMarkup replaces and are taken as they are.
std::string escaped(std::string text, bool quotes) {
    if (!(quotes ? Markup : MarkupOutsideQuotes).anyIn(text)) return text;
    return escapeMarkup(text, quotes);
}

}  // namespace

std::string escapeMarkup(const std::string& text, bool quotes) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\'':
                out += quotes ? "&apos;" : "'";
                break;
            case '"':
                out += quotes ? "&quot;" : "\"";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string DumpFormatter::xmlNameOfLexicalForm(int kind, std::string s) {
    if (s.empty() || kind == InternalName::Integer) return s;
    if (kind == InternalName::String) {
        s.erase(0, 1);
        if (!s.empty()) s.pop_back();
        return escaped(std::move(s), true);
    }
    if (kind == InternalName::Float) {
        if (s.front() == '#') s.erase(0, 1);
        return s;
    }
    // A plain name (the most of them) has nothing to replace, drop or escape.
    if (!NotPlain.anyIn(s)) return s;
    for (char& c : s) {
        if (c == '(' || c == '.' || c == ')' || c == '@' || c == ' ' || c == ',') c = '-';
    }
    // The character that moves into the place of a removed one is passed over, so of two
    // adjacent quotes only the first goes, and of three dashes in a row two stay.
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') s.erase(i, 1);
    }
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        if ((s[i] == '-' || s[i] == '_') && s[i + 1] == '-') s.erase(i, 1);
    }
    for (int n = 0; n < 2 && !s.empty() && s.back() == '-'; ++n) s.pop_back();
    return escaped(std::move(s), true);
}

// The XML texts of the dump-formatter protocol.
#include "shell/XMLDumpFormatter.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "objectbase/InternalName.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"

bool XMLDumpFormatter::isA(const std::string& className) const {
    return className == "XMLDumpFormatter" || DumpFormatter::isA(className);
}

std::string XMLDumpFormatter::classElement(const InternalName& cls) {
    std::string element = lex(cls);
    if (element.empty() && cls == builtinObject::Object) element = "object";
    return element;
}

void XMLDumpFormatter::writeDocumentHead(const std::string& docType,
                                         const std::string& externalIdKind,
                                         const std::string& externalId) {
    line += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (!docType.empty()) {
        line.append("<!DOCTYPE ").append(docType);
        if (!externalId.empty())
            line.append(" ").append(externalIdKind).append(" ").append(externalId);
        line += ">\n";
    }
    emit(false);
}

void XMLDumpFormatter::openRoot(const std::string& name) {
    if (!name.empty()) write("<" + name + ">\n");
}

void XMLDumpFormatter::closeRoot(const std::string& name) {
    if (!name.empty()) write("</" + name + ">\n");
}

void XMLDumpFormatter::openFrame(const InternalName& object, const InternalName& cls, int withId) {
    openNamedFrame(classElement(cls), object, withId);
}

void XMLDumpFormatter::openNamedFrame(std::string_view element, const InternalName& object,
                                      int withId) {
    pending.clear();
    line.append("<").append(element);
    if (withId == 1) {
        line.append(" id='");
        appendXmlName(object, line);
        line.append("'");
    }
    emit(false);
}

void XMLDumpFormatter::closeFrameHead() {
    write(">\n");
}

void XMLDumpFormatter::closeFrame(const InternalName&, const InternalName& cls) {
    closeNamedFrame(classElement(cls));
}

void XMLDumpFormatter::closeNamedFrame(std::string_view element) {
    if (!pending.empty()) line.append(pending).append("\n");
    line.append("</").append(element).append(">\n");
    emit(true);
}

void XMLDumpFormatter::methodSeparator() {
    pending += "\n  ";
}

std::string XMLDumpFormatter::attributeText(const InternalName& name, int position,
                                            const InternalName& value) {
    std::string text = " ";
    text += xmlName(name);
    if (position != 0) text += std::to_string(position);
    return text.append("='").append(xmlName(value)).append("'");
}

std::string XMLDumpFormatter::argumentText(int position, const InternalName& argument) {
    std::string text = " par";
    return text.append(std::to_string(position)).append("='").append(xmlName(argument)).append("'");
}

void XMLDumpFormatter::writeMethodHead(const std::string& methodText, const std::string&,
                                       const std::string&) {
    working = methodText;
}

void XMLDumpFormatter::writeMethodValue(const std::string& methodText, const std::string&,
                                        const InternalName& value) {
    working = methodText;
    writeSetMember(InternalName::UndefinedObject, InternalName::UndefinedObject, value, 1);
}

void XMLDumpFormatter::pendingOpen(const std::string& text) {
    pending += "<" + text;
}

void XMLDumpFormatter::pendingAppend(const std::string& text) {
    pending += text;
}

std::string XMLDumpFormatter::valueElementText(const InternalName& name,
                                               const std::string& attributes,
                                               const InternalName& value) {
    if (value == InternalName::UndefinedObject) return elementText(name, attributes, "");
    return elementText(name, attributes, xmlName(value));
}

std::string XMLDumpFormatter::elementText(const InternalName& name, const std::string& attributes,
                                          const std::string& content) {
    const std::string element = xmlName(name);
    std::string text = "<" + element + attributes;
    if (!content.empty())
        text += ">" + content + "</" + element + ">";
    else
        text += "/>";
    return text + "\n";
}

std::string XMLDumpFormatter::frameEndText(const InternalName& object, const InternalName& name,
                                           const std::string& attributes,
                                           const std::string& content, int withId,
                                           const std::string& prefix) {
    return namedFrameEndText(xmlName(name), withId == 1,
                             withId == 1 ? xmlName(object) : std::string(), attributes, content,
                             prefix);
}

std::string XMLDumpFormatter::namedFrameEndText(std::string_view element, bool withId,
                                                std::string_view id, const std::string& attributes,
                                                const std::string& content,
                                                const std::string& prefix) {
    std::string text;
    text.reserve(2 * prefix.size() + 2 * element.size() + id.size() + attributes.size() +
                 content.size() + 32);
    appendFrameEnd(text, element, withId, id, attributes, content, prefix);
    return text;
}

void XMLDumpFormatter::appendFrameEnd(std::string& out, std::string_view element, bool withId,
                                      std::string_view id, std::string_view attributes,
                                      std::string_view content, std::string_view prefix) {
    // Single characters go in without a copy of their own: an export writes this for every
    // element.
    if (!prefix.empty()) out.append(prefix);
    out += '<';
    out.append(element);
    if (withId) {
        out.append(" id='");
        out.append(id);
        out += '\'';
    }
    if (!attributes.empty()) {
        out += ' ';
        out.append(attributes);
    }
    if (content.empty()) {
        out.append("/>\n");
        return;
    }
    out += '>';
    if (content.find('<') != std::string_view::npos)
        out.append("\n").append(content).append(prefix);
    else
        out += content;
    out.append("</").append(element).append(">\n");
}

void XMLDumpFormatter::writeFrameEnd(std::string_view element, bool withId, std::string_view id,
                                     std::string_view attributes, std::string_view content) {
    appendFrameEnd(line, element, withId, id, attributes, content, "");
    line += '\n';
    emit(true);
}

namespace {

// The characters a plain name's XML form replaces, drops or escapes, by the character.
struct NotPlainCharacters {
    bool member[256] = {};
    constexpr NotPlainCharacters() {
        for (const char c : std::string_view("().@ ,\"-&<>'"))
            member[static_cast<unsigned char>(c)] = true;
    }
};
constexpr NotPlainCharacters notPlain;

// Whether a plain name's XML form is its lexical form as it is: nothing to replace, drop or
// escape.
bool plainForm(std::string_view form) {
    for (const char c : form)
        if (notPlain.member[static_cast<unsigned char>(c)]) return false;
    return true;
}

// The entity of each character escapeMarkup replaces (quotes too), by the character; null for
// the others.
struct MarkupEntities {
    const char* entity[256] = {};
    std::uint8_t size[256] = {};
    constexpr MarkupEntities() {
        set('&', "&amp;");
        set('<', "&lt;");
        set('>', "&gt;");
        set('\'', "&apos;");
        set('"', "&quot;");
    }
    constexpr void set(char c, const char* text) {
        const auto at = static_cast<unsigned char>(c);
        entity[at] = text;
        size[at] = static_cast<std::uint8_t>(std::string_view(text).size());
    }
};
constexpr MarkupEntities markupEntities;

// Eight characters read as one word, in any order of bytes.
std::uint64_t wordAt(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Whether one of the eight characters of a word is one escapeMarkup replaces (& < > ' ").
// A byte is zero in (x - ones) & ~x & highs exactly when some byte of x is zero; & and ' differ
// in their lowest bit only, < and > in their second, so three tests cover the five.
bool markupInWord(std::uint64_t word) {
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t highs = 0x8080808080808080ULL;
    const auto zeroByte = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
    return (zeroByte((word | ones) ^ (ones * 0x27)) |
            zeroByte((word | (ones * 2)) ^ (ones * 0x3E)) | zeroByte(word ^ (ones * 0x22))) != 0;
}

// Sixteen characters compared at once (the compiler's vector types, which need no instruction
// set of their own): the same three tests as markupInWord.
using Chars16 = unsigned char __attribute__((vector_size(16)));
Chars16 splat(unsigned char c) {
    return Chars16{c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c};
}
bool markupIn16(const char* at) {
    Chars16 chars;
    std::memcpy(&chars, at, sizeof chars);
    const auto hits = ((chars | splat(1)) == splat(0x27)) | ((chars | splat(2)) == splat(0x3E)) |
                      (chars == splat(0x22));
    std::uint64_t halves[2];
    std::memcpy(halves, &hits, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

// The first of the characters from `from` to `end` that escapeMarkup replaces, or a place at or
// before it, or `end` when there is none. Texts are read sixteen or eight characters at a time,
// the last ones overlapping those read already: the scan of a string an export writes (mostly
// nothing to escape, some twenty characters) went from about 120 instructions to about 50.
const char* markupFrom(const char* from, const char* end) {
    if (end - from >= 16) {
        for (; end - from > 16; from += 16)
            if (markupIn16(from)) return from;
        return markupIn16(end - 16) ? end - 16 : end;
    }
    if (end - from >= 8) {
        if (markupInWord(wordAt(from))) return from;
        return markupInWord(wordAt(end - 8)) ? end - 8 : end;
    }
    while (from != end && markupEntities.entity[static_cast<unsigned char>(*from)] == nullptr)
        ++from;
    return from;
}

// escapeMarkup with quotes, appended to `out` span by span: the characters between two that
// are replaced go in one append.
void appendEscapedMarkup(std::string_view text, std::string& out) {
    const char* from = text.data();
    const char* const end = from + text.size();
    // Most texts have nothing to replace: they go in one append after one pass.
    const char* const first = markupFrom(from, end);
    if (first == end) {
        out.append(from, end);
        return;
    }
    for (const char* at = first; at != end; ++at) {
        const auto c = static_cast<unsigned char>(*at);
        if (markupEntities.entity[c] == nullptr) continue;
        out.append(from, at);
        out.append(markupEntities.entity[c], markupEntities.size[c]);
        from = at + 1;
    }
    out.append(from, end);
}

}  // namespace

bool XMLDumpFormatter::symbolText(const InternalName& name, std::string_view& text) {
    if (om == nullptr || name.getArity() != 0) return false;
    FSymbol symbol;
    return om->giveSymbol(name, symbol) != 0 && symbolTextOf(name, symbol, text);
}

bool XMLDumpFormatter::symbolTextOf(const InternalName& name, const FSymbol& symbol,
                                    std::string_view& text) {
    if (om == nullptr || name.getArity() != 0 || symbol == builtinSymbol::Nil ||
        symbol.getType() == InternalName::Integer || symbol.getType() == InternalName::Float)
        return false;
    const SymTab* table = om->giveSymTab();
    const SymTabEntry* entry = table != nullptr ? table->entryOf(symbol.getValue()) : nullptr;
    // The entry is the symbol's when its kind and arity are the symbol's.
    return entry != nullptr && entry->textOfKey(symbol.getType(), symbol.getArity(), text);
}

void XMLDumpFormatter::appendXmlName(const InternalName& name, std::string& out) {
    const int kind = name.getType();
    // A string's text is its own characters between the quotes of its symbol, read in place.
    std::string_view text;
    if (kind == InternalName::String && symbolText(name, text)) {
        if (!text.empty()) text.remove_prefix(1);
        if (!text.empty()) text.remove_suffix(1);
        appendEscapedMarkup(text, out);
        return;
    }
    if (kind == InternalName::String && om != nullptr && om->giveName(name, own) != 0) {
        std::string_view text(own);
        if (!text.empty()) text.remove_prefix(1);
        if (!text.empty()) text.remove_suffix(1);
        appendEscapedMarkup(text, out);
        return;
    }
    const std::size_t start = out.size();
    appendLex(name, out);
    const std::string_view form(out.data() + start, out.size() - start);
    if (form.empty() || kind == InternalName::Integer) return;
    if (kind != InternalName::String && kind != InternalName::Float && plainForm(form)) return;
    std::string lexical(form);
    out.resize(start);
    out += xmlNameOfLexicalForm(kind, std::move(lexical));
}

bool XMLDumpFormatter::stringText(const InternalName& name, std::string_view& text) {
    FSymbol symbol;
    if (om == nullptr || name.getArity() != 0 || om->giveSymbol(name, symbol) == 0 ||
        !symbolTextOf(name, symbol, text))
        return false;
    if (!text.empty()) text.remove_prefix(1);
    if (!text.empty()) text.remove_suffix(1);
    return true;
}

void XMLDumpFormatter::appendStringName(const InternalName& name, std::string& out) {
    std::string_view text;
    if (stringText(name, text)) {
        appendEscapedMarkup(text, out);
        return;
    }
    appendXmlName(name, out);
}

bool XMLDumpFormatter::plainObjectText(const InternalName& name, const FSymbol& symbol,
                                       std::string_view& text) {
    return name.getType() == InternalName::Object && symbolTextOf(name, symbol, text) &&
           !text.empty() && plainForm(text);
}

bool XMLDumpFormatter::hasMarkup(std::string_view text) {
    return markupFrom(text.data(), text.data() + text.size()) != text.data() + text.size();
}

void XMLDumpFormatter::appendXmlNameOnce(const InternalName& name, std::string& out) {
    std::string_view text;
    if (name.getType() == InternalName::Object && symbolText(name, text) && !text.empty() &&
        plainForm(text)) {
        out.append(text);
        return;
    }
    appendXmlName(name, out);
}

void XMLDumpFormatter::appendXmlNameOnce(const InternalName& name, const FSymbol& symbol,
                                         std::string& out) {
    std::string_view text;
    if (plainObjectText(name, symbol, text)) {
        out.append(text);
        return;
    }
    appendXmlName(name, out);
}

void XMLDumpFormatter::writeSetMember(const InternalName&, const InternalName& method,
                                      const InternalName& member, int position) {
    // A value written without its method (writeMethodValue) takes the entry's method text.
    const std::string element = method != InternalName::UndefinedObject
                                    ? xmlName(method)
                                    : xmlNameOfLexicalForm(InternalName::Object, working);
    if (position > 1) pending += "\n";
    pending += "<" + element;
    const int kind = member.getType();
    if (kind == InternalName::String || kind == InternalName::Integer ||
        kind == InternalName::Float)
        pending.append(">").append(xmlName(member)).append("</").append(element).append(">");
    else
        pending.append(" ref='").append(xmlName(member)).append("'/>");
}

void XMLDumpFormatter::openPredicate(const std::string& name) {
    write("<" + name);
}

void XMLDumpFormatter::writePredicateArgument(const InternalName& argument, int position) {
    line.append(" attr").append(std::to_string(position)).append("='");
    line.append(xmlName(argument)).append("'");
    emit(false);
}

void XMLDumpFormatter::closePredicate() {
    writeLine("/>");
}

// The XML texts of the dump-formatter protocol.
#include "shell/XMLDumpFormatter.h"

#include "objectbase/InternalName.h"
#include "objectbase/OM.h"

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

void XMLDumpFormatter::writeSubclass(const InternalName&, const InternalName&) {}
void XMLDumpFormatter::writeIsa(const InternalName&, const InternalName&) {}

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

std::string XMLDumpFormatter::argsOpen() {
    return "";
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

std::string XMLDumpFormatter::argsClose() {
    return "";
}

std::string XMLDumpFormatter::arrowText(int) {
    return "";
}

void XMLDumpFormatter::writeMethodHead(const std::string& methodText, const std::string&,
                                       const std::string&) {
    working = methodText;
}

void XMLDumpFormatter::writeText(const std::string&) {}

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
    out.append(prefix).append("<").append(element);
    if (withId) out.append(" id='").append(id).append("'");
    if (!attributes.empty()) out.append(" ").append(attributes);
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

// Whether a plain name's XML form is its lexical form as it is: nothing to replace, drop or
// escape.
bool plainForm(std::string_view form) {
    for (char c : form) switch (c) {
            case '(':
            case ')':
            case '.':
            case '@':
            case ' ':
            case ',':
            case '"':
            case '-':
            case '&':
            case '<':
            case '>':
            case '\'':
                return false;
            default:
                break;
        }
    return true;
}

// escapeMarkup with quotes, appended to `out` span by span.
void appendEscapedMarkup(std::string_view text, std::string& out) {
    std::size_t from = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char* entity = nullptr;
        switch (text[at]) {
            case '&':
                entity = "&amp;";
                break;
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            case '\'':
                entity = "&apos;";
                break;
            case '"':
                entity = "&quot;";
                break;
            default:
                continue;
        }
        out.append(text.substr(from, at - from)).append(entity);
        from = at + 1;
    }
    out.append(text.substr(from));
}

}  // namespace

void XMLDumpFormatter::appendXmlName(const InternalName& name, std::string& out) {
    const int kind = name.getType();
    // A string's text is its own characters between the quotes of its symbol.
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

void XMLDumpFormatter::writeTail(const std::string&) {}

void XMLDumpFormatter::openPredicate(const std::string& name) {
    write("<" + name);
}

void XMLDumpFormatter::predicateSeparator() {}

void XMLDumpFormatter::writePredicateArgument(const InternalName& argument, int position) {
    line.append(" attr").append(std::to_string(position)).append("='");
    line.append(xmlName(argument)).append("'");
    emit(false);
}

void XMLDumpFormatter::closePredicate() {
    writeLine("/>");
}

void XMLDumpFormatter::writeStatement(const std::string&) {}

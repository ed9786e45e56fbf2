// The F-Logic texts of the dump-formatter protocol.
#include "shell/FLDumpFormatter.h"

#include <algorithm>
#include <vector>

#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"
#include "objectbase/OM.h"

bool FLDumpFormatter::isA(const std::string& className) const {
    return className == "FLDumpFormatter" || DumpFormatter::isA(className);
}

void FLDumpFormatter::writeMethodText(const std::string& methodText) {
    appendMethodText(methodText, line);
    emit(false);
}

void FLDumpFormatter::appendMethodText(const std::string& methodText, std::string& out) {
    // Asked for every entry written: one pass, where find_first_of searched its set for each
    // character.
    const bool path = std::any_of(methodText.begin(), methodText.end(),
                                  [](char c) { return c == '.' || c == '!'; });
    if (path) {
        out += '(';
        out += methodText;
        out += ')';
    } else {
        out += methodText;
    }
}

void FLDumpFormatter::writeSubclass(const InternalName& sub, const InternalName& super) {
    appendLex(sub, line);
    line += " :: ";
    appendLex(super, line);
    line += ".\n";
    emit(true);
}

void FLDumpFormatter::writeIsa(const InternalName& object, const InternalName& cls) {
    appendLex(object, line);
    line += " : ";
    appendLex(cls, line);
    line += ".\n";
    emit(true);
}

void FLDumpFormatter::openFrame(const InternalName& object, const InternalName&, int) {
    appendLex(object, line);
    line += " [";
    emit(false);
}

void FLDumpFormatter::closeFrame(const InternalName&, const InternalName&) {
    line += "].\n";
    emit(true);
}

void FLDumpFormatter::methodSeparator() {
    line += ";\n  ";
    emit(true);
}

std::string FLDumpFormatter::argsOpen() {
    return "@(";
}

std::string FLDumpFormatter::argumentText(int position, const InternalName& argument) {
    std::string text = position > 1 ? "," : "";
    appendLex(argument, text);
    return text;
}

std::string FLDumpFormatter::argsClose() {
    return ")";
}

std::string FLDumpFormatter::arrowText(int methodType) {
    // Asked for every entry written: the texts are made once.
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> made;
        for (int type = 0; type <= 8; ++type) {
            const MethodTypeText* text = methodTypeText(type);
            made.push_back(text != nullptr ? std::string(" ") + text->plainArrow + " " : "");
        }
        return made;
    }();
    if (methodType >= 0 && methodType <= 8) return texts[std::size_t(methodType)];
    const MethodTypeText* text = methodTypeText(methodType);
    return text != nullptr ? std::string(" ") + text->plainArrow + " " : "";
}

void FLDumpFormatter::writeMethodHead(const std::string& methodText, const std::string& restText,
                                      const std::string& bracket) {
    appendMethodText(methodText, line);
    line += restText;
    line += bracket;
    emit(false);
}

void FLDumpFormatter::writeText(const std::string& text) {
    line += text;
    emit(false);
}

void FLDumpFormatter::writeMethodValue(const std::string& methodText, const std::string& restText,
                                       const InternalName& value) {
    appendMethodText(methodText, line);
    line += restText;
    appendLex(value, line);
    emit(false);
}

std::string FLDumpFormatter::frameEndText(const InternalName&, const InternalName&,
                                          const std::string&, const std::string&, int,
                                          const std::string&) {
    return "].\n";
}

void FLDumpFormatter::frameEnd() {
    line += "].\n";
    emit(false);
}

void FLDumpFormatter::writeSetMember(const InternalName&, const InternalName&,
                                     const InternalName& member, int position) {
    if (position > 1) line += ",\n    ";
    appendLex(member, line);
    emit(false);
}

void FLDumpFormatter::writeTail(const std::string& text) {
    line += text;
    emit(false);
}

void FLDumpFormatter::openPredicate(const std::string& name) {
    line += name;
    line += '(';
    emit(false);
}

void FLDumpFormatter::predicateSeparator() {
    line += ',';
    emit(false);
}

void FLDumpFormatter::writePredicateArgument(const InternalName& argument, int) {
    appendLex(argument, line);
    emit(false);
}

void FLDumpFormatter::closePredicate() {
    line += ").\n";
    emit(true);
}

void FLDumpFormatter::writeStatement(const std::string& text) {
    line += text;
    line += ".\n";
    emit(true);
}

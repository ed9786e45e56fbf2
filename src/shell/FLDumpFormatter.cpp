// The F-Logic texts of the dump-formatter protocol.
#include "shell/FLDumpFormatter.h"

#include "foundation/OutputChannel.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"
#include "objectbase/OM.h"

bool FLDumpFormatter::isA(const std::string& className) const {
    return className == "FLDumpFormatter" || DumpFormatter::isA(className);
}

void FLDumpFormatter::writeMethodText(const std::string& methodText) {
    if (methodText.find_first_of(".!") != std::string::npos)
        debugChannel() << "(" << methodText << ")";
    else
        debugChannel() << methodText;
}

void FLDumpFormatter::writeDocumentHead(const std::string&, const std::string&,
                                        const std::string&) {}
void FLDumpFormatter::openRoot(const std::string&) {}
void FLDumpFormatter::closeRoot(const std::string&) {}

void FLDumpFormatter::writeSubclass(const InternalName& sub, const InternalName& super) {
    debugChannel() << lex(sub) << " :: " << lex(super) << "." << std::endl;
}

void FLDumpFormatter::writeIsa(const InternalName& object, const InternalName& cls) {
    debugChannel() << lex(object) << " : " << lex(cls) << "." << std::endl;
}

void FLDumpFormatter::openFrame(const InternalName& object, const InternalName&, int) {
    debugChannel() << lex(object) << " [";
}

void FLDumpFormatter::closeFrameHead() {}

void FLDumpFormatter::closeFrame(const InternalName&, const InternalName&) {
    debugChannel() << "]." << std::endl;
}

void FLDumpFormatter::methodSeparator() {
    debugChannel() << ";" << std::endl << "  ";
}

std::string FLDumpFormatter::argsOpen() {
    return "@(";
}

std::string FLDumpFormatter::attributeText(const InternalName&, int, const InternalName&) {
    return "";
}

std::string FLDumpFormatter::argumentText(int position, const InternalName& argument) {
    std::string text = position > 1 ? "," : "";
    return text += lex(argument);
}

std::string FLDumpFormatter::argsClose() {
    return ")";
}

std::string FLDumpFormatter::arrowText(int methodType) {
    const MethodTypeText* text = methodTypeText(methodType);
    return text != nullptr ? std::string(" ") + text->plainArrow + " " : "";
}

void FLDumpFormatter::writeMethodHead(const std::string& methodText, const std::string& restText,
                                      const std::string& bracket) {
    writeMethodText(methodText);
    debugChannel() << restText << bracket;
}

void FLDumpFormatter::writeText(const std::string& text) {
    debugChannel() << text;
}

void FLDumpFormatter::writeMethodValue(const std::string& methodText, const std::string& restText,
                                       const InternalName& value) {
    writeMethodText(methodText);
    debugChannel() << restText << lex(value);
}

void FLDumpFormatter::pendingOpen(const std::string&) {}
void FLDumpFormatter::pendingAppend(const std::string&) {}

std::string FLDumpFormatter::valueElementText(const InternalName&, const std::string&,
                                              const InternalName&) {
    return "";
}

std::string FLDumpFormatter::elementText(const InternalName&, const std::string&,
                                         const std::string&) {
    return "";
}

std::string FLDumpFormatter::frameEndText(const InternalName&, const InternalName&,
                                          const std::string&, const std::string&, int,
                                          const std::string&) {
    return "].\n";
}

void FLDumpFormatter::frameEnd() {
    debugChannel() << "].\n";
}

void FLDumpFormatter::writeSetMember(const InternalName&, const InternalName&,
                                     const InternalName& member, int position) {
    if (position > 1) debugChannel() << ",\n    ";
    debugChannel() << lex(member);
}

void FLDumpFormatter::writeTail(const std::string& text) {
    debugChannel() << text;
}

void FLDumpFormatter::openPredicate(const std::string& name) {
    debugChannel() << name << "(";
}

void FLDumpFormatter::predicateSeparator() {
    debugChannel() << ",";
}

void FLDumpFormatter::writePredicateArgument(const InternalName& argument, int) {
    debugChannel() << lex(argument);
}

void FLDumpFormatter::closePredicate() {
    debugChannel() << ")." << std::endl;
}

void FLDumpFormatter::writeStatement(const std::string& text) {
    debugChannel() << text << "." << std::endl;
}

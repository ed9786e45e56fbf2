// Blocks of shell text and their class object.
#include "shell/Block.h"

#include <utility>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellValues.h"
#include "shell/FLSysInterpreter.h"

namespace {

void releaseEscape(FLSysObject* result) {
    if (result != nullptr && result->isA("FLSysEsc")) decRef(result);
}

}  // namespace

Block::Block(FLSysInterpreter* interpreter, std::string text)
    : interpreter(interpreter), body(std::move(text)) {
    if (interpreter != nullptr) incRef(interpreter);
}

Block::~Block() {
    if (interpreter != nullptr) decRef(interpreter);
}

FLSysObject* Block::methodCall(const std::string& name, FLSysArgs* args) {
    if (name == "doIt") return doIt(args);
    if (name == "help") {
        if (argumentCount(args) != 0) return nullptr;
        help();
        return this;
    }
    return FLSysObject::methodCall(name, args);
}

FLSysObject* Block::doIt(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    if (interpreter == nullptr) {
        centralErrorHandler().report(err11::NoInterpreterFound);
        return nullptr;
    }
    FLSysObject* result = nullptr;
    std::string::size_type position = 0;
    while (position < body.size()) {
        std::string::size_type end = body.find('\n', position);
        // A last piece without a newline runs too: a text given to classBlock's new need not
        // end with one.
        std::string::size_type next = end == std::string::npos ? body.size() : end + 1;
        if (end != position) {
            // Only the last line's result is passed on; an escape an earlier line gave is ours.
            releaseEscape(result);
            result = interpreter->interprete(body.substr(position, next - position), 1);
        }
        position = next;
    }
    // A line's result is sys (lent) or an escape (ours); the caller of a shell method gets one
    // reference either way.
    if (result != nullptr && !result->isA("FLSysEsc")) incRef(result);
    return result;
}

void Block::display(OutputChannel& channel) const {
    channel << "Block(\"" << std::endl << body << "\")" << std::endl;
}

void Block::print(OutputChannel& channel) const {
    channel << "aBlock";
}

bool Block::isA(const std::string& className) const {
    return className == "Block" || FLSysObject::isA(className);
}

void Block::help() {
    OutputChannel& channel = helpChannel();
    writeHelpHeader(channel, "Block");
    writeStandardMethodsHelp(channel);
    channel << "    - doIt" << std::endl << "          execute block" << std::endl << std::endl;
}

FLSysObject* BlockMeta::createInstance(FLSysArgs* args) {
    FLSysObject* interpreter = nullptr;
    FLSysObject* text = nullptr;
    if (!checkArgs2(args, "FLSysInterpreter", interpreter, "FLSysString", text)) return nullptr;
    return new Block(static_cast<FLSysInterpreter*>(interpreter),
                     static_cast<FLSysString*>(text)->value());
}

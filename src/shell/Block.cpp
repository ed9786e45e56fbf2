// Blocks of shell text and their class object.
#include "shell/Block.h"

#include <utility>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "shell/FLSysInterpreter.h"

Block::Block(FLSysInterpreter* interpreter, std::string text)
    : interpreter(Ref<FLSysInterpreter>::share(interpreter)), body(std::move(text)) {}

Block::~Block() = default;

FLSysRef Block::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<Block>& Block::shellCommands() {
    static const ShellCommands<Block> table{
        helpHeading("Block"),
        {
            {"help", ShellArgs::None,
             [](Block& self, FLSysArgs*) -> FLSysRef {
                 self.help();
                 return FLSysRef::share(&self);
             },
             standardMethodsHelp()},
            {"doIt",
             ShellArgs::Any,
             [](Block& self, FLSysArgs* args) -> FLSysRef { return self.doIt(args); },
             {"    - doIt", "          execute block"}},
        },
        {""}};
    return table;
}

FLSysRef Block::doIt(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    if (interpreter == nullptr) {
        centralErrorHandler().report(err11::NoInterpreterFound);
        return nullptr;
    }
    FLSysRef result;
    std::string::size_type position = 0;
    while (position < body.size()) {
        std::string::size_type end = body.find('\n', position);
        // A last piece without a newline runs too: a text given to classBlock's new need not
        // end with one.
        std::string::size_type next = end == std::string::npos ? body.size() : end + 1;
        // Only the last line's result is passed on.
        if (end != position)
            result = interpreter->interprete(body.substr(position, next - position), 1);
        position = next;
    }
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
    shellCommands().writeHelp(helpChannel());
}

FLSysRef BlockMeta::createInstance(FLSysArgs* args) {
    FLSysObject* interpreter = nullptr;
    FLSysObject* text = nullptr;
    if (!checkArgs2(args, "FLSysInterpreter", interpreter, "FLSysString", text)) return nullptr;
    return Ref<Block>::make(static_cast<FLSysInterpreter*>(interpreter),
                            static_cast<FLSysString*>(text)->value());
}

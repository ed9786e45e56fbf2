// Output channels: redirection through a stack of streams, the shell methods, forwarding of
// every written value, and the six program-wide channels.
#include "foundation/OutputChannel.h"

#include <type_traits>
#include <utility>

#include "foundation/FLSysOStream.h"
#include "foundation/ShellCommands.h"
#include "foundation/clib_list.h"

OutputChannel::~OutputChannel() {
    releaseStreams();
}

FLSysRef OutputChannel::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<OutputChannel>& OutputChannel::shellCommands() {
    static const ShellCommands<OutputChannel> table{
        helpHeading("OutputChannel"),
        {
            {"help",
             ShellArgs::None,
             [](OutputChannel& self, FLSysArgs*) -> FLSysRef {
                 return FLSysRef::share(self.help());
             },
             {"    - help", "    - isOK", "          returns  0 (object is corrupted)  or  1",
              "    - isA@(string)", "          string : classname",
              "          returns  1 (object belongs to class)  or  0"}},
            {"print",
             ShellArgs::None,
             [](OutputChannel& self, FLSysArgs*) -> FLSysRef {
                 self.print(systemChannel());
                 return FLSysRef::share(&self);
             },
             {"    - print()", "          prints type of instance"}},
            {"setStream",
             ShellArgs::Any,
             [](OutputChannel& self, FLSysArgs* args) -> FLSysRef {
                 return FLSysRef::share(self.setStream(args));
             },
             {"    - setStream@(stream)", "          stream : a system stream, e.g. cout"}},
            {"resetStream",
             ShellArgs::Any,
             [](OutputChannel& self, FLSysArgs*) -> FLSysRef {
                 return FLSysRef::share(self.resetStream());
             },
             {"    - resetStream", "          set stream to previous value"}},
        },
        {"", "", ""}};
    return table;
}

void OutputChannel::print(OutputChannel& channel) const {
    channel << "anOutputChannel";
}

bool OutputChannel::isA(const std::string& className) const {
    return className == "OutputChannel" || FLSysObject::isA(className);
}

OutputChannel* OutputChannel::setStream(FLSysOStream* stream) {
    if (stream == nullptr) return nullptr;
    if (current) stack.push_back(std::move(current));
    current = Ref<FLSysOStream>::share(stream);
    return this;
}

OutputChannel* OutputChannel::setStream(FLSysArgs* args) {
    FLSysObject* stream = nullptr;
    if (!checkArgs1(args, "FLSysOStream", stream)) return nullptr;
    return setStream(static_cast<FLSysOStream*>(stream));
}

OutputChannel* OutputChannel::resetStream() {
    if (stack.empty()) return nullptr;
    Ref<FLSysOStream> released = std::move(current);
    current = std::move(stack.back());
    stack.pop_back();
    // Released only after the channel is consistent again, in case its destruction writes.
    released.reset();
    return this;
}

void OutputChannel::releaseStreams() {
    while (!stack.empty()) {
        Ref<FLSysOStream> stream = std::move(stack.back());
        stack.pop_back();
        stream.reset();
    }
    Ref<FLSysOStream> stream = std::move(current);
    stream.reset();
}

OutputChannel* OutputChannel::help() {
    shellCommands().writeHelp(helpChannel());
    return this;
}

// Every output operation forwards to the current stream's operation of the same kind; without a
// stream the value is dropped.
#define QUORIN_CHANNEL_FORWARD(Type)                                             \
    OutputChannel& OutputChannel::operator<<(std::type_identity_t<Type> value) { \
        if (current != nullptr) *current << value;                               \
        return *this;                                                            \
    }

QUORIN_CHANNEL_FORWARD(std::ios_base& (*)(std::ios_base&))
QUORIN_CHANNEL_FORWARD(std::ostream& (*)(std::ostream&))
QUORIN_CHANNEL_FORWARD(std::streambuf*)
QUORIN_CHANNEL_FORWARD(const void*)
QUORIN_CHANNEL_FORWARD(unsigned long)
QUORIN_CHANNEL_FORWARD(unsigned int)
QUORIN_CHANNEL_FORWARD(unsigned short)
QUORIN_CHANNEL_FORWARD(char)
QUORIN_CHANNEL_FORWARD(double)
QUORIN_CHANNEL_FORWARD(float)
QUORIN_CHANNEL_FORWARD(long)
QUORIN_CHANNEL_FORWARD(int)
QUORIN_CHANNEL_FORWARD(short)
QUORIN_CHANNEL_FORWARD(unsigned char)
QUORIN_CHANNEL_FORWARD(const char*)

#undef QUORIN_CHANNEL_FORWARD

OutputChannel& OutputChannel::operator<<(const std::string& value) {
    // Written in place: a save or an export passes every piece of its text through here, and a
    // copy of each cost an allocation for all but the shortest.
    if (current != nullptr) *current << value;
    return *this;
}

OutputChannel& answerChannel() {
    static OutputChannel channel;
    return channel;
}

OutputChannel& errorChannel() {
    static OutputChannel channel;
    return channel;
}

OutputChannel& debugChannel() {
    static OutputChannel channel;
    return channel;
}

OutputChannel& helpChannel() {
    static OutputChannel channel;
    return channel;
}

OutputChannel& statisticChannel() {
    static OutputChannel channel;
    return channel;
}

OutputChannel& systemChannel() {
    static OutputChannel channel;
    return channel;
}

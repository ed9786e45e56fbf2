// Output channels: redirection through a stack of streams, the shell methods, forwarding of
// every written value, and the six program-wide channels.
#include "foundation/OutputChannel.h"

#include <type_traits>
#include <utility>

#include "foundation/FLSysOStream.h"
#include "foundation/clib_list.h"

OutputChannel::~OutputChannel() {
    releaseStreams();
}

FLSysRef OutputChannel::methodCall(const std::string& name, FLSysArgs* args) {
    const bool noArgs = argumentCount(args) == 0;
    if (name == "help") return noArgs ? FLSysRef::share(help()) : nullptr;
    if (name == "setStream") return FLSysRef::share(setStream(args));
    if (name == "resetStream") return FLSysRef::share(resetStream());
    if (name == "print") {
        if (!noArgs) return nullptr;
        print(systemChannel());
        return FLSysRef::share(this);
    }
    return FLSysObject::methodCall(name, args);
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
    OutputChannel& channel = helpChannel();
    writeHelpHeader(channel, "OutputChannel");
    channel << "    - help" << std::endl
            << "    - isOK" << std::endl
            << "          returns  0 (object is corrupted)  or  1" << std::endl
            << "    - isA@(string)" << std::endl
            << "          string : classname" << std::endl
            << "          returns  1 (object belongs to class)  or  0" << std::endl
            << "    - print()" << std::endl
            << "          prints type of instance" << std::endl
            << "    - setStream@(stream)" << std::endl
            << "          stream : a system stream, e.g. cout" << std::endl
            << "    - resetStream" << std::endl
            << "          set stream to previous value" << std::endl
            << std::endl
            << std::endl
            << std::endl;
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
    // The stream gets its own copy of the text.
    if (current != nullptr) *current << std::string(value);
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

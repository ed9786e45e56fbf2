// OutputChannel: a named destination for output that forwards everything to its current
// FLSysOStream and keeps the earlier streams on a stack; and the six program-wide channels.
#pragma once

#include <deque>
#include <ios>
#include <ostream>
#include <streambuf>
#include <string>

#include "foundation/FLSysObject.h"

class FLSysOStream;

class OutputChannel : public FLSysObject {
  public:
    OutputChannel() = default;
    // Channels hold references on their streams; copying one would share them unaccounted.
    OutputChannel(const OutputChannel&) = delete;
    OutputChannel& operator=(const OutputChannel&) = delete;
    ~OutputChannel() override;

    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Makes `stream` current (taking a reference) and stacks the previous one; null is refused
    // with a null result and no change.
    virtual OutputChannel* setStream(FLSysOStream* stream);
    // The shell form: one argument of class "FLSysOStream".
    virtual OutputChannel* setStream(FLSysArgs* args);
    // Releases the current stream and goes back to the one before; null when none is stacked.
    virtual OutputChannel* resetStream();
    // Releases the stacked streams, latest first, then the current one.
    virtual void releaseStreams();
    virtual OutputChannel* help();

    // Each output operation writes its value to the current stream and returns the channel; a
    // channel without a stream drops the value.
    virtual OutputChannel& operator<<(std::ios_base& (*manipulator)(std::ios_base&));
    // End of line (std::endl) and flush (std::flush) go through this one.
    virtual OutputChannel& operator<<(std::ostream& (*manipulator)(std::ostream&));
    virtual OutputChannel& operator<<(std::streambuf* buffer);
    virtual OutputChannel& operator<<(const void* pointer);
    virtual OutputChannel& operator<<(unsigned long value);
    virtual OutputChannel& operator<<(unsigned int value);
    virtual OutputChannel& operator<<(unsigned short value);
    virtual OutputChannel& operator<<(char value);
    virtual OutputChannel& operator<<(double value);
    virtual OutputChannel& operator<<(float value);
    virtual OutputChannel& operator<<(long value);
    virtual OutputChannel& operator<<(int value);
    virtual OutputChannel& operator<<(short value);
    // Written as a character, like char.
    virtual OutputChannel& operator<<(unsigned char value);
    virtual OutputChannel& operator<<(const std::string& value);
    virtual OutputChannel& operator<<(const char* text);

    // The stream written to now (no reference is handed out); null when there is none.
    FLSysOStream* currentStream() const { return current.get(); }
    // Number of earlier streams waiting on the stack.
    std::size_t stackedStreams() const { return stack.size(); }

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<OutputChannel>& shellCommands();

    Ref<FLSysOStream> current;
    std::deque<Ref<FLSysOStream>> stack;  // most recent at the back
};

// The six program-wide channels. They live for the whole run; releases never destroy them.
OutputChannel& answerChannel();
OutputChannel& errorChannel();
OutputChannel& debugChannel();
OutputChannel& helpChannel();
OutputChannel& statisticChannel();
OutputChannel& systemChannel();

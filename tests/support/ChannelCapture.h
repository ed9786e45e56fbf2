// Test helpers that send what a channel writes into a string and restore the channel afterwards.
#pragma once

#include <sstream>
#include <string>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"

// Points a channel at a string for as long as it lives, then puts the channel back as it was: a
// channel that had no stream before is left with none.
class ChannelCapture {
  public:
    explicit ChannelCapture(OutputChannel& channel)
        : channel(channel), hadStream(channel.currentStream() != nullptr) {
        // The channel holds the only reference once this handle goes.
        channel.setStream(Ref<FLSysOStreamImpl<std::ostringstream>>::make(&buffer).get());
    }
    ~ChannelCapture() {
        if (hadStream) {
            channel.resetStream();
        } else {
            channel.releaseStreams();
        }
    }
    ChannelCapture(const ChannelCapture&) = delete;
    ChannelCapture& operator=(const ChannelCapture&) = delete;

    std::string text() const { return buffer.str(); }
    void clear() { buffer.str(""); }

  private:
    OutputChannel& channel;
    bool hadStream;
    std::ostringstream buffer;
};

// Captures the error channel with every error printed by name only, with a clean central handler
// (errors admitted, nothing kept) that is put back as it was afterwards.
class ErrorCapture {
  public:
    explicit ErrorCapture(int seriousness = 4)
        : oldMask(Error::getOutputFilter()),
          oldSeriousness(centralErrorHandler().outputSeriousness()),
          capture(errorChannel()) {
        Error::setOutputFilter(1);
        centralErrorHandler().setOutputSeriousness(seriousness);
        centralErrorHandler().reset();
    }
    ~ErrorCapture() {
        Error::setOutputFilter(oldMask);
        centralErrorHandler().setOutputSeriousness(oldSeriousness);
        centralErrorHandler().reset();
    }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    std::string text() const { return capture.text(); }
    void clear() { capture.clear(); }

  private:
    int oldMask;
    int oldSeriousness;
    ChannelCapture capture;
};

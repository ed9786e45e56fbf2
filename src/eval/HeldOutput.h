// HeldOutput: what the program-wide output channels write while a run may still be abandoned,
// held back and then passed on, or dropped with the run.
#pragma once

#include <memory>
#include <sstream>
#include <vector>

#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"

// While an object lives, every program-wide channel that has a stream writes into a text of its
// own; channels that shared a stream share the text, so their lines keep their order. drop()
// forgets what was held so far; the end of the object gives the channels their streams back and
// writes what is held to them.
class HeldOutput {
  public:
    HeldOutput() {
        OutputChannel* channels[] = {&answerChannel(), &errorChannel(),     &debugChannel(),
                                     &helpChannel(),   &statisticChannel(), &systemChannel()};
        for (OutputChannel* channel : channels) {
            FLSysOStream* original = channel->currentStream();
            if (original == nullptr) continue;
            Held* group = nullptr;
            for (const std::unique_ptr<Held>& held : groups)
                if (held->original.get() == original) group = held.get();
            if (group == nullptr) {
                groups.push_back(std::make_unique<Held>());
                group = groups.back().get();
                group->original = Ref<FLSysOStream>::share(original);
            }
            const auto stream =
                Ref<FLSysOStream>::adopt(new FLSysOStreamImpl<std::ostringstream>(&group->text));
            channel->setStream(stream.get());
            taken.push_back(channel);
        }
    }
    HeldOutput(const HeldOutput&) = delete;
    HeldOutput& operator=(const HeldOutput&) = delete;
    ~HeldOutput() {
        for (OutputChannel* channel : taken) channel->resetStream();
        for (const std::unique_ptr<Held>& held : groups) {
            const std::string text = held->text.str();
            if (!text.empty()) *held->original << text << std::flush;
        }
    }

    void drop() {
        for (const std::unique_ptr<Held>& held : groups) held->text.str("");
    }

  private:
    struct Held {
        // Held: a command of the run may take the stream off its channel, and what was held
        // still goes to it.
        Ref<FLSysOStream> original;
        std::ostringstream text;
    };
    std::vector<std::unique_ptr<Held>> groups;
    std::vector<OutputChannel*> taken;
};

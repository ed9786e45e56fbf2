// Turns the bytes a terminal sends into the editor's key codes.
#pragma once

#include <deque>

#include "shell/KeySource.h"

// Enter (13) is Ctrl-J. A complete "ESC [" or "ESC O" sequence, each byte within 100 ms, becomes
// one key: A, B, C, D are Ctrl-P, Ctrl-N, Ctrl-F, Ctrl-B; H, 1~, 7~ Ctrl-A; F, 4~, 8~ Ctrl-E;
// 2~ Ctrl-O; 3~ Ctrl-D; 5~ Ctrl-P; 6~ Ctrl-N; any other complete sequence (function keys,
// modified keys) is 0. A sequence cut short is dropped and becomes Ctrl-G, a control key the
// editor only beeps at, so nothing of the line is lost. An Escape followed by any other byte is
// passed on as Escape with that byte waiting behind it.
class KeyDecoder : public KeySource {
  public:
    static constexpr int SequenceWait = 100;  // milliseconds

    explicit KeyDecoder(ByteSource& bytes) : bytes_(bytes) {}

    int nextKey() override;
    bool keyWaiting(int milliseconds) override;

  private:
    int decodeSequence(bool csi);

    ByteSource& bytes_;
    std::deque<int> waiting_;
};

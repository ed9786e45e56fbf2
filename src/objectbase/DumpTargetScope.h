// DumpTargetScope: a dump target for the length of one write, with the old one put back after.
#pragma once

#include "objectbase/DumpFormatter.h"
#include "objectbase/DumpWriter.h"

// A formatter registered from outside (an export's) must survive a dump made in between, and
// the target must never name a formatter released here, so the previous target always returns.
class DumpTargetScope {
  public:
    // own: always a new formatter of `format` for this scope. Otherwise the registered target,
    // and a new formatter of `format` only when none is registered.
    DumpTargetScope(DumpWriter& writer, int format, bool own)
        : writer(writer), previous(writer.target()) {
        if (!own && previous != nullptr) return;
        made = Ref<DumpFormatter>::adopt(writer.makeFormatter(format));
        writer.setTarget(made.get());
        changed = true;
    }
    ~DumpTargetScope() {
        if (!changed) return;
        // The formatter made here goes with the scope, after the old target is back.
        writer.setTarget(previous);
    }
    DumpTargetScope(const DumpTargetScope&) = delete;
    DumpTargetScope& operator=(const DumpTargetScope&) = delete;

    // The formatter to write through; null when none is registered for the format.
    DumpFormatter* target() const { return writer.target(); }

  private:
    DumpWriter& writer;
    DumpFormatter* previous;
    Ref<DumpFormatter> made;
    bool changed = false;
};

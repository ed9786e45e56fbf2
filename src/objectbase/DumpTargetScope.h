// DumpTargetScope: a dump target for the length of one write, with the old one put back after.
#pragma once

#include "objectbase/DumpFormatter.h"
#include "objectbase/DumpFormatterFactory.h"
#include "objectbase/MainMemOM.h"

// A formatter registered from outside (an export's) must survive a dump made in between, and
// the target must never name a formatter released here, so the previous target always returns.
class DumpTargetScope {
  public:
    // own: always a new formatter of `format` for this scope. Otherwise the registered target,
    // and a new formatter of `format` only when none is registered.
    DumpTargetScope(MainMemOM& om, int format, bool own) : om(om), previous(om.getDumpTarget()) {
        if (!own && previous != nullptr) return;
        made = DumpFormatterFactory::make(format, &om);
        om.setDumpTarget(made);
        changed = true;
    }
    ~DumpTargetScope() {
        if (!changed) return;
        om.setDumpTarget(previous);
        if (made != nullptr) decRef(made);
    }
    DumpTargetScope(const DumpTargetScope&) = delete;
    DumpTargetScope& operator=(const DumpTargetScope&) = delete;

    // The formatter to write through; null when none is registered for the format.
    DumpFormatter* target() const { return om.getDumpTarget(); }

  private:
    MainMemOM& om;
    DumpFormatter* previous;
    DumpFormatter* made = nullptr;
    bool changed = false;
};

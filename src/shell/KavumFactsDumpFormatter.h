// KavumFactsDumpFormatter: the F-Logic formatter with the arrows of the Kavum mode's facts.
#pragma once

#include "shell/FLDumpFormatter.h"

// Set-valued entries are the Kavum mode's plain values, so its arrows are one step shorter;
// the types the mode has no arrow for are marked as such.
class KavumFactsDumpFormatter : public FLDumpFormatter {
  public:
    explicit KavumFactsDumpFormatter(OM* om) : FLDumpFormatter(om) {}
    ~KavumFactsDumpFormatter() override = default;

    bool isA(const std::string& className) const override;
    std::string arrowText(int methodType) override;
};

// DumpFormatterFactory: the table of dump formatters an object base writes through, by format.
#pragma once

#include <map>

class DumpFormatter;
class OM;

// The formatters live in the shell, above the object base: whoever builds an object base hands
// it a table (the session its own, a test the one it needs), and the object base only asks it.
// A table is a plain value, so two object bases never see each other's makers.
class DumpFormatterFactory {
  public:
    // Makes a new formatter over an object manager; the caller holds its only reference.
    using Maker = DumpFormatter* (*)(OM* om);

    // format: 1 F-Logic, 2 XML. A later registration of a format replaces the earlier one.
    void registerMaker(int format, Maker maker);
    // A new formatter of the format, or null when no maker is registered for it.
    DumpFormatter* make(int format, OM* om) const;

  private:
    std::map<int, Maker> makers;
};

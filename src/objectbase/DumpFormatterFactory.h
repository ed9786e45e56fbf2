// DumpFormatterFactory: the dump formatters the object base writes through, made by dump format.
#pragma once

class DumpFormatter;
class OM;

// The formatters live in the shell, above the object base, so the shell fills this table at
// start-up (and every test that dumps does the same) and the object base only asks it.
class DumpFormatterFactory {
  public:
    // Makes a new formatter over an object manager; the caller holds its only reference.
    using Maker = DumpFormatter* (*)(OM* om);

    // format: 1 F-Logic, 2 XML. A later registration of a format replaces the earlier one.
    static void registerMaker(int format, Maker maker);
    // A new formatter of the format, or null when no maker is registered for it.
    static DumpFormatter* make(int format, OM* om);
};

// ExportHandlerFactory: the table of export handler makers an access layer exports through.
#pragma once

#include <map>

#include "foundation/Ref.h"

class ExportHandler;
class OMAccess;

// The handlers live in the shell, above the access layer: whoever builds an access layer hands
// it a table (the session its own, a test the one it needs), and the access layer only asks it.
// A table is a plain value, so two access layers never see each other's makers.
class ExportHandlerFactory {
  public:
    // Makes a new handler over an access layer.
    using Maker = Ref<ExportHandler> (*)(OMAccess* access);

    // A later registration of a format replaces the earlier one; a null maker removes it.
    void registerMaker(int format, Maker maker);
    // A new handler of the format, or null when no maker is registered for it.
    Ref<ExportHandler> make(int format, OMAccess* access) const;

  private:
    std::map<int, Maker> makers;
};

// ExportHandler: the protocol of the export handlers, and the table of their makers by format.
#pragma once

#include "foundation/FLSysObject.h"

struct ExportRequest;
class OMAccess;

// The handlers write F-Logic or XML and live in the shell, above this layer; the access layer
// only runs the one registered for a format.
class ExportHandler : public FLSysObject {
  public:
    // Runs the export the request describes; an unwritable file is reported by the handler.
    virtual void exportOM(ExportRequest& request) = 0;

  protected:
    ~ExportHandler() override = default;
};

class ExportHandlerFactory {
  public:
    // Makes a new handler over an access layer; the caller holds its only reference.
    using Maker = ExportHandler* (*)(OMAccess* access);

    // A later registration of a format replaces the earlier one; a null maker removes it.
    static void registerMaker(int format, Maker maker);
    // A new handler of the format, or null when no maker is registered for it.
    static ExportHandler* make(int format, OMAccess* access);
};

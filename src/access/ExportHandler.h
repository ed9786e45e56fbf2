// ExportHandler: the protocol of the export handlers.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "foundation/FLSysObject.h"
#include "objectbase/DumpFormatter.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"
#include "platform/ControlEvents.h"

struct ExportRequest;
class InternalName;
class OMAccess;

// The handlers of each format live in the shell, above this layer; the access layer only runs
// the one registered for a format. A handler's formatter is the object manager's dump target for
// as long as the handler lives, so the object base's own entry writer speaks its format.
class ExportHandler : public FLSysObject {
  public:
    // Holds the access layer and the formatter, and makes the formatter the dump target.
    ExportHandler(OMAccess* access, Ref<DumpFormatter> formatter);

    bool isA(const std::string& className) const override;

    // Writes header, body and trailer; into the request's file when it names one (a file that
    // cannot be written is reported and nothing is written).
    virtual void exportOM(ExportRequest& request);
    // All exported objects.
    virtual void writeBody(ExportRequest& request) = 0;
    // One object.
    virtual void writeObject(const InternalName& object, std::int32_t format) = 0;
    // The text before and after the body.
    virtual void writeHeader(ExportRequest& request) = 0;
    virtual void writeTrailer(ExportRequest& request) = 0;

  protected:
    // Clears the dump target, then releases the formatter.
    ~ExportHandler() override;

    // Puts `replacement` in place of the formatter, as the dump target too.
    void replaceFormatter(Ref<DumpFormatter> replacement);

    // True, from then on, once Ctrl-C or a farewell asks the export to stop: the handlers' walks
    // look at it once an object or element (the text written after it is dropped anyway).
    bool stopped() { return stopPoll.stop(); }

    // A reference of its own on each; the formatter is released first (members go in reverse).
    Ref<OMAccess> access;
    Ref<DumpFormatter> formatter;

  private:
    controlEvents::StopPoll stopPoll{16};
};

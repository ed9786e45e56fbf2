// FLExportHandler: the export of the object base as F-Logic facts and frames (format 1) or its
// signatures only (format 3).
#pragma once

#include "access/ExportHandler.h"

class FLDumpFormatter;

// The text reads back through the F-Logic parser: class lines, then one frame per object.
class FLExportHandler : public ExportHandler {
  public:
    explicit FLExportHandler(OMAccess* access);

    bool isA(const std::string& className) const override;

    void writeBody(ExportRequest& request) override;
    void writeObject(const InternalName& object, std::int32_t format) override;
    void writeHeader(ExportRequest& request) override;
    void writeTrailer(ExportRequest& request) override;

  protected:
    ~FLExportHandler() override = default;

  private:
    // Whether a row of the object's entries is written in the format.
    bool exported(const InternalName& object, const InternalName& method, int argCount, int type,
                  std::int32_t format);
};

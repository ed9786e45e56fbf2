// KavumFactsExportHandler: the F-Logic export written with the Kavum mode's arrows.
#pragma once

#include "shell/FLExportHandler.h"

class KavumFactsExportHandler : public FLExportHandler {
  public:
    explicit KavumFactsExportHandler(OMAccess* access);

    bool isA(const std::string& className) const override;

  protected:
    ~KavumFactsExportHandler() override = default;
};

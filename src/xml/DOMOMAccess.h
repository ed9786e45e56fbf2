// DOMOMAccess: the XML access layer under a second name; with its class object.
#pragma once

#include "xml/XMLOMAccess.h"

// Everything but the names is the XML access layer's.
class DOMOMAccess : public XMLOMAccess {
  public:
    explicit DOMOMAccess(OM* om) : XMLOMAccess(om) {}
    ~DOMOMAccess() override = default;

    // "aDOMOMAccess".
    void print(OutputChannel& channel) const override;
    std::string name() const override { return "aDOMOMAccess"; }
    bool isA(const std::string& className) const override;
};

// The class object registered as "classDOMOMAccess": "new"@(anOM) makes a DOMOMAccess over it.
// Each access layer it makes uses the axis iterators (none: null) and export handlers it was given.
class DOMOMAccessMeta : public XMeta {
  public:
    explicit DOMOMAccessMeta(AxisIteratorFactory* axes = nullptr,
                             ExportHandlerFactory exports = {});
    ~DOMOMAccessMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    AxisIteratorFactory* axes;
    ExportHandlerFactory exports;
};

// PlaceholderMeta: the class object of a class not built yet. It prints and answers isA as the
// real class object would; its new checks the arguments as the real one does, then reports that
// nothing can be built and answers null.
#pragma once

#include <string>
#include <vector>

#include "foundation/FLSysObject.h"

class PlaceholderMeta : public XMeta {
  public:
    // className: the class the real object builds; argumentClasses: the classes its new takes,
    // in order (one or two).
    PlaceholderMeta(std::string className, std::vector<std::string> argumentClasses);

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    std::vector<std::string> argumentClasses;
};

// One attribute of the document tree.
#include "xml/SGMLTreeAttr.h"

#include <utility>

SGMLTreeAttr::SGMLTreeAttr(std::string name, std::string value, std::string type, std::string extra)
    : name(std::move(name)),
      value(std::move(value)),
      type(std::move(type)),
      extra(std::move(extra)),
      status(defaultStatus) {}

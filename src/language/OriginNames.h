// OriginNames: the one shared copy of each clause origin (a source file or a part's label) that
// clauses point to.
#pragma once

#include <string>
#include <string_view>

// A program of many clauses from one file names that file once instead of once per clause. The
// names are few (the files read and the labels of the evaluator's parts) and are kept for the
// life of the process, so a clause holds a plain pointer to its origin's name.
class OriginNames {
  public:
    // The kept copy of `name`; the same object for equal names.
    static const std::string& intern(std::string_view name);
};

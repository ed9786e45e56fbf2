// PatternMatcher: the pattern built-ins "match" and "pmatch" and the rows of their last call.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "foundation/set.h"
#include "objectbase/InternalName.h"
#include "objectbase/Tuple.h"

class Iterator;
class MyRegex;
class OMAccess;
struct PatternScratch;

// Reads names, texts and documents' files through the access layer it serves (a back reference,
// not owned: the layer owns the matcher), so that a layer that finds documents' files its own
// way searches them the same way.
class PatternMatcher {
  public:
    explicit PatternMatcher(OMAccess& access);
    PatternMatcher(const PatternMatcher&) = delete;
    PatternMatcher& operator=(const PatternMatcher&) = delete;
    ~PatternMatcher();

    // "match" (perl 0: POSIX extended expressions) and "pmatch" (perl 1: Perl patterns): every
    // occurrence of the pattern in the text gives one row [text, pattern, formats...,
    // results...]. The answer reads the rows in place: they stay valid until the next call.
    // Rows only when the arity is even, at least 4, and the pattern and formats are bound to
    // strings (or numbers).
    Iterator* match(int perl, const InternalName* args, int arity);

  private:
    void regexMatch(PatternScratch& scratch);
    void perlMatch(PatternScratch& scratch);
    // Builds the results of one occurrence (from `start`, `length` bytes of text) and adds its
    // row.
    void handleFormat(MyRegex& regex, const std::string& text, int start, int length,
                      PatternScratch& scratch);
    // The text a pattern built-in searches: a string constant's text, or a document's file.
    bool patternSubject(const InternalName& cell, std::string& text);
    // Fills every result of the scratch row from build(format, out), which appends the result
    // between the quotes; false (no row) when build refuses or a bound result differs.
    bool fillResults(PatternScratch& scratch,
                     const std::function<bool(const std::string&, std::string&)>& build);
    void addMatchRow(const PatternScratch& scratch);

    OMAccess& access;
    // The rows of the last call; their cells come from matchCells.
    std::unique_ptr<RowCellPool> matchCells;
    set<Tuple> matchRows;
};

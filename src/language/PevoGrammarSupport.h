// PevoGrammarSupport: the builders behind the Pevo grammar's own actions: XPath-like paths from
// the root, from a written term or from the filtered object, their axis steps, filters and
// results, and the Pevo forms of names, strings and specifications. Like GrammarSupport, a
// builder makes its node only while the clause is free of errors and releases its parts either
// way.
#pragma once

#include "language/GrammarSupport.h"

class PevoGrammarSupport {
  public:
    explicit PevoGrammarSupport(InternalGrammarParser& parser) : parser(parser) {}

    // A name standing alone as a literal: a predicate term of kind 1 without arguments.
    PTerm* nameAtom(char* name);
    // A name applied to arguments; "()" makes the name end in "()" with no arguments.
    FctOrPred* application(char* name, TermList* args);
    // The name of an axis code, when the axis name stands as a plain name.
    char* axisName(int axis);
    // The code of an axis name: "child" 1, "descendant" 2, "parent" 3, "ancestor" 4, "sibling"
    // 5, "attribute" 6, "self" 7; 0 for any other text.
    static int axisCode(const char* text);
    // The function term "name()".
    Path* callName(char* name);
    // A string constant, unescaped.
    Path* stringConstant(char* text);

    // The first step of a path that starts at the built-in object root (start kind 0) or, inside
    // a filter, at the filtered object self (start kind 1).
    Path* start(int startKind, MethAppl* first);
    // One more step: a PevoReference over the path so far.
    Path* step(Path* host, MethRef* step);
    // A filter or is-a test on the path so far: a PevoMolecule.
    Path* filter(Path* host, Specification* specification);
    // Gives the path so far a result part.
    Path* result(Path* path, MethResult* result);
    // The method of an XPath step: the step's name, no arguments, and the axis code.
    MethAppl* axisStep(Path* name, int axis);
    // What follows a step in brackets or after "isa" or "subcl".
    Specification* filterPart(IsaSpec* isa, FLiteralList* filter);

    // One method specification, and the list of them.
    MethListElement* spec(MethAppl* method, MethResult* result);
    ElementList* specs(ElementList* specs, MethListElement* spec);

  private:
    bool ok() const;

    InternalGrammarParser& parser;
};

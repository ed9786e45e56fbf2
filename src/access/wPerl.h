// The embedded Perl interpreter (wPerl) and the handles on its values: a scalar (wScalar), an
// array (wArray) and a compiled pattern (wPattern).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Perl's own types, declared here so that only wPerl.cpp includes Perl's headers: their macros
// would clash with ordinary C++ code.
struct interpreter;
struct sv;
struct av;
struct cv;
typedef struct interpreter PerlInterpreter;
typedef struct sv SV;
typedef struct av AV;
typedef struct cv CV;

class wArray;
class wPattern;

// A handle on one Perl scalar. A non-empty handle owns one reference on its scalar: the
// destructor drops it and a copy takes one of its own. Every handle belongs to the current
// interpreter.
class wScalar {
  public:
    wScalar() = default;
    wScalar(const wScalar& other);
    wScalar& operator=(const wScalar& other);
    ~wScalar();

    // Holds `scalar` (taking a reference) in place of the held one; null empties the handle.
    void assign(SV* scalar);
    // A null text with a length above 0 only makes room for `length` bytes; otherwise `length`
    // bytes of text (null counts as empty) become the value. Answers the scalar's byte buffer,
    // null without an interpreter.
    char* set(const char* text, std::size_t length);
    void release();
    bool empty() const { return scalar == nullptr; }

    // "" for an empty handle.
    std::string asString() const;
    // -1 for an empty handle.
    long asInt() const;
    // -1.0 for an empty handle.
    double asDouble() const;
    // Perl's truth of a scalar; null is false.
    static bool isTrue(SV* scalar);

    // Perl's pos of the held scalar; 0 when it has none (or there is no scalar or interpreter).
    int pos() const;
    // Matches the held scalar against the pattern (continuing at pos when the pattern has the g
    // flag) and fills groups, emptied first, with the sub-matches; true on a match.
    bool find(const wPattern& pattern, wArray* groups) const;

  private:
    friend class wPerl;
    friend class wArray;
    // Adopts a reference the caller owned.
    static wScalar adopt(SV* owned);

    SV* scalar = nullptr;
};

// A handle on one Perl array, with the same ownership as wScalar.
class wArray {
  public:
    // A new empty array (an empty handle when there is no interpreter).
    wArray();
    wArray(const wArray& other);
    wArray& operator=(const wArray& other);
    ~wArray();

    // Empties the array (making one when the handle is empty).
    void clear();
    // A new reference to the array (the caller owns it), or Perl's undef for an empty handle.
    SV* reference() const;
    // The number of elements (tied arrays included); 0 for an empty handle.
    int size() const;
    // A handle on the element; empty when there is none.
    wScalar at(int index) const;
    wScalar operator[](int index) const { return at(index); }

    // Appends a value as Perl data, so that no Perl source is ever made from it.
    void append(const std::string& text);
    void append(long value);
    void append(double value);

  private:
    friend class wPerl;
    explicit wArray(AV* owned) : array(owned) {}

    AV* array = nullptr;
};

// A handle on a compiled pattern: a reference to the Perl subroutine that matches it.
class wPattern {
  public:
    wPattern() = default;
    explicit wPattern(const char* text);
    wPattern(const wPattern& other);
    wPattern& operator=(const wPattern& other);
    ~wPattern();

    // Compiles "/body/flags" or "m<d>body<d>flags" (flags among g, i, m, s and x); the handle stays
    // empty when the text is no such pattern or Perl rejects the body.
    void compile(const char* text);
    void release();
    bool empty() const { return code == nullptr; }

  private:
    friend class wScalar;
    SV* code = nullptr;
};

// The interpreter with its glue package "ExtUtils::Embed::Glue" loaded. One interpreter serves the
// whole run: made on first need, kept to the end of the process.
class wPerl {
  public:
    // A new interpreter; it becomes the current one when there is none. Null when one of the glue
    // subroutines is missing; without an interpreter when Perl could not allocate one.
    static std::unique_ptr<wPerl> create();
    // The current interpreter, made on the first call; null for the rest of the run once its
    // creation failed.
    static wPerl* current();

    wPerl(const wPerl&) = delete;
    wPerl& operator=(const wPerl&) = delete;
    virtual ~wPerl();

    // Evaluates Perl code in package main and answers a copy of its value. When the code dies,
    // "eval '<code>' failed: <error>" goes to Perl's standard error and the handle is empty.
    wScalar eval(const char* code);
    // The global array of that name, made when `create` is 1 (empty handle otherwise).
    static wArray getArray(const char* name, int create);

    bool hasInterpreter() const { return interpreter != nullptr; }
    PerlInterpreter* nativeInterpreter() const { return interpreter; }

  private:
    friend class wScalar;
    friend class wArray;
    friend class wPattern;
    wPerl() = default;
    bool start();

    PerlInterpreter* interpreter = nullptr;
    CV* tEval = nullptr;
    CV* tPos = nullptr;
    CV* tCompileFind = nullptr;
    bool keepAlive = false;
    std::vector<std::string> arguments;
    std::vector<char*> argumentVector;
};

// Error values: one error condition with its origin, number, seriousness and texts.
#pragma once

#include <string>

class Error {
  public:
    Error(int origin, int number, int seriousness, std::string name, std::string message,
          std::string where, std::string extra);
    Error(const Error&) = default;
    virtual ~Error() = default;

    virtual Error& operator=(const Error& other);
    // Errors are the same condition when origin and number agree; texts do not matter.
    virtual bool operator==(const Error& other) const;
    virtual bool operator!=(const Error& other) const;
    // The parts selected by the print mask, each followed by a line break.
    virtual std::string describe() const;
    virtual int getSeriousness() const { return seriousness; }

    int getOrigin() const { return origin; }
    int getNumber() const { return number; }
    const std::string& getName() const { return name; }
    const std::string& getMessage() const { return message; }
    const std::string& getWhere() const { return where; }
    const std::string& getExtra() const { return extra; }
    // The same error, reported from `place` in place of where the catalogue says it arises.
    Error at(std::string place) const;

    // The print mask shared by all errors. Bits: 1 name, 2 message, 4 where, 8 extra,
    // 16 seriousness, 32 number, 64 origin.
    static void setOutputFilter(int mask);
    static int getOutputFilter();

    // The error that means nothing went wrong (origin 0, number 0).
    static const Error& ok();

  private:
    int origin;
    int number;
    int seriousness;
    std::string name;
    std::string message;
    std::string where;
    std::string extra;
};

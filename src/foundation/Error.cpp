// Error values and their print mask.
#include "foundation/Error.h"

#include <utility>

namespace {
int printMask = 14;
}

Error::Error(int origin, int number, int seriousness, std::string name, std::string message,
             std::string where, std::string extra)
    : origin(origin),
      number(number),
      seriousness(seriousness),
      name(std::move(name)),
      message(std::move(message)),
      where(std::move(where)),
      extra(std::move(extra)) {}

Error& Error::operator=(const Error& other) {
    if (this != &other) {
        origin = other.origin;
        number = other.number;
        seriousness = other.seriousness;
        name = other.name;
        message = other.message;
        where = other.where;
        extra = other.extra;
    }
    return *this;
}

bool Error::operator==(const Error& other) const {
    return origin == other.origin && number == other.number;
}

bool Error::operator!=(const Error& other) const {
    return !(*this == other);
}

Error Error::at(std::string place) const {
    return Error(origin, number, getSeriousness(), name, message, std::move(place), extra);
}

std::string Error::describe() const {
    std::string text;
    if (printMask & 1) text += name + "\n";
    if (printMask & 2) text += message + "\n";
    if (printMask & 4) text += where + "\n";
    if (printMask & 8) text += extra + "\n";
    if (printMask & 16) {
        static const char* const levels[] = {"NoError", "Warning", "RealError"};
        text += "Seriousness: ";
        text += (seriousness >= 0 && seriousness <= 2) ? levels[seriousness]
                                                       : std::to_string(seriousness);
        text += "\n";
    }
    if (printMask & 32) text += "Error Number: " + std::to_string(number) + "\n";
    if (printMask & 64) text += "Origin Number: " + std::to_string(origin) + "\n";
    return text;
}

void Error::setOutputFilter(int mask) {
    printMask = mask;
}

int Error::getOutputFilter() {
    return printMask;
}

const Error& Error::ok() {
    // Built on first use so that any global may rely on it, whatever the order of start-up.
    static const Error okError(0, 0, 0, "OK", "no error occurred", "class Error", "Never Mind.");
    return okError;
}

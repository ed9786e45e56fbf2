// NameHandler: per-instance counters for fresh identifiers.
#include "objectbase/NameHandler.h"

NameHandler::NameHandler() {
    reset();
}

std::int32_t NameHandler::nextSetId() {
    return ++setCounter;
}

std::int32_t NameHandler::nextParamId() {
    return ++paramCounter;
}

void NameHandler::reset() {
    objectCounter = FirstObjectCounter;
    setCounter = 0;
    paramCounter = 0;
}

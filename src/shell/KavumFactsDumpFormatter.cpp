// The Kavum arrows.
#include "shell/KavumFactsDumpFormatter.h"

bool KavumFactsDumpFormatter::isA(const std::string& className) const {
    return className == "KavumFactsDumpFormatter" || FLDumpFormatter::isA(className);
}

std::string KavumFactsDumpFormatter::arrowText(int methodType) {
    switch (methodType) {
        case 0:
            return " = ";
        case 2:
            return " -> ";
        case 4:
        case 5:
            return " *-> ";
        case 7:
        case 8:
            return " => ";
        case 1:
        case 3:
        case 6:
            return " NOT IMPLEMENTED ";
        default:
            return "";
    }
}

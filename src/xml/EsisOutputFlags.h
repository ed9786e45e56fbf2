// The bits of the event stream's output options and the option names that select them.
#pragma once

#include <cstring>

enum EsisOutputFlag : unsigned {
    esisLine = 1,
    esisEntity = 2,
    esisId = 4,
    esisIncluded = 8,
    esisNotationSysid = 16,
    esisNonSgml = 32,
    esisEmpty = 64,
};

// The bit named exactly by an "-o" argument, or 0 for a name that is none of them.
inline unsigned esisOutputFlagNamed(const char* name) {
    static const struct {
        const char* name;
        unsigned flag;
    } names[] = {{"line", esisLine},
                 {"entity", esisEntity},
                 {"id", esisId},
                 {"included", esisIncluded},
                 {"notation-sysid", esisNotationSysid},
                 {"nonsgml", esisNonSgml},
                 {"empty", esisEmpty}};
    for (const auto& entry : names) {
        if (std::strcmp(entry.name, name) == 0) {
            return entry.flag;
        }
    }
    return 0;
}

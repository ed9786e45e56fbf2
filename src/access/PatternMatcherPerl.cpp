// PatternMatcher: "pmatch", the pattern built-in over Perl patterns in the embedded interpreter.
#include <algorithm>

#include "access/PatternMatcher.h"
#include "access/PatternScratch.h"
#include "access/wPerl.h"

void PatternMatcher::perlMatch(PatternScratch& scratch) {
    std::string text;
    if (!patternSubject(scratch.names[0], text)) return;
    wScalar subject;
    subject.set(text.data(), text.size());
    wArray groups;
    wPattern pattern(scratch.inner(2).c_str());
    const std::string& written = scratch.texts[1];
    const int groupCount = static_cast<int>(std::count(written.begin(), written.end(), '('));

    int available = 0;
    auto build = [&](const std::string& format, std::string& out) {
        if (format.empty()) {
            for (int g = 0; g < groupCount; ++g) out += groups.at(g).asString();
            return true;
        }
        for (std::size_t i = 0; i < format.size(); ++i) {
            const char c = format[i];
            std::size_t end = i + 1;
            // The whole run of digits 1 to 9 names the group; a number past the groups (however
            // long its run) appends nothing.
            long group = 0;
            while ((c == '$' || c == '\\') && end < format.size() && format[end] >= '1' &&
                   format[end] <= '9') {
                group = std::min(group * 10 + (format[end] - '0'), long{available} + 1);
                ++end;
            }
            if (end == i + 1) {
                out += c;
                continue;
            }
            if (group <= available) out += groups.at(static_cast<int>(group - 1)).asString();
            i = end - 1;
        }
        return true;
    };

    // Without the g flag pos stays where it was, so the second round sees no progress and ends.
    int previous = -1;
    int current = 0;
    bool found = subject.find(pattern, &groups);
    while (found && previous < current) {
        previous = current;
        const int newPosition = subject.pos();
        available = groups.size();
        if (fillResults(scratch, build)) addMatchRow(scratch);
        found = subject.find(pattern, &groups);
        current = newPosition;
    }
}

// The F-Logic dump of an object base with its lines sorted, for comparing bases whose facts may
// have been stored in another order.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/OutputChannel.h"
#include "objectbase/MainMemOM.h"
#include "support/ChannelCapture.h"

// The dump's non-empty lines, sorted; the dump formatters must be registered.
inline std::string sortedDump(MainMemOM& base) {
    ChannelCapture capture(debugChannel());
    base.dump(1);
    std::istringstream in(capture.text());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}
